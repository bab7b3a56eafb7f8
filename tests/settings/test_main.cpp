// The settings program's tests run with the screen as a user sees it: this
// program is DPI-aware like the dialog, so both measure in device pixels,
// and Wine is told which installed fonts stand in for the Windows ones.
#include "settings_window.h"

#include <gdiplus.h>
#include <gtest/gtest.h>

namespace {

void replace_font(const wchar_t* windowsFont, const wchar_t* installed)
{
    write_text(L"Software\\Wine\\Fonts\\Replacements", windowsFont, installed);
}

} // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    replace_font(L"Segoe UI", L"Liberation Sans");
    replace_font(L"Segoe UI Symbol", L"DejaVu Sans");
    replace_font(L"Consolas", L"DejaVu Sans Mono");
    ULONG_PTR gdiplus = 0;
    Gdiplus::GdiplusStartupInput startup;
    Gdiplus::GdiplusStartup(&gdiplus, &startup, nullptr);
    int result = RUN_ALL_TESTS();
    Gdiplus::GdiplusShutdown(gdiplus);
    return result;
}
