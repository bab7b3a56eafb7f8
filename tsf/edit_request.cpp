#include "edit_request.h"

#include "engine.h"
#include "utf.h"

#include <cstring>

namespace {

bool is_high_surrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool is_low_surrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Code points of UTF-8 text (continuation bytes are not counted).
int count_utf8_code_points(const char* text, int length)
{
    int count = 0;
    for (int i = 0; i < length; ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            ++count;
    return count;
}

} // namespace

EditRequest make_edit_request(const EngineOutput& output)
{
    EditRequest request;
    request.deleteCount = output.deleteCount > 0 ? output.deleteCount : 0;
    request.commitLength = miradot::utf8_to_utf16(output.text, request.commitText, 600);
    request.compositionLength = miradot::utf8_to_utf16(output.preedit, request.compositionText, 300);
    return request;
}

EditRequest merge_unwritten(const EditRequest& unwritten, const EditRequest& next)
{
    EditRequest merged = next;
    int taken = count_code_points(unwritten.commitText, unwritten.commitLength);
    if (taken > next.deleteCount)
        taken = next.deleteCount;
    int units = move_back_code_points(unwritten.commitText, unwritten.commitLength, taken);
    int room = 599 - next.commitLength;
    if (units > room) {
        units = room;
        if (units > 0 && is_high_surrogate(unwritten.commitText[units - 1]))
            --units;
    }
    merged.deleteCount = unwritten.deleteCount + next.deleteCount - taken;
    std::memcpy(merged.commitText, unwritten.commitText, units * sizeof(wchar_t));
    std::memcpy(merged.commitText + units, next.commitText, next.commitLength * sizeof(wchar_t));
    merged.commitLength = units + next.commitLength;
    merged.commitText[merged.commitLength] = 0;
    return merged;
}

int last_word_start(const wchar_t* text, int length)
{
    int i = length;
    if (i > 0 && text[i - 1] == L' ')
        --i;
    while (i > 0 && text[i - 1] != L' ')
        --i;
    return i;
}

int count_code_points(const wchar_t* text, int length)
{
    int count = 0;
    for (int i = 0; i < length; ++i)
        if (!(is_low_surrogate(text[i]) && i > 0 && is_high_surrogate(text[i - 1])))
            ++count;
    return count;
}

int move_back_code_points(const wchar_t* text, int index, int count)
{
    while (count > 0 && index > 0) {
        --index;
        if (index > 0 && is_low_surrogate(text[index]) && is_high_surrogate(text[index - 1]))
            --index;
        --count;
    }
    return index;
}

int units_of_last_code_points(const wchar_t* text, int length, int count)
{
    if (count_code_points(text, length) < count)
        return -1;
    return length - move_back_code_points(text, length, count);
}

int keep_count(const EngineOutput& output, int span, uint32_t options, bool hint_available)
{
    int length = static_cast<int>(std::strlen(output.text));
    if (length <= 1 || output.text[length - 1] != ' ' || output.text[length - 2] == ' ')
        return span;
    if ((options & OPT_PUNCTUATION) && span < 2)
        span = 1;
    if (!hint_available)
        return span;
    int start = length - 1;
    while (start > 0 && output.text[start - 1] != ' ')
        --start;
    int word = count_utf8_code_points(output.text + start, length - start);
    return word > span ? word : span;
}
