#include "edit_request.h"

#include "edit_plan.h"
#include "engine.h"
#include "utf.h"

#include <cstring>
#include <string_view>

namespace {

bool is_high_surrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }

// Code points of UTF-8 text (continuation bytes are not counted).
int count_utf8_code_points(const char* text, int length)
{
    int count = 0;
    for (int i = 0; i < length; ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            ++count;
    return count;
}

std::u16string_view commit_of(const EditRequest& request)
{
    return {request.commitText, static_cast<size_t>(request.commitLength)};
}

}  // namespace

namespace miradot {

EditRequest make_edit_request(const EngineOutput& output)
{
    EditRequest request;
    request.deleteCount = output.deleteCount > 0 ? output.deleteCount : 0;
    request.commitLength = utf8_to_utf16(output.text, request.commitText, EDIT_COMMIT_UNITS + 1);
    request.compositionLength = utf8_to_utf16(output.preedit, request.compositionText, EDIT_COMPOSITION_UNITS + 1);
    return request;
}

EditRequest merge_unwritten(const EditRequest& unwritten, const EditRequest& next)
{
    EditRequest merged = next;
    int taken = count_code_points(commit_of(unwritten));
    if (taken > next.deleteCount)
        taken = next.deleteCount;
    int units = move_back_code_points(commit_of(unwritten), unwritten.commitLength, taken);
    int room = EDIT_COMMIT_UNITS - next.commitLength;
    if (units > room) {
        units = room;
        if (units > 0 && is_high_surrogate(unwritten.commitText[units - 1]))
            --units;
    }
    merged.deleteCount = unwritten.deleteCount + next.deleteCount - taken;
    std::memcpy(merged.commitText, unwritten.commitText, units * sizeof(char16_t));
    std::memcpy(merged.commitText + units, next.commitText, next.commitLength * sizeof(char16_t));
    merged.commitLength = units + next.commitLength;
    merged.commitText[merged.commitLength] = 0;
    return merged;
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

int plain_commit_start(const EditRequest& request)
{
    return request.commitLength > 0 && request.deleteCount > 0 ? last_word_start(commit_of(request)) : 0;
}

}  // namespace miradot
