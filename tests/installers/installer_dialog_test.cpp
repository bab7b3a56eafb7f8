// The installers as a person meets them in the settings dialog of the test
// build, whose downloads come from the loopback HTTPS server: the voice
// status line through a broken, then a good download; "Cài bản dịch" on a
// fresh system; the languages dialog with one language installing and one
// waiting, and a language that a signed manifest brought. Screenshots of
// each stage.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "https_test_server.h"
#include "installer_fixture.h"
#include "mt_catalog.h"
#include "mt_home.h"
#include "mt_models.h"
#include "mt_runtime.h"
#include "screen_png.h"
#include "settings_window.h"
#include "speech_install.h"
#include "temp_folder.h"
#include "update_test_support.h"
#include "utf.h"

namespace ts = test_server;

namespace {

constexpr int VOICE_STATUS = 111, VOICE_INSTALL = 112, TRANSLATE_STATUS = 127, TRANSLATE_INSTALL = 128;
constexpr int LANGUAGES = 132, TOGGLE = 1000, CHECK_NOW = 115;

using miradot::wide_to_utf8;
const wchar_t LANGUAGES_CAPTION[] = L"miraDot – Ngôn ngữ dịch";
bool starts(const std::wstring& text, const wchar_t* prefix) { return text.rfind(prefix, 0) == 0; }

std::wstring window_text(HWND window)
{
    wchar_t text[300];
    int length = GetWindowTextW(window, text, 300);
    return std::wstring(text, length > 0 ? length : 0);
}

// A language's line in the languages dialog: its toggle's text is the
// language's name, then the line.
std::wstring toggle_status(HWND languages, int row)
{
    const std::wstring text = window_text(GetDlgItem(languages, TOGGLE + row));
    const size_t colon = text.find(L": ");
    return colon == std::wstring::npos ? L"" : text.substr(colon + 2);
}

// The colour the screen shows at a point of a window's client area.
COLORREF screen_pixel(HWND window, POINT point)
{
    ClientToScreen(window, &point);
    HDC screen = GetDC(nullptr);
    const COLORREF colour = GetPixel(screen, point.x, point.y);
    ReleaseDC(nullptr, screen);
    return colour;
}

// Opens the languages dialog with button 132; null when it does not appear.
HWND open_languages_dialog(SettingsProgram& program)
{
    program.click(LANGUAGES);
    HWND languages = nullptr;
    // Shown, with its toggles in place, and its first paint done.
    auto placed = [&] {
        languages = FindWindowW(L"#32770", LANGUAGES_CAPTION);
        RECT toggle{};
        return languages && IsWindowVisible(languages) && GetWindowRect(GetDlgItem(languages, TOGGLE), &toggle)
               && toggle.right - toggle.left > 100;
    };
    if (wait_until(placed))
        Sleep(500);
    return languages;
}

class InstallerDialog : public testing::Test {
protected:
    InstallerDialog() : folder(L"installer-dialog"), digests(folder.path() / "digests.txt")
    {
        std::filesystem::create_directories(folder.path() / "local");
        ts::set_rules("{}");
        ts::clear_log();
    }
    ~InstallerDialog() override { ts::set_rules("{}"); }

    Environment environment()
    {
        return {{L"MIRADOT_SETTINGS_KEY", fresh_settings_key(L"installers")},
                {L"LOCALAPPDATA", (folder.path() / "local").wstring()},
                {L"MIRADOT_MT_HOME", (folder.path() / "mt").wstring()},
                {L"MIRADOT_MT_TAG", unique_tag(L"dialog")},
                {L"MIRADOT_DOWNLOAD_TEST_DIGESTS", digests.wstring()},
                {L"MIRADOT_DOWNLOAD_TEST_HOST", L"https://localhost:" + std::wstring(port.begin(), port.end())}};
    }

    void offer_language(const char* code)
    {
        std::ofstream list(digests, std::ios::app);
        ::offer_language(folder, code, list);
    }

    void offer_runtime()
    {
        std::ofstream list(digests, std::ios::app);
        ::offer_runtime(list);
    }

