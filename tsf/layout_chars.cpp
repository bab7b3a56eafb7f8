#include "layout_chars.h"

namespace miradot {

namespace {

wchar_t us_layout_char(WPARAM key, bool shift)
{
    static const wchar_t shifted_digits[] = L")!@#$%^&*(";
    if (key >= '0' && key <= '9')
        return shift ? shifted_digits[key - '0'] : static_cast<wchar_t>(key);
    struct Pair {
        WPARAM key;
        wchar_t plain, shifted;
    };
    static const Pair table[] = {
        {VK_OEM_1, L';', L':'},      {VK_OEM_PLUS, L'=', L'+'}, {VK_OEM_COMMA, L',', L'<'}, {VK_OEM_MINUS, L'-', L'_'},
        {VK_OEM_PERIOD, L'.', L'>'}, {VK_OEM_2, L'/', L'?'},    {VK_OEM_3, L'`', L'~'},     {VK_OEM_4, L'[', L'{'},
        {VK_OEM_5, L'\\', L'|'},     {VK_OEM_6, L']', L'}'},    {VK_OEM_7, L'\'', L'"'},
    };
    for (const Pair& pair : table)
        if (pair.key == key)
            return shift ? pair.shifted : pair.plain;
    return 0;
}

}  // namespace

wchar_t vietnamese_layout_char(WPARAM key, bool shift, bool caps_lock)
{
    if (key == VK_SPACE)
        return L' ';
    if (key >= 'A' && key <= 'Z')
        return static_cast<wchar_t>(shift != caps_lock ? key : key - 'A' + 'a');
    return us_layout_char(key, shift);
}

}  // namespace miradot
