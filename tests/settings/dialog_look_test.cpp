// What the dialog looks like: the palettes and the theme choice, the scale
// and fit, the scroll bar on a small screen, with a screenshot of each.
#include "settings_window.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "case_name.h"

namespace {

constexpr COLORREF LIGHT_BACKGROUND = RGB(0xF4, 0xF6, 0xFB);
constexpr COLORREF DARK_BACKGROUND = RGB(0x0A, 0x0F, 0x1F);
const std::wstring PERSONALIZE = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

std::map<std::wstring, std::wstring> look_environment(const std::wstring& theme, bool screenshot = true)
{
    std::map<std::wstring, std::wstring> environment = {{L"MIRADOT_SETTINGS_KEY", fresh_settings_key(L"look")},
                                                        {L"MIRADOT_USER_FILE", L"C:\\nonexistent\\user.tsv"}};
    if (!theme.empty())
        environment[L"MIRADOT_SETTINGS_THEME"] = theme;
    if (screenshot)
        environment[L"MIRADOT_SETTINGS_SHOT"] = L"1";
    return environment;
}

// The system's app theme for one test, restored afterwards.
class SystemTheme {
public:
    explicit SystemTheme(bool light) : before_(read_dword(PERSONALIZE, L"AppsUseLightTheme")) { set(light); }
    ~SystemTheme()
    {
        if (before_)
            write_dword(PERSONALIZE, L"AppsUseLightTheme", *before_);
        else
            RegDeleteKeyValueW(HKEY_CURRENT_USER, PERSONALIZE.c_str(), L"AppsUseLightTheme");
    }
    void set(bool light) { write_dword(PERSONALIZE, L"AppsUseLightTheme", light ? 1 : 0); }

private:
    std::optional<DWORD> before_;
};

int client_width(HWND window)
{
    RECT r;
    GetClientRect(window, &r);
    return r.right;
}

int client_height(HWND window)
{
    RECT r;
    GetClientRect(window, &r);
    return r.bottom;
}

TEST(DialogLook, LightAndDarkAt96Dpi)
{
    SystemTheme system(true);
    for (const wchar_t* theme : {L"light", L"dark"}) {
        SettingsProgram program(look_environment(theme));
        ASSERT_TRUE(program.dialog());
        EXPECT_TRUE(program.screenshot(std::wstring(L"dialog_") + theme + L"_96dpi.png"));
        EXPECT_EQ(program.client_pixel(4, 4), theme[0] == L'd' ? DARK_BACKGROUND : LIGHT_BACKGROUND) << theme;
        EXPECT_EQ(client_width(program.dialog()), 900);
        EXPECT_EQ(client_height(program.dialog()), 1103);
    }
}

struct ThemeCase {
    const char* name;
    std::wstring variable;
    bool systemLight;
    bool dark;
};

const ThemeCase THEMES[] = {
    {"Dark in any case wins over a light system", L"Dark", true, true},
    {"LIGHT wins over a dark system", L"LIGHT", false, false},
    {"another word leaves the dark system", L"blue", false, true},
    {"no variable follows a light system", L"", true, false},
    {"a 16 character value is ignored", L"darkdarkdarkdark", true, false},
};

class ThemeChoice : public testing::TestWithParam<ThemeCase> {};

TEST_P(ThemeChoice, PaintsThePaletteItChose)
{
    SystemTheme system(GetParam().systemLight);
    SettingsProgram program(look_environment(GetParam().variable));
    ASSERT_TRUE(program.dialog());
    // The first paint may still be on its way to the screen.
    const COLORREF expected = GetParam().dark ? DARK_BACKGROUND : LIGHT_BACKGROUND;
    EXPECT_TRUE(wait_until([&] { return program.client_pixel(4, 4) == expected; }, 5000))
        << std::hex << program.client_pixel(4, 4);
}

INSTANTIATE_TEST_SUITE_P(Themes, ThemeChoice, testing::ValuesIn(THEMES),
                         [](const auto& info) { return case_name(std::string_view(info.param.name)); });

TEST(DialogLook, FollowsTheSystemThemeWhileOpen)
{
    SystemTheme system(true);
    SettingsProgram program(look_environment(L""));
    ASSERT_TRUE(program.dialog());
    EXPECT_TRUE(wait_until([&] { return program.client_pixel(4, 4) == LIGHT_BACKGROUND; }, 5000))
        << std::hex << program.client_pixel(4, 4);
    system.set(false);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(program.dialog(), WM_SETTINGCHANGE, 0, LPARAM(L"ImmersiveColorSet"), SMTO_ABORTIFHUNG, 3000,
                        &ignored);
    EXPECT_TRUE(wait_until([&] { return program.client_pixel(4, 4) == DARK_BACKGROUND; }, 3000));
}

// Run on a 1024 by 768 screen: shrunk to 85 % and still taller than the
// screen, so the scroll bar shows and the wheel moves the controls.
TEST(DialogLookSmallScreen, ShrinksTo85PercentAndScrolls)
{
    SettingsProgram program(look_environment(L"light", false));
    HWND dialog = program.dialog();
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(GetWindowLongPtrW(dialog, GWL_STYLE) & WS_VSCROLL);
    EXPECT_EQ(client_width(dialog), 765);  // the scroll bar lies outside the client area
    RECT frame;
    GetWindowRect(dialog, &frame);
    EXPECT_GE(frame.top, 0);
    EXPECT_LE(frame.bottom, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_TRUE(program.screenshot(L"dialog_small_screen.png"));

    RECT close = program.screen_rect(IDCANCEL);
    SetCursorPos((frame.left + frame.right) / 2, (frame.top + frame.bottom) / 2);
    INPUT wheel{};
    wheel.type = INPUT_MOUSE;
    wheel.mi.dwFlags = MOUSEEVENTF_WHEEL;
    wheel.mi.mouseData = DWORD(-WHEEL_DELTA);
    SendInput(1, &wheel, sizeof wheel);
    // Three lines of 40 pixels at 85 %.
    EXPECT_TRUE(wait_until([&] { return program.screen_rect(IDCANCEL).top == close.top - 3 * 34; }, 3000))
        << program.screen_rect(IDCANCEL).top - close.top;
    EXPECT_TRUE(program.screenshot(L"dialog_small_screen_scrolled.png"));
}

// The scroll bar beside the client area takes the dark palette too.
TEST(DialogLookSmallScreen, TheScrollBarFollowsTheDarkTheme)
{
    SettingsProgram program(look_environment(L"dark", false));
    HWND dialog = program.dialog();
    ASSERT_TRUE(dialog);
    const int x = client_width(dialog) + 3, y = client_height(dialog) / 2;
    auto dark = [](COLORREF c) { return GetRValue(c) < 0x60 && GetGValue(c) < 0x60 && GetBValue(c) < 0x80; };
    EXPECT_TRUE(wait_until([&] { return dark(program.client_pixel(x, y)); }, 5000))
        << std::hex << program.client_pixel(x, y);
    SendMessageW(dialog, WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_TRUE(wait_until([&] { return dark(program.client_pixel(x, y)); }, 5000)) << "after scrolling";
    EXPECT_TRUE(program.screenshot(L"dialog_small_screen_dark.png"));
}

// Tabbing down to "Đóng" scrolls the dialog until the button shows whole.
TEST(DialogLookSmallScreen, AControlTakingTheFocusScrollsIntoView)
{
    SettingsProgram program(look_environment(L"light", false));
    HWND dialog = program.dialog();
    ASSERT_TRUE(dialog);
    HWND close = GetDlgItem(dialog, IDCANCEL);
    RECT client;
    GetClientRect(dialog, &client);
    MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&client), 2);
    RECT before;
    GetWindowRect(close, &before);
    ASSERT_GT(before.bottom, client.bottom) << "the button starts out of view";
    program.click(101);
    ASSERT_TRUE(wait_until([&] { return focused_window(dialog) == GetDlgItem(dialog, 101); }, 3000));
    ASSERT_TRUE(program.tab_to(close, 60));
    // The focus moves first; the view follows when the button hears of it.
    RECT after{};
    EXPECT_TRUE(wait_until(
        [&] {
            GetWindowRect(close, &after);
            return after.top >= client.top && after.bottom <= client.bottom;
        },
        3000))
        << after.top << ".." << after.bottom << " in " << client.top << ".." << client.bottom;
}

// Run on screens of 1366 by 768 and 1600 by 1000: the dialog shrinks and
// every text still fits its place, at the top and at the end of the view.
TEST(DialogLookCommonScreen, ShrinksWithoutCuttingText)
{
    SettingsProgram program(look_environment(L"light", false));
    HWND dialog = program.dialog();
    ASSERT_TRUE(dialog);
    RECT frame;
    GetWindowRect(dialog, &frame);
    EXPECT_LE(frame.bottom - frame.top, GetSystemMetrics(SM_CYSCREEN));
    const std::wstring screen
        = std::to_wstring(GetSystemMetrics(SM_CXSCREEN)) + L"x" + std::to_wstring(GetSystemMetrics(SM_CYSCREEN));
    EXPECT_TRUE(program.screenshot(L"dialog_screen_" + screen + L".png"));
    SendMessageW(dialog, WM_VSCROLL, SB_BOTTOM, 0);
    Sleep(300);
    EXPECT_TRUE(program.screenshot(L"dialog_screen_" + screen + L"_end.png"));
}

// The home-page link in the footer shows when it has the keyboard focus, as
// every other control does.
TEST(DialogLook, TheFooterLinkShowsTheKeyboardFocus)
{
    SettingsProgram program(look_environment(L"light", false));
    HWND dialog = program.dialog();
    ASSERT_TRUE(dialog);
    HWND link = GetDlgItem(dialog, 110);
    RECT r;
    GetWindowRect(link, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    auto outlined = [&] {
        // The focus colour somewhere on the left edge of the link's box.
        for (int x = r.left; x < r.left + 4; ++x) {
            const COLORREF c = program.client_pixel(x, (r.top + r.bottom) / 2);
            if (std::abs(GetRValue(c) - 0x0E) < 40 && std::abs(GetGValue(c) - 0xA5) < 40
                && std::abs(GetBValue(c) - 0xC6) < 40)
                return true;
        }
        return false;
    };
    EXPECT_FALSE(outlined());
    program.click(101);  // "Telex", then Tab along to the link
    ASSERT_TRUE(wait_until([&] { return focused_window(dialog) == GetDlgItem(dialog, 101); }, 3000));
    ASSERT_TRUE(program.tab_to(link, 60));
    EXPECT_TRUE(wait_until(outlined, 3000));
    EXPECT_TRUE(program.screenshot(L"footer_link_focus.png"));
}

// Run with the display at 144 DPI on a screen that fits the whole canvas.
TEST(DialogLookHighDpi, ScalesEverythingByOneAndAHalf)
{
    SettingsProgram program(look_environment(L"light"));
    HWND dialog = program.dialog();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(client_width(dialog), 1350);
    EXPECT_EQ(client_height(dialog), 1655);
    RECT close = program.screen_rect(IDCANCEL);
    EXPECT_EQ(close.right - close.left, 180);
    EXPECT_TRUE(program.screenshot(L"dialog_light_144dpi.png"));
}

}  // namespace