    TempFolder folder;
    std::filesystem::path digests;
    const std::string port = ts::env("MIRADOT_TEST_HTTPS_PORT");
};

TEST_F(InstallerDialog, TheVoiceLineThroughABrokenThenAGoodDownload)
{
    const std::wstring url = speech_model_item().url;
    const std::string path = server_path(url);
    ts::serve_at(path, ts::read_file(test_archive("speech-large.tar.bz2")));
    std::ofstream(digests) << unsized_digest_line(wide_to_utf8(speech_model_item().name),
                                                test_archive("speech-large.tar.bz2"));
    const uint64_t size = std::filesystem::file_size(test_archive("speech-large.tar.bz2"));
    ts::set_rules(R"({"/)" + path + R"(":{"stall_after":)" + std::to_string(size * 2 / 5) + R"(,"stall":6}})");

    SettingsProgram program(environment());
    HWND dialog = program.dialog();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(program.text(VOICE_STATUS), VOICE_NOT_INSTALLED_TEXT);
    EXPECT_TRUE(holds_only_the_log(folder.path() / "local" / "miraDot")) << "nothing made before a download";
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "mt"));
    program.click(VOICE_INSTALL);
    ASSERT_TRUE(wait_until([&] { return starts(program.text(VOICE_STATUS), L"Đang tải… "); }, 20000))
        << wide_to_utf8(program.text(VOICE_STATUS));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, VOICE_INSTALL)));
    EXPECT_TRUE(program.screenshot(L"voice_downloading.png"));
    ASSERT_TRUE(wait_until([&] { return starts(program.text(VOICE_STATUS), L"Lỗi"); }, 30000));
    EXPECT_EQ(program.text(VOICE_STATUS), L"Lỗi: tải không trọn (kiểm tra mạng).");
    EXPECT_TRUE(wait_until([&] { return IsWindowEnabled(GetDlgItem(dialog, VOICE_INSTALL)) != FALSE; }));
    EXPECT_TRUE(holds_only_the_log(folder.path() / "local" / "miraDot")) << "a failed download leaves nothing";
    EXPECT_TRUE(program.screenshot(L"voice_error.png"));

    // Two quick clicks start one download.
    ts::set_rules("{}");
    ts::clear_log();
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(VOICE_INSTALL, BN_CLICKED), 0);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(VOICE_INSTALL, BN_CLICKED), 0);
    ASSERT_TRUE(wait_until([&] { return program.text(VOICE_STATUS) == VOICE_INSTALLED_TEXT; }, 30000))
        << wide_to_utf8(program.text(VOICE_STATUS));
    EXPECT_EQ(ts::log(), "GET /" + path + "\n");
    EXPECT_TRUE(wait_until([&] { return !IsWindowVisible(GetDlgItem(dialog, VOICE_INSTALL)); }));
    EXPECT_TRUE(program.screenshot(L"voice_installed.png"));
}

TEST_F(InstallerDialog, InstallTranslationOnAFreshSystemFetchesSixteenFiles)
{
    offer_runtime();
    offer_language("vi");
    const std::string python = server_path(runtime_packages()[0].url);
    ts::set_rules(R"({"/)" + python + R"(":{"status":503}})");

    SettingsProgram program(environment());
    HWND dialog = program.dialog();
    ASSERT_TRUE(dialog);
    program.click(TRANSLATE_INSTALL);
    ASSERT_TRUE(wait_until([&] { return starts(program.text(TRANSLATE_STATUS), L"Lỗi"); }, 30000));
    EXPECT_EQ(program.text(TRANSLATE_STATUS), L"Lỗi: không tải được (máy chủ từ chối).");
    EXPECT_TRUE(wait_until([&] { return IsWindowEnabled(GetDlgItem(dialog, TRANSLATE_INSTALL)) != FALSE; }));
    EXPECT_TRUE(program.screenshot(L"translation_error.png"));

    ts::set_rules("{}");
    ts::clear_log();
    program.click(TRANSLATE_INSTALL);
    const std::wstring done = L"Đã cài: Anh, Việt. Dịch ngay trên máy, không gửi chữ đi đâu.";
    ASSERT_TRUE(wait_until([&] { return program.text(TRANSLATE_STATUS) == done; }, 60000))
        << wide_to_utf8(program.text(TRANSLATE_STATUS));
    const std::string log = ts::log();
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 16) << log;
    EXPECT_TRUE(wait_until([&] { return !IsWindowVisible(GetDlgItem(dialog, TRANSLATE_INSTALL)); }));
    EXPECT_TRUE(program.screenshot(L"translation_installed.png"));
}

