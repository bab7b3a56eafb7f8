#include "case_name.h"
#include "hotkey.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

constexpr Hotkey CTRL_ALT_Y = {'Y', HK_CTRL | HK_ALT};
constexpr Hotkey CTRL_ALT_V = {'V', HK_CTRL | HK_ALT};

struct ParseCase {
    const char16_t* text;
    bool parses;
    Hotkey hotkey;
};

class ParseHotkey : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseHotkey, GivesTheCombinationOrFails)
{
    const ParseCase& c = GetParam();
    auto parsed = parse_hotkey(c.text);
    ASSERT_EQ(parsed.has_value(), c.parses);
    if (c.parses) {
        EXPECT_EQ(parsed->vk, c.hotkey.vk);
        EXPECT_EQ(parsed->mods, c.hotkey.mods);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseHotkey,
    testing::Values(
        ParseCase{u"Ctrl+Alt+Y", true, CTRL_ALT_Y}, ParseCase{u"ctrl+alt+y", true, CTRL_ALT_Y},
        ParseCase{u"Alt+Ctrl+Y", true, CTRL_ALT_Y}, ParseCase{u"Control+Alt+y", true, CTRL_ALT_Y},
        ParseCase{u"Alt+Shift+F5", true, {0x74, HK_ALT | HK_SHIFT}}, ParseCase{u"control+space", true, {0x20, HK_CTRL}},
        ParseCase{u"Ctrl+Alt+F24", true, {0x87, HK_CTRL | HK_ALT}}, ParseCase{u"Ctrl+F1", true, {0x70, HK_CTRL}},
        ParseCase{u"Win+Shift+PgDn", true, {0x22, HK_WIN | HK_SHIFT}}, ParseCase{u"Alt+7", true, {'7', HK_ALT}},
        ParseCase{u"Alt+F", true, {'F', HK_ALT}}, ParseCase{u"BACKSPACE", true, {0x08, 0}},
        ParseCase{u"Ctrl+Ctrl+Y", false, {}}, ParseCase{u"Ctrl+Control+Y", false, {}},
        ParseCase{u"Ctrl+Alt+", false, {}}, ParseCase{u"+Y", false, {}}, ParseCase{u"", false, {}},
        ParseCase{u"Ctrl+Y+Alt", false, {}}, ParseCase{u"Alt+Ctrl", false, {}},
        ParseCase{u"Ctrl+Alt+Delete", false, {}}, ParseCase{u"Ctrl+Alt+F25", false, {}},
        ParseCase{u"Ctrl+Alt+F0", false, {}}, ParseCase{u"Ctrl+Alt+Fx", false, {}},
        ParseCase{u"Ctrl+Alt+F123", false, {}}, ParseCase{u"Ctrl+Alt+é", false, {}},
        ParseCase{u"Ctrl+Alt+Backspaceeeeeeeee", false, {}}, ParseCase{u"Hyper+Y", false, {}}),
    [](const auto& info) { return case_name(info.param.text); });

struct FormatCase {
    Hotkey hotkey;
    const char16_t* text;
};

class FormatHotkey : public testing::TestWithParam<FormatCase> {};

TEST_P(FormatHotkey, WritesModifiersInFixedOrder) { EXPECT_EQ(format_hotkey(GetParam().hotkey), GetParam().text); }

INSTANTIATE_TEST_SUITE_P(
    Hotkeys, FormatHotkey,
    testing::Values(FormatCase{CTRL_ALT_Y, u"Ctrl+Alt+Y"},
                    FormatCase{{0x87, HK_WIN | HK_SHIFT | HK_ALT | HK_CTRL}, u"Ctrl+Alt+Shift+Win+F24"},
                    FormatCase{{0x79, HK_ALT}, u"Alt+F10"}, FormatCase{{0x70, 0}, u"F1"},
                    FormatCase{{0x0D, HK_CTRL}, u"Ctrl+Enter"}, FormatCase{{'0', HK_CTRL}, u"Ctrl+0"},
                    FormatCase{{0x60, HK_CTRL}, u""},  // numeric keypad 0 has no name
                    FormatCase{{0, 0}, u""}),
    [](const auto& info) {
        const FormatCase& c = info.param;
        if (*c.text)
            return case_name(c.text);
        char unnamed[32];
        std::snprintf(unnamed, sizeof unnamed, "Vk%X_Mods%X", unsigned(c.hotkey.vk), unsigned(c.hotkey.mods));
        return std::string(unnamed);
    });

TEST(FormatHotkey, ParsesBackToTheSameCombination)
{
    for (const char16_t* text : {u"alt+shift+ctrl+win+pgup", u"Shift+Alt+f9", u"ctrl+home"}) {
        auto parsed = parse_hotkey(text);
        ASSERT_TRUE(parsed);
        EXPECT_EQ(parse_hotkey(format_hotkey(*parsed)), parsed);
    }
}

struct ValidateCase {
    const char16_t* text;  // nullptr: no stored text
    Hotkey expected;
    const char16_t* message;
};

class ValidateHotkey : public testing::TestWithParam<ValidateCase> {};

TEST_P(ValidateHotkey, AcceptsOrFallsBackWithTheReason)
{
    const ValidateCase& c = GetParam();
    auto text = c.text ? std::optional<std::u16string_view>(c.text) : std::nullopt;
    HotkeyChoice choice = validate_hotkey(text, u"Ctrl+Alt+Y", CTRL_ALT_V, u"Nói thành chữ");
    EXPECT_EQ(choice.hotkey, c.expected);
    EXPECT_EQ(choice.message, c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ValidateHotkey,
    testing::Values(
        ValidateCase{u"Alt+Y", {'Y', HK_ALT}, u""}, ValidateCase{u"ctrl+shift+F5", {0x74, HK_CTRL | HK_SHIFT}, u""},
        ValidateCase{nullptr, CTRL_ALT_Y, u""}, ValidateCase{u"", CTRL_ALT_Y, u""},
        ValidateCase{u"Ctrl+Alt+Delete", CTRL_ALT_Y, u""}, ValidateCase{u"Ctrl+Alt+PageDownKeyOfMine", CTRL_ALT_Y, u""},
        ValidateCase{u"Ctrl+Alt+Del", CTRL_ALT_Y, u"Ctrl+Alt+Del là phím của Windows (màn hình bảo mật)."},
        ValidateCase{u"alt+f4", CTRL_ALT_Y, u"Alt+F4 là phím của Windows (đóng cửa sổ)."},
        ValidateCase{u"Shift+Alt+Tab", CTRL_ALT_Y, u"Alt+Shift+Tab là phím của Windows (đổi cửa sổ)."},
        ValidateCase{u"Win+L", CTRL_ALT_Y, u"Win+L là phím của Windows (khoá máy)."},
        ValidateCase{u"Ctrl+Shift+Esc", CTRL_ALT_Y, u"Ctrl+Shift+Esc là phím của Windows (Task Manager)."},
        ValidateCase{u"win+space", CTRL_ALT_Y, u"Win+Space là phím của Windows (đổi bộ gõ)."},
        ValidateCase{u"Alt+Tab", CTRL_ALT_Y, u"Alt+Tab là phím của Windows (đổi cửa sổ)."},
        ValidateCase{u"Ctrl+Alt+Tab", CTRL_ALT_Y, u"Ctrl+Alt+Tab là phím của Windows (đổi cửa sổ)."},
        ValidateCase{u"Alt+Esc", CTRL_ALT_Y, u"Alt+Esc là phím của Windows (đổi cửa sổ)."},
        ValidateCase{u"Ctrl+Esc", CTRL_ALT_Y, u"Ctrl+Esc là phím của Windows (menu Start)."},
        ValidateCase{u"Alt+Space", CTRL_ALT_Y, u"Alt+Space là phím của Windows (menu cửa sổ)."},
        ValidateCase{u"Alt+Ctrl+Esc", CTRL_ALT_Y, u"Ctrl+Alt+Esc là phím của Windows (màn hình bảo mật)."},
        ValidateCase{u"Ctrl+Win+L", CTRL_ALT_Y, u"Windows giữ phím Win cho chính nó; hãy dùng Ctrl hoặc Alt."},
        ValidateCase{u"Shift+Ctrl+Space", CTRL_ALT_Y, u"Ctrl+Shift+Space đang dùng cho «Bật / tắt tiếng Việt»."},
        ValidateCase{u"Shift+Y", CTRL_ALT_Y, u"Cần có Ctrl hoặc Alt, để không chặn phím gõ thường."},
        ValidateCase{u"F9", CTRL_ALT_Y, u"Cần có Ctrl hoặc Alt, để không chặn phím gõ thường."},
        ValidateCase{u"Alt+Ctrl+V", CTRL_ALT_Y, u"Ctrl+Alt+V đang dùng cho «Nói thành chữ»."}),
    [](const auto& info) { return case_name(info.param.text); });

TEST(ModifierOrLockKey, OnlyKeysThatChangeTheNextKey)
{
    // Shift, Ctrl, Alt, Caps Lock, Win, Apps, Num Lock, Scroll Lock, each side of Shift, Ctrl and Alt.
    for (uint32_t vk : {0x10, 0x11, 0x12, 0x14, 0x5B, 0x5C, 0x5D, 0x90, 0x91, 0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5})
        EXPECT_TRUE(is_modifier_or_lock_key(vk)) << std::hex << vk;
    // Letters, digits, Space, Esc, Tab, Enter, Backspace, F1, F24, Pause, Left, the numeric keypad's 0.
    for (uint32_t vk : {uint32_t('A'), uint32_t('Z'), uint32_t('0'), 0x20u, 0x1Bu, 0x09u, 0x0Du, 0x08u, 0x70u, 0x87u,
                        0x13u, 0x25u, 0x60u, 0u})
        EXPECT_FALSE(is_modifier_or_lock_key(vk)) << std::hex << vk;
}

TEST(ValidateHotkey, MessageStaysWithinItsLimit)
{
    std::u16string longName(400, u'x');
    HotkeyChoice choice = validate_hotkey(u"Ctrl+Alt+V", u"Ctrl+Alt+Y", CTRL_ALT_V, longName);
    EXPECT_EQ(choice.message.size(), size_t(HOTKEY_MESSAGE_MAX));
    EXPECT_EQ(choice.message.substr(0, 10), u"Ctrl+Alt+V");
}

}  // namespace
