// The settings program's tests run with the screen as a user sees it: this
// program is DPI-aware like the dialog, so both measure in device pixels,
// and Wine is told which installed fonts stand in for the Windows ones.
// "--dpi=N" sets the display DPI for the programs the tests start.
#include "screen_png.h"
#include "settings_window.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

// Windows finds the symbols the UI font lacks (⚠, ⌫) through font linking;
// Wine's stand-in gets the same link to a font that has them.
void link_font(const wchar_t* font, const wchar_t* fallback)
{
    std::wstring list = std::wstring(fallback) + L'\0';
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink", font,
                    REG_MULTI_SZ, list.c_str(), DWORD((list.size() + 1) * sizeof(wchar_t)));
}

// The display DPI that programs started afterwards use (Wine reads it at
// process start); the old value comes back when the tests end.
class DisplayDpi {
public:
    explicit DisplayDpi(DWORD dpi) : before_(read_dword(KEY, L"LogPixels")) { write_dword(KEY, L"LogPixels", dpi); }
    ~DisplayDpi()
    {
        if (before_)
            write_dword(KEY, L"LogPixels", *before_);
        else
            RegDeleteKeyValueW(HKEY_CURRENT_USER, KEY, L"LogPixels");
    }

private:
    static constexpr const wchar_t* KEY = L"Control Panel\\Desktop";
    std::optional<DWORD> before_;
};

}  // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    std::optional<DisplayDpi> dpi;
    for (int n = 1; n < argc; ++n)
        if (std::string(argv[n]).rfind("--dpi=", 0) == 0)
            dpi.emplace(DWORD(std::stoul(argv[n] + 6)));
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    use_font_stand_ins();
    link_font(L"Segoe UI", L"DejaVuSans.ttf,DejaVu Sans");
    link_font(L"Liberation Sans", L"DejaVuSans.ttf,DejaVu Sans");
    GdiplusSession gdiplus;
    int result = RUN_ALL_TESTS();
    return result;
}
