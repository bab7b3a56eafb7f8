// What the dialog looks like: the palettes, the scale and fit, the scroll
// bar on a small screen, with a screenshot of each state.
#include "settings_window.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

namespace {

std::map<std::wstring, std::wstring> look_environment(const std::wstring& key, const std::wstring& theme)
{
    return {{L"MIRADOT_SETTINGS_KEY", key}, {L"MIRADOT_SETTINGS_THEME", theme},
            {L"MIRADOT_USER_FILE", L"C:\\nonexistent\\user.tsv"}, {L"MIRADOT_SETTINGS_SHOT", L"1"}};
}

} // namespace

TEST(DialogLook, LightAndDarkAt96Dpi)
{
    for (const wchar_t* theme : {L"light", L"dark"}) {
        SettingsProgram program(look_environment(fresh_settings_key(L"look"), theme));
        ASSERT_TRUE(program.dialog());
        EXPECT_TRUE(program.screenshot(std::wstring(L"dialog_") + theme + L"_96dpi.png"));
    }
}
