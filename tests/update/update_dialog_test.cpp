// The dialog's update controls as a person meets them: a stored offer shows
// its line and enables "Cập nhật"; pressing it downloads the installer from
// the loopback HTTPS server, checks it and starts it; the dialog closes so
// that the installer can replace its program, and the installer starts a
// fresh instance, which tells how the install went.
#include "file_digest.h"
#include "https_test_server.h"
#include "screen_png.h"
#include "settings_window.h"
#include "update_install.h"
#include "utf.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace ts = test_server;
namespace fs = std::filesystem;

namespace {

constexpr int UPDATE_LINE = 114;
constexpr int UPDATE_INSTALL = 116;

HWND other_settings_dialog(DWORD not_process)
{
    HWND found = nullptr;
    wait_until(
        [&] {
            HWND window = FindWindowW(L"#32770", L"Cài đặt miraDot");
            DWORD process = 0;
            if (window)
                GetWindowThreadProcessId(window, &process);
            found = window && process != not_process ? window : nullptr;
            return found != nullptr;
        },
        30000);
    return found;
}

// The update line of a dialog of another process, once it has one.
std::wstring dialog_line(HWND dialog)
{
    wchar_t line[300] = L"";
    GetDlgItemTextW(dialog, UPDATE_LINE, line, 300);
    return line;
}

TEST(UpdateDialog, OfferedUpdateHandsOverToTheInstallerAndAFreshInstanceTellsTheResult)
{
    struct Case {
        const wchar_t* exit_code;
        int code;
        bool screenshot;
    } cases[] = {{L"0", 0, true}, {L"3", 3, false}};
    for (const Case& c : cases) {
        std::wstring key = fresh_settings_key(L"UpdateDialog");
        std::wstring update = key + L"\\Update";
        ts::serve("miraDot-Setup-0.2.0.exe", ts::read_file(ts::on_z(ts::env("MIRADOT_TEST_INSTALLER_PROGRAM"))));
        char digest[SHA256_HEX_SIZE];
        ASSERT_TRUE(sha256_file_hex((ts::root() / "miraDot-Setup-0.2.0.exe").c_str(), digest));
        std::string url = ts::url("miraDot-Setup-0.2.0.exe");
        unsigned long long size = fs::file_size(ts::root() / "miraDot-Setup-0.2.0.exe");
        unsigned long long last = 1;
        write_text(update, L"Status", L"new");
        write_text(update, L"Latest", L"0.2.0");
        write_text(update, L"Notes", L"Gõ nhanh hơn.");
        write_text(update, L"Url", std::wstring(url.begin(), url.end()));
        write_text(update, L"Sha256", std::wstring(digest, digest + 64));
        write_raw(update, L"Size", REG_QWORD, &size, sizeof size);
        write_raw(update, L"Last", REG_QWORD, &last, sizeof last);
        fs::path installer_log = fs::temp_directory_path() / "miradot-dialog-installer.log";
        fs::remove(installer_log);

        SettingsProgram program({{L"MIRADOT_SETTINGS_KEY", key},
                                 {L"MIRADOT_TEST_INSTALLER_LOG", installer_log.wstring()},
                                 {L"MIRADOT_TEST_INSTALLER_EXIT", c.exit_code},
                                 {L"MIRADOT_TEST_INSTALLER_SETTINGS", settings_program()}});
        HWND dialog = program.dialog();
        ASSERT_TRUE(dialog);
        EXPECT_EQ(program.text(UPDATE_LINE), L"Có bản mới 0.2.0. Gõ nhanh hơn.");
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, UPDATE_INSTALL)));
        if (c.screenshot)
            EXPECT_TRUE(program.screenshot(L"update_offer.png"));

        program.click(UPDATE_INSTALL);
        // The installing instance ends as soon as the installer has started.
        EXPECT_EQ(program.exit_code(60000), 0u);
        HWND fresh = other_settings_dialog(program.process_id());
        ASSERT_TRUE(fresh);
        EXPECT_EQ(ts::read_file(installer_log), "/S /NOKEYBOARD /RUNSETTINGS");
        EXPECT_TRUE(wait_until([&] { return dialog_line(fresh) == installer_result_text(c.code); }))
            << miradot::wide_to_utf8(dialog_line(fresh));
        DWORD fresh_process = 0;
        GetWindowThreadProcessId(fresh, &fresh_process);
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, fresh_process);
        PostMessageW(fresh, WM_COMMAND, IDCANCEL, 0);
        EXPECT_EQ(WaitForSingleObject(process, 15000), WAIT_OBJECT_0);
        CloseHandle(process);
        // Nothing of the download is left once the installer has ended.
        EXPECT_TRUE(wait_until([] {
            remove_update_leftovers();
            for (const auto& entry : fs::directory_iterator(fs::temp_directory_path()))
                if (entry.path().filename().wstring().rfind(L"miraDot-update-", 0) == 0)
                    return false;
            return true;
        }));
        fs::remove(installer_log);
        delete_key(key);
    }
}

// A check that failed: the line says what failed in the user's words, with
// the detail below, in the error colour.
TEST(UpdateDialog, AFailedCheckSaysWhatFailedInTheErrorColour)
{
    std::wstring key = fresh_settings_key(L"UpdateFailed");
    std::wstring update = key + L"\\Update";
    unsigned long long failed = 1;
    write_text(update, L"Status", L"error");
    write_text(update, L"Error", L"connect failed (12029)");
    write_raw(update, L"Failed", REG_QWORD, &failed, sizeof failed);
    SettingsProgram program({{L"MIRADOT_SETTINGS_KEY", key}});
    HWND dialog = program.dialog();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(program.text(UPDATE_LINE),
              L"Không kết nối được máy chủ cập nhật.\nChi tiết: không mở được kết nối (mã 12029).");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, UPDATE_INSTALL)));
    RECT line;
    GetWindowRect(GetDlgItem(dialog, UPDATE_LINE), &line);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&line), 2);
    bool error_colour = false;
    for (int y = line.top; y < line.top + (line.bottom - line.top) / 2 && !error_colour; ++y)
        for (int x = line.left; x < line.right && !error_colour; ++x) {
            const COLORREF c = program.client_pixel(x, y);
            error_colour = GetRValue(c) > 0x90 && GetGValue(c) < 0x60 && GetBValue(c) < 0x80;
        }
    EXPECT_TRUE(error_colour) << "the light palette's error red";
    EXPECT_TRUE(program.screenshot(L"update_check_failed.png"));
    delete_key(key);
}

}  // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    use_font_stand_ins();
    if (!ts::trust_authority(true))
        return 1;
    GdiplusSession gdiplus;
    int result = RUN_ALL_TESTS();
    ts::trust_authority(false);
    return result;
}