TEST_F(InstallerDialog, LanguagesDialogRunsOneJobAtATime)
{
    folder.write("mt/runtime/ok", std::string(RUNTIME_VERSION) + "\r\n");
    folder.write("mt/en-vi/model.bin", "weights");
    folder.write("mt/vi-en/model.bin", "weights");
    offer_language("zh");
    offer_language("ja");
    const ModelRow& chinese = *find_model(built_in_catalog(), "zh-en");
    const std::string stalled = server_path(model_file_item(chinese, chinese.files.back()).url);
    ts::set_rules(R"({"/)" + stalled + R"(":{"stall_after":300000,"stall":6}})");

    SettingsProgram program(environment());
    HWND dialog = program.dialog();
    ASSERT_TRUE(dialog);
    HWND languages = open_languages_dialog(program);
    ASSERT_TRUE(languages);
    auto status = [&](int row) { return toggle_status(languages, row); };
    auto checked
        = [&](int row) { return SendMessageW(GetDlgItem(languages, TOGGLE + row), BM_GETCHECK, 0, 0) == BST_CHECKED; };
    EXPECT_TRUE(checked(0));
    EXPECT_EQ(status(0), L"Đã cài · 807 MB");
    EXPECT_EQ(status(1), L"khoảng 822 MB");

    click_window(GetDlgItem(languages, TOGGLE + 1));
    ASSERT_TRUE(wait_until([&] { return starts(status(1), L"Đang"); })) << wide_to_utf8(status(1));
    EXPECT_EQ(focused_window(languages), GetDlgItem(languages, TOGGLE + 1)) << "the focus stays where it was";
    click_window(GetDlgItem(languages, TOGGLE + 2));
    // The first job may reach its last file before the second click is taken.
    ASSERT_TRUE(wait_until([&] { return status(2) == L"Đang chờ…"; })) << wide_to_utf8(status(2));
    ASSERT_TRUE(wait_until([&] { return starts(status(1), L"Đang tải 12/12 · "); }, 30000)) << wide_to_utf8(status(1));
    EXPECT_EQ(status(2), L"Đang chờ…");
    EXPECT_TRUE(checked(1) && checked(2));
    EXPECT_TRUE(screenshot_window(languages, L"languages_dialog.png"));

    // The stalled download fails; the waiting job runs after it.
    ASSERT_TRUE(wait_until([&] { return status(2) == L"Đã cài · 814 MB"; }, 60000)) << wide_to_utf8(status(2));
    EXPECT_EQ(status(1), L"Lỗi: tải không trọn (kiểm tra mạng).");
    EXPECT_FALSE(checked(1));
    EXPECT_TRUE(checked(2));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(languages, TOGGLE + 1)));
    EXPECT_TRUE(screenshot_window(languages, L"languages_dialog_done.png"));

    // The window is painted in the palette around its cards.
    EXPECT_TRUE(wait_until([&] { return screen_pixel(languages, {4, 400}) == RGB(0xF4, 0xF6, 0xFB); }, 5000));

    program.key(VK_ESCAPE);
    ASSERT_TRUE(wait_until([&] { return !IsWindow(languages); }));
    // The settings dialog words its line afresh once the languages dialog is gone.
    const std::wstring installed = L"Đã cài: Anh, Việt, Nhật. Dịch ngay trên máy, không gửi chữ đi đâu.";
    EXPECT_TRUE(wait_until([&] { return program.text(TRANSLATE_STATUS) == installed; }))
        << wide_to_utf8(program.text(TRANSLATE_STATUS));
}

