#include <cwctype>

#include "pipe.h"

bool pipe_tag(const wchar_t* value, std::wstring& tag)
{
    tag.clear();
    if (!value)
        return true;
    const std::wstring text = value;
    if (text.empty() || text.size() >= 22)
        return true;
    for (wchar_t c : text) {
        if (!std::iswalnum(c))
            return false;
    }
    tag = L"-" + text;
    return true;
}
