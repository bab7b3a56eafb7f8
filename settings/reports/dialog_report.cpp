// reports: how the settings program's workers tell the dialog what they do.
#include "dialog_report.h"

#include <cstdlib>
#include <cwchar>

void post_text(HWND window, UINT message, WPARAM kind, const wchar_t* text)
{
    wchar_t* copy = _wcsdup(text);
    if (copy && !PostMessageW(window, message, kind, reinterpret_cast<LPARAM>(copy)))
        std::free(copy);
}