TEST_F(InstallerDialog, LanguagesDialogFollowsTheDarkThemeAndScrollsToTheFocusedToggle)
{
    offer_language("is");  // the last row, so that Tab can reach it
    Environment environment = this->environment();
    environment[L"MIRADOT_SETTINGS_THEME"] = L"dark";
    SettingsProgram program(environment);
    ASSERT_TRUE(program.dialog());
    HWND languages = open_languages_dialog(program);
    ASSERT_TRUE(languages);
    // The first paint may still be on its way.
    EXPECT_TRUE(wait_until(
        [&] {
            return screen_pixel(languages, {4, 400}) == RGB(0x0A, 0x0F, 0x1F);
        },
        5000))
        << "the dark window background";
    // The scroll bar beside the client area is in the dark palette too.
    RECT client;
    GetClientRect(languages, &client);
    auto dark = [](COLORREF c) { return GetRValue(c) < 0x60 && GetGValue(c) < 0x60 && GetBValue(c) < 0x80; };
    EXPECT_TRUE(wait_until(
        [&] {
            return dark(screen_pixel(languages, {client.right + 3, client.bottom / 2}));
        },
        5000))
        << std::hex << screen_pixel(languages, {client.right + 3, client.bottom / 2});

    // A language whose files have no published digests is not offered yet:
    // its switch cannot be turned on and nothing is asked of any server.
    HWND chinese = GetDlgItem(languages, TOGGLE + 1);
    EXPECT_EQ(toggle_status(languages, 1), L"Sắp có");
    EXPECT_FALSE(IsWindowEnabled(chinese));
    click_window(chinese);

    // Tab on to the last toggle: the view follows the focus.
    HWND last = GetDlgItem(languages, TOGGLE + LANGUAGE_COUNT - 1);
    ASSERT_TRUE(program.tab_to(last, LANGUAGE_COUNT));
    // Input is taken in order: the click on the closed switch is behind us.
    EXPECT_EQ(SendMessageW(chinese, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(toggle_status(languages, 1), L"Sắp có");
    EXPECT_EQ(ts::log(), "");
    // The focus moves first; the view follows when the toggle hears of it.
    RECT toggle{};
    EXPECT_TRUE(wait_until(
        [&] {
            GetWindowRect(last, &toggle);
            MapWindowPoints(nullptr, languages, reinterpret_cast<POINT*>(&toggle), 2);
            return toggle.top >= client.top && toggle.bottom <= client.bottom;
        },
        3000))
        << toggle.top << ".." << toggle.bottom << " in " << client.top << ".." << client.bottom;
    EXPECT_TRUE(screenshot_window(languages, L"languages_dialog_dark.png"));
    program.key(VK_ESCAPE);
    EXPECT_TRUE(wait_until([&] { return !IsWindow(languages); }));
}

// The update server's signed manifest brings the rows of a language the
// program does not know yet; a manifest whose signature fails brings none.
TEST_F(InstallerDialog, ASignedManifestMakesALanguageInstallable)
{
    folder.write("mt/runtime/ok", std::string(RUNTIME_VERSION) + "\r\n");
    const std::string revision(40, 'd');
    std::string rows;
    for (const std::string model : {"en-de", "de-en"}) {
        rows += (rows.empty() ? "\"" : ",\"") + model + R"(":{"revision":")" + revision + R"(","files":[)";
        for (const std::string name : {"config.json", "model.bin"}) {
            const std::string bytes = "published " + model + "/" + name;
            const std::filesystem::path local = folder.write("published/" + model + "/" + name, bytes);
            ts::serve_at("quickmt/quickmt-" + model + "/resolve/" + revision + "/" + name, bytes);
            char digest[SHA256_HEX_SIZE] = "";
            sha256_file_hex(local.c_str(), digest);
            rows += std::string(name == "model.bin" ? "," : "") + R"({"name":")" + name + R"(","size":)"
                    + std::to_string(bytes.size()) + R"(,"sha256":")" + digest + R"("})";
        }
        rows += "]}";
    }
    const std::string manifest = R"({"version":"0.1.5","files":{"windows":{"url":"https://localhost/s.exe","sha256":")"
                                 + std::string(64, 'a') + R"(","size":1}},"models":{)" + rows + "}}";
    std::string forged = update_test::sign(manifest);
    forged[0] ^= 1;
    ts::serve("latest.json", manifest);
    ts::serve("latest.json.sig", forged);

    Environment environment = this->environment();
    environment[L"MIRADOT_UPDATE_TEST_BASE"] = L"https://localhost:" + std::wstring(port.begin(), port.end()) + L"/";
    SettingsProgram program(environment);
    HWND dialog = program.dialog();
    ASSERT_TRUE(dialog);
    const int german = find_language("de");
    auto check_for_updates = [&] {
        ts::clear_log();
        program.click(CHECK_NOW);
        return wait_until([&] { return ts::log().find("GET /latest.json.sig") != std::string::npos; }, 30000)
               && wait_until([&] { return IsWindowEnabled(GetDlgItem(dialog, CHECK_NOW)) != FALSE; }, 30000);
    };
    auto german_status = [&] {
        HWND languages = open_languages_dialog(program);
        if (!languages)
            return std::wstring(L"<no dialog>");
        const std::wstring status = toggle_status(languages, german);
        const bool enabled = IsWindowEnabled(GetDlgItem(languages, TOGGLE + german));
        program.key(VK_ESCAPE);
        wait_until([&] { return !IsWindow(languages); });
        return status + (enabled ? L"" : L" (off)");
    };
    ASSERT_TRUE(check_for_updates());
    EXPECT_EQ(german_status(), L"Sắp có (off)") << "rows under a forged signature";

    ts::serve("latest.json.sig", update_test::sign(manifest));
    ASSERT_TRUE(check_for_updates());
    HWND languages = open_languages_dialog(program);
    ASSERT_TRUE(languages);
    EXPECT_EQ(toggle_status(languages, german), L"khoảng 725 MB");
    ts::clear_log();
    click_window(GetDlgItem(languages, TOGGLE + german));
    ASSERT_TRUE(
        wait_until([&] { return toggle_status(languages, german) == L"Đã cài · 725 MB"; }, 30000))
        << wide_to_utf8(toggle_status(languages, german));
    const std::string log = ts::log();
    EXPECT_NE(log.find("GET /quickmt/quickmt-de-en/resolve/" + revision + "/model.bin"), std::string::npos) << log;
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "mt" / "de-en" / "model.bin"));
    program.key(VK_ESCAPE);
    ASSERT_TRUE(wait_until([&] { return !IsWindow(languages); }));
}

