// Recording the two feature hotkeys by clicking their buttons and pressing
// keys: what is written, what is refused with which message, and how long
// the message stays.
#include "settings_window.h"

#include <gtest/gtest.h>

#include "case_name.h"

namespace {

constexpr int VOICE = 129, TRANSLATE = 130, VOICE_STATUS = 111, TRANSLATE_STATUS = 127;
const std::wstring PROMPT = L"Bấm tổ hợp mới… (Esc: huỷ, ⌫: mặc định)";

struct CaptureCase {
    const char* name;
    int button;
    std::optional<std::wstring> voiceBefore;  // "HotkeyVoice" stored beforehand
    std::vector<WORD> keys;
    std::optional<std::wstring> written;  // the button's value afterwards
    std::wstring message;                 // the status line's warning, or ""
};

const CaptureCase CASES[] = {
    {"voice takes Ctrl+Alt+K", VOICE, std::nullopt, {VK_CONTROL, VK_MENU, 'K'}, L"Ctrl+Alt+K", L""},
    {"translation takes Alt+Shift+F5", TRANSLATE, std::nullopt, {VK_MENU, VK_SHIFT, VK_F5}, L"Alt+Shift+F5", L""},
    {"Backspace restores the default", VOICE, L"Ctrl+Alt+K", {VK_BACK}, L"Ctrl+Alt+V", L""},
    {"Esc keeps the old hotkey", VOICE, L"Ctrl+Alt+K", {VK_ESCAPE}, L"Ctrl+Alt+K", L""},
    {"translation may not take the voice hotkey",
     TRANSLATE,
     std::nullopt,
     {VK_CONTROL, VK_MENU, 'V'},
     std::nullopt,
     L"⚠ Ctrl+Alt+V đang dùng cho «Nói thành chữ»."},
    {"voice may not take the translation hotkey",
     VOICE,
     std::nullopt,
     {VK_CONTROL, VK_MENU, 'Y'},
     std::nullopt,
     L"⚠ Ctrl+Alt+Y đang dùng cho «Dịch»."},
    {"Win with Backspace is validated, not a reset",
     VOICE,
     L"Ctrl+Alt+K",
     {VK_LWIN, VK_BACK},
     L"Ctrl+Alt+K",
     L"⚠ Windows giữ phím Win cho chính nó; hãy dùng Ctrl hoặc Alt."},
    {"Alt+F4 is a Windows key and does not close",
     VOICE,
     std::nullopt,
     {VK_MENU, VK_F4},
     std::nullopt,
     L"⚠ Alt+F4 là phím của Windows (đóng cửa sổ)."},
    {"Ctrl+Shift+Space is the language switch",
     TRANSLATE,
     std::nullopt,
     {VK_CONTROL, VK_SHIFT, VK_SPACE},
     std::nullopt,
     L"⚠ Ctrl+Shift+Space đang dùng cho «Bật / tắt tiếng Việt»."},
    {"Shift alone is not enough",
     VOICE,
     std::nullopt,
     {VK_SHIFT, 'Y'},
     std::nullopt,
     L"⚠ Cần có Ctrl hoặc Alt, để không chặn phím gõ thường."},
    {"a key without a name is refused",
     VOICE,
     std::nullopt,
     {VK_CONTROL, VK_MENU, VK_OEM_1},
     std::nullopt,
     L"⚠ Phím này không dùng làm phím tắt được."},
    {"Ctrl+Alt+Tab is a Windows key",
     TRANSLATE,
     std::nullopt,
     {VK_CONTROL, VK_MENU, VK_TAB},
     std::nullopt,
     L"⚠ Ctrl+Alt+Tab là phím của Windows (đổi cửa sổ)."},
};

class HotkeyCapture : public testing::TestWithParam<CaptureCase> {};

TEST_P(HotkeyCapture, WritesOnlyAcceptedCombinations)
{
    const CaptureCase& c = GetParam();
    std::wstring key = fresh_settings_key(L"capture");
    if (c.voiceBefore)
        write_text(key, L"HotkeyVoice", *c.voiceBefore);
    const wchar_t* value = c.button == VOICE ? L"HotkeyVoice" : L"HotkeyTranslate";
    std::optional<std::wstring> before = read_text(key, value);
    SettingsProgram program(Environment{{L"MIRADOT_SETTINGS_KEY", key}});
    ASSERT_TRUE(program.dialog());
    std::wstring shown = program.text(c.button);
    program.click(c.button);
    ASSERT_TRUE(wait_until([&] { return program.text(c.button) == PROMPT; }, 3000));
    program.chord(c.keys);

    int status = c.button == VOICE ? VOICE_STATUS : TRANSLATE_STATUS;
    // The value is written before the button shows it, and the warning
    // before the button gives the prompt up.
    if (c.written) {
        EXPECT_TRUE(wait_until([&] { return program.text(c.button) == *c.written; }, 3000)) << c.name;
        EXPECT_EQ(read_text(key, value), c.written);
    } else {
        EXPECT_TRUE(wait_until([&] { return program.text(c.button) == shown; }, 3000)) << c.name;
        EXPECT_EQ(read_text(key, value), before);
    }
    EXPECT_EQ(program.text(status).rfind(L"⚠", 0) == 0 ? program.text(status) : L"", c.message);
    EXPECT_TRUE(IsWindow(program.dialog()));
}

INSTANTIATE_TEST_SUITE_P(Keys, HotkeyCapture, testing::ValuesIn(CASES),
                         [](const auto& info) { return case_name(std::string_view(info.param.name)); });

TEST(HotkeyCaptureFlow, ModifiersAloneKeepWaitingAndTheWarningLastsFiveSeconds)
{
    std::wstring key = fresh_settings_key(L"capture-flow");
    SettingsProgram program(Environment{{L"MIRADOT_SETTINGS_KEY", key}, {L"MIRADOT_SETTINGS_SHOT", L"1"}});
    ASSERT_TRUE(program.dialog());
    std::wstring status = program.text(TRANSLATE_STATUS);
    program.click(TRANSLATE);
    ASSERT_TRUE(wait_until([&] { return program.text(TRANSLATE) == PROMPT; }, 3000));
    program.chord({VK_CONTROL, VK_MENU});
    program.chord({VK_SHIFT});
    EXPECT_EQ(program.text(TRANSLATE), PROMPT);
    EXPECT_TRUE(program.screenshot(L"hotkey_capture.png"));

    // The warning's time is taken while the keys are still held: releasing
    // them takes long on a loaded machine, and the warning runs meanwhile.
    program.press({VK_CONTROL, VK_MENU, 'V'});
    ASSERT_TRUE(wait_until([&] { return program.text(TRANSLATE_STATUS).rfind(L"⚠", 0) == 0; }, 3000));
    DWORD shownAt = GetTickCount();
    program.release({VK_CONTROL, VK_MENU, 'V'});
    EXPECT_TRUE(program.screenshot(L"hotkey_conflict.png"));
    EXPECT_FALSE(read_text(key, L"HotkeyTranslate"));
    ASSERT_TRUE(wait_until([&] { return program.text(TRANSLATE_STATUS) == status; }, 8000));
    DWORD lasted = GetTickCount() - shownAt;
    EXPECT_GE(lasted, 4000u);
    EXPECT_LE(lasted, 6500u);
}

TEST(HotkeyCaptureFlow, ClickingTheOtherButtonMovesTheCapture)
{
    std::wstring key = fresh_settings_key(L"capture-switch");
    SettingsProgram program(Environment{{L"MIRADOT_SETTINGS_KEY", key}});
    ASSERT_TRUE(program.dialog());
    program.click(VOICE);
    EXPECT_TRUE(wait_until([&] { return program.text(VOICE) == PROMPT; }, 3000));
    program.click(TRANSLATE);
    EXPECT_TRUE(wait_until([&] { return program.text(TRANSLATE) == PROMPT; }, 3000));
    EXPECT_EQ(program.text(VOICE), L"Ctrl+Alt+V");
    program.chord({VK_CONTROL, VK_MENU, 'T'});
    EXPECT_TRUE(wait_until([&] { return read_text(key, L"HotkeyTranslate") == L"Ctrl+Alt+T"; }, 3000));
    EXPECT_FALSE(read_text(key, L"HotkeyVoice"));
}

struct ShownCase {
    const char* name;
    std::optional<std::wstring> voice, translate;
    std::wstring voiceShown, translateShown;
};

const ShownCase SHOWN[] = {
    {"defaults", std::nullopt, std::nullopt, L"Ctrl+Alt+V", L"Ctrl+Alt+Y"},
    {"stored texts in the notation's order", L"alt+ctrl+k", L"Control+Alt+y", L"Ctrl+Alt+K", L"Ctrl+Alt+Y"},
    {"voice taking the translation hotkey", L"Ctrl+Alt+Y", std::nullopt, L"Ctrl+Alt+Y", L"(chưa có)"},
    {"refused texts fall back", L"Win+L", L"Shift+Y", L"Ctrl+Alt+V", L"Ctrl+Alt+Y"},
    {"texts that do not parse fall back", L"Ctrl+Ctrl+Y", L"Ctrl+Alt+Delete", L"Ctrl+Alt+V", L"Ctrl+Alt+Y"},
};

class HotkeyShown : public testing::TestWithParam<ShownCase> {};

TEST_P(HotkeyShown, AsTheTextServiceAcceptsThem)
{
    std::wstring key = fresh_settings_key(L"hotkey-shown");
    if (GetParam().voice)
        write_text(key, L"HotkeyVoice", *GetParam().voice);
    if (GetParam().translate)
        write_text(key, L"HotkeyTranslate", *GetParam().translate);
    SettingsProgram program(Environment{{L"MIRADOT_SETTINGS_KEY", key}});
    ASSERT_TRUE(program.dialog());
    EXPECT_EQ(program.text(VOICE), GetParam().voiceShown);
    EXPECT_EQ(program.text(TRANSLATE), GetParam().translateShown);
}

INSTANTIATE_TEST_SUITE_P(Stored, HotkeyShown, testing::ValuesIn(SHOWN),
                         [](const auto& info) { return case_name(std::string_view(info.param.name)); });

}  // namespace
