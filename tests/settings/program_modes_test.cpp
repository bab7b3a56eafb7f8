// The program's modes and its single dialog per settings key, and the close
// rules, driven through the real program.
#include "pipe.h"
#include "settings_window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

namespace {

// What a lost click leaves to look at: the button's text, the cursor, the
// button's place and the focus.
std::string where_the_click_went(SettingsProgram& program, int id)
{
    POINT cursor{};
    GetCursorPos(&cursor);
    const RECT r = program.screen_rect(id);
    HWND button = GetDlgItem(program.dialog(), id);
    return "text " + std::to_string(program.text(id).size()) + " characters, cursor " + std::to_string(cursor.x) + ","
           + std::to_string(cursor.y) + ", button " + std::to_string(r.left) + "," + std::to_string(r.top) + ".."
           + std::to_string(r.right) + "," + std::to_string(r.bottom) + ", focus on it "
           + (focused_window(button) == button ? "yes" : "no");
}

TEST(SettingsDialogInstance, ASecondStartRestoresTheFirstAndExits)
{
    std::wstring key = fresh_settings_key(L"instance");
    SettingsProgram first(Environment{{L"MIRADOT_SETTINGS_KEY", key}});
    HWND dialog = first.dialog();
    ASSERT_TRUE(dialog);
    ShowWindow(dialog, SW_MINIMIZE);
    ASSERT_TRUE(wait_until([&] { return IsIconic(dialog) != FALSE; }, 3000));

    SettingsProgram second(Environment{{L"MIRADOT_SETTINGS_KEY", key}});
    EXPECT_EQ(second.exit_code(), 0u);
    EXPECT_TRUE(wait_until([&] { return !IsIconic(dialog); }, 3000));
    EXPECT_TRUE(IsWindowVisible(dialog));
}

TEST(SettingsDialogInstance, AnotherSettingsKeyGetsItsOwnDialog)
{
    SettingsProgram first(Environment{{L"MIRADOT_SETTINGS_KEY", fresh_settings_key(L"instance-a")}});
    ASSERT_TRUE(first.dialog());
    SettingsProgram second(Environment{{L"MIRADOT_SETTINGS_KEY", fresh_settings_key(L"instance-b")}});
    EXPECT_TRUE(second.dialog());
    EXPECT_NE(first.dialog(), second.dialog());
}

TEST(SettingsDialogClose, EscCancelsACaptureFirstAndClosesSecond)
{
    SettingsProgram program(Environment{{L"MIRADOT_SETTINGS_KEY", fresh_settings_key(L"close")}});
    ASSERT_TRUE(program.dialog());
    auto capturing = [&] { return program.text(129) != L"Ctrl+Alt+V"; };
    program.click(129);
    ASSERT_TRUE(wait_until(capturing, 3000)) << where_the_click_went(program, 129);
    program.key(VK_ESCAPE);
    EXPECT_TRUE(wait_until([&] { return !capturing(); }, 3000));
    EXPECT_FALSE(program.exit_code(500));
    // The close box while capturing also cancels the capture only. A posted
    // message overtakes input still queued, so the capture has to be on first.
    program.click(129);
    ASSERT_TRUE(wait_until(capturing, 3000)) << where_the_click_went(program, 129);
    PostMessageW(program.dialog(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(wait_until([&] { return program.text(129) == L"Ctrl+Alt+V"; }, 3000));
    EXPECT_FALSE(program.exit_code(500));
    program.key(VK_ESCAPE);
    EXPECT_EQ(program.exit_code(), 0u);
}

TEST(SettingsDialogClose, TheCloseButtonEndsTheProgramWithZero)
{
    SettingsProgram program(Environment{{L"MIRADOT_SETTINGS_KEY", fresh_settings_key(L"close-button")}});
    ASSERT_TRUE(program.dialog());
    program.click(IDCANCEL);
    EXPECT_EQ(program.exit_code(), 0u);
}

TEST(TranslationQuitMode, SendsQuitOnTheTranslationPipeAndExits)
{
    SetEnvironmentVariableW(L"MIRADOT_MT_TAG", L"settingstest");
    std::atomic<bool> serving{true};
    std::string received;
    std::thread server([&] {
        PipeServerLimits limits;
        limits.idleLimitMs = 20000;
        limits.connectSliceMs = 200;
        serve_pipe(
            PipeKind::Translation,
            [&](const std::string& request, std::string& reply) {
                received = request;
                reply = "{\"ok\":true}";
                return false;
            },
            [&] { return false; }, limits);
        serving = false;
    });
    std::wstring name;
    EXPECT_TRUE(pipe_name(PipeKind::Translation, name));
    EXPECT_TRUE(wait_until([&] { return WaitNamedPipeW(name.c_str(), 1) != FALSE; }, 10000)) << "the service listens";
    SettingsProgram program(Environment{}, L"--mt-quit");
    EXPECT_EQ(program.exit_code(), 0u);
    server.join();
    EXPECT_EQ(received, "{\"cmd\":\"quit\"}");
    SetEnvironmentVariableW(L"MIRADOT_MT_TAG", nullptr);
}

TEST(TranslationQuitMode, NoServiceIsNotAnError)
{
    SettingsProgram program(Environment{{L"MIRADOT_MT_TAG", L"nobodyhere"}}, L"--mt-quit");
    EXPECT_EQ(program.exit_code(5000), 0u);
}

TEST(ProgramModes, CheckWinsAnywhereInTheArgumentsAndOpensNoDialog)
{
    for (const wchar_t* arguments : {L"--check", L"x --mt-quit --check", L"--checkmate"}) {
        SettingsProgram program(
            Environment{{L"MIRADOT_SETTINGS_KEY", fresh_settings_key(L"modes")}, {L"MIRADOT_NO_UPDATE_CHECK", L"1"}},
            arguments);
        EXPECT_EQ(program.exit_code(), 0u) << arguments;
        EXPECT_EQ(program.dialog(200), nullptr) << arguments;
    }
}

}  // namespace
