#include "edit_plan.h"

namespace miradot {

namespace {

constexpr int MAX_CONTEXT_WORD = 23;

bool is_high_surrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool is_low_surrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

int length_of(std::u16string_view text) { return static_cast<int>(text.size()); }

}  // namespace

int last_word_start(std::u16string_view text)
{
    int i = length_of(text);
    if (i > 0 && text[i - 1] == u' ')
        --i;
    while (i > 0 && text[i - 1] != u' ')
        --i;
    return i;
}

int count_code_points(std::u16string_view text)
{
    int count = 0;
    for (size_t i = 0; i < text.size(); ++i)
        if (!(is_low_surrogate(text[i]) && i > 0 && is_high_surrogate(text[i - 1])))
            ++count;
    return count;
}

int move_back_code_points(std::u16string_view text, int index, int count)
{
    while (count > 0 && index > 0) {
        --index;
        if (index > 0 && is_low_surrogate(text[index]) && is_high_surrogate(text[index - 1]))
            --index;
        --count;
    }
    return index;
}

int units_of_last_code_points(std::u16string_view text, int count)
{
    if (count_code_points(text) < count)
        return -1;
    return length_of(text) - move_back_code_points(text, length_of(text), count);
}

int reached_code_points(std::u16string_view text)
{
    return count_code_points(text) - (!text.empty() && is_low_surrogate(text[0]) ? 1 : 0);
}

KeptPrefix keep_prefix(std::u16string_view kept, int delete_count)
{
    KeptPrefix prefix;
    prefix.units = length_of(kept);
    if (kept.empty() || delete_count <= 0)
        return prefix;
    int tail = units_of_last_code_points(kept, delete_count);
    if (tail >= 0 && kept.back() == u' ')
        prefix.units -= tail;
    else
        prefix.lastWordOnly = true;
    return prefix;
}

int kept_units(std::u16string_view written, int prefix, std::u16string_view committed, int keep_code_points,
               const ContextWordTest& is_context_word)
{
    int total = length_of(written);
    if (total == prefix)
        return prefix;
    int context_word = 0;
    int length = length_of(committed);
    if (length > 1 && committed[length - 1] == u' ' && committed[length - 2] != u' ') {
        int start = last_word_start(committed);
        int word = length - 1 - start;
        if (word >= 1 && word <= MAX_CONTEXT_WORD && is_context_word(committed.substr(start, word)))
            context_word = word + 1;
    }
    int back = total;
    if (keep_code_points > 0 && total > 0)
        back = move_back_code_points(written, total, keep_code_points);
    int tail = total - back;
    return context_word > tail ? context_word : tail;
}

}  // namespace miradot