TEST_F(InstallerDialog, RemovingALanguageAsksFirstAndGivesTheSpaceBack)
{
    folder.write("mt/runtime/ok", std::string(RUNTIME_VERSION) + "\r\n");
    folder.write("mt/en-vi/model.bin", std::string(3000000, 'w'));
    folder.write("mt/vi-en/model.bin", "weights");
    SettingsProgram program(environment());
    ASSERT_TRUE(program.dialog());
    HWND languages = open_languages_dialog(program);
    ASSERT_TRUE(languages);
    // The question carries the dialog's caption. It takes the caption before
    // it places its buttons, and shows once they are in place.
    auto question = [&] {
        for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, L"#32770", LANGUAGES_CAPTION)) != nullptr;)
            if (window != languages && IsWindowVisible(window))
                return window;
        return HWND(nullptr);
    };
    HWND toggle = GetDlgItem(languages, TOGGLE);

    click_window(toggle);
    HWND box = nullptr;
    ASSERT_TRUE(wait_until([&] { return (box = question()) != nullptr; }));
    click_window(GetDlgItem(box, IDCANCEL));
    ASSERT_TRUE(wait_until([&] { return question() == nullptr; }));
    EXPECT_EQ(SendMessageW(toggle, BM_GETCHECK, 0, 0), BST_CHECKED) << "\"Không gỡ\" keeps the language";
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "mt" / "en-vi" / "model.bin"));

    click_window(toggle);
    ASSERT_TRUE(wait_until([&] { return (box = question()) != nullptr; }));
    EXPECT_EQ(window_text(GetDlgItem(box, IDOK)), L"Gỡ");
    EXPECT_EQ(window_text(GetDlgItem(box, IDCANCEL)), L"Không gỡ");
    EXPECT_TRUE(screenshot_window(box, L"confirm_remove.png"));
    click_window(GetDlgItem(box, IDOK));
    ASSERT_TRUE(
        wait_until([&] { return toggle_status(languages, 0) == L"Đã gỡ, lấy lại khoảng 3 MB"; }, 30000))
        << wide_to_utf8(toggle_status(languages, 0));
    EXPECT_EQ(SendMessageW(toggle, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "mt" / "en-vi"));
    program.key(VK_ESCAPE);
    ASSERT_TRUE(wait_until([&] { return !IsWindow(languages); }));
    const std::wstring removed = L"Chưa cài. Tải khoảng 850 MB một lần; sau đó dịch không cần mạng.";
    EXPECT_TRUE(wait_until([&] { return program.text(TRANSLATE_STATUS) == removed; }))
        << wide_to_utf8(program.text(TRANSLATE_STATUS));
}

}  // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    use_font_stand_ins();
    // The system tar the installers run, in this prefix's system folder.
    if (!CopyFileW(L"" TAR_STANDIN, system_tar_path().c_str(), FALSE) || !ts::trust_authority(true)
        || !update_test::load_signing_key())
        return 1;
    GdiplusSession gdiplus;
    const int result = RUN_ALL_TESTS();
    ts::trust_authority(false);
    return result;
}
