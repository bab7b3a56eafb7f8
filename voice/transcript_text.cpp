#include "transcript_text.h"

#include "text_case.h"
#include "utf.h"

namespace miradot {

std::string drop_special_tokens(std::string_view words)
{
    std::string joined;
    size_t i = 0;
    while (i < words.size()) {
        while (i < words.size() && words[i] == ' ')
            ++i;
        size_t end = words.find(' ', i);
        if (end == std::string_view::npos)
            end = words.size();
        std::string_view piece = words.substr(i, end - i);
        if (!piece.empty() && piece.find_first_of("<>") == std::string_view::npos) {
            if (!joined.empty())
                joined += ' ';
            joined += piece;
        }
        i = end;
    }
    return joined;
}

std::string sentence_case(std::string_view utf8)
{
    std::u16string text = utf8_to_utf16(utf8);
    if (text.empty())
        return {};
    lower_case(text);
    upper_case_first(text);
    return utf16_to_utf8(text);
}

}  // namespace miradot
