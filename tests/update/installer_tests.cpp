// The real installer under Wine, in a prefix of its own: a silent install
// into the 64-bit Program Files folder with its shortcut, icons and version
// information; a newer version installed over the running settings program,
// voice helper and a loaded text service DLL; an older one refused; the
// settings program's own update pressed in its dialog, handing over to the
// installer, which starts the new version; and an uninstall while the
// programs run that leaves only the user's data.
#include "file_digest.h"
#include "pipe.h"
#include "process_support.h"
#include "screen_png.h"
#include "settings_window.h"
#include "update_test_support.h"
#include "utf.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace ts = test_server;
using namespace update_test;
namespace fs = std::filesystem;

namespace {

const wchar_t SETTINGS_KEY[] = L"Software\\miraDot\\InstallerTest";
const wchar_t UNINSTALL_ROOT[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const wchar_t UNINSTALL_KEY[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\miraDot";
const wchar_t CLSID_KEY[] = L"CLSID\\{70FDEC8F-FE33-4D80-984A-F26DB7E72AD2}";
const wchar_t TIP_KEY[] = L"SOFTWARE\\Microsoft\\CTF\\TIP\\{70FDEC8F-FE33-4D80-984A-F26DB7E72AD2}";
const wchar_t PROFILE_KEY[]
    = L"SOFTWARE\\Microsoft\\CTF\\TIP\\{70FDEC8F-FE33-4D80-984A-F26DB7E72AD2}\\LanguageProfile\\"
      L"0x0000042a\\{E582B685-6F11-4BCE-ADBD-A90D41163D6A}";
constexpr int UPDATE_LINE = 114;
constexpr int UPDATE_INSTALL = 116;

// The installer's exit codes (README).
constexpr DWORD EXIT_KEYBOARD = 6;
constexpr DWORD EXIT_OLDER = 7;

fs::path install_dir()
{
    wchar_t path[MAX_PATH];
    ExpandEnvironmentStringsW(L"%ProgramW6432%\\miraDot", path, MAX_PATH);
    return path;
}

fs::path shortcut()
{
    wchar_t path[MAX_PATH];
    ExpandEnvironmentStringsW(L"%ProgramData%\\Microsoft\\Windows\\Start Menu\\Programs\\miraDot.lnk", path, MAX_PATH);
    return path;
}

DWORD run(std::wstring command, DWORD wait_ms = 120000)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return DWORD(-1);
    DWORD code = DWORD(-2);
    if (WaitForSingleObject(process.hProcess, wait_ms) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

std::wstring quoted(const fs::path& path) { return L"\"" + path.wstring() + L"\""; }
std::wstring wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

std::wstring machine_text(HKEY root, const wchar_t* key, const wchar_t* name)
{
    wchar_t text[512] = L"";
    DWORD size = sizeof text;
    if (RegGetValueW(root, key, name, RRF_RT_REG_SZ | RRF_SUBKEY_WOW6464KEY, nullptr, text, &size) != ERROR_SUCCESS)
        return L"(missing)";
    return text;
}

bool key_exists(HKEY root, const wchar_t* path)
{
    HKEY key;
    if (RegOpenKeyExW(root, path, 0, KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// The entries of the list of installed programs that name miraDot.
int miradot_entries()
{
    HKEY root;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, UNINSTALL_ROOT, 0, KEY_READ | KEY_WOW64_64KEY, &root) != ERROR_SUCCESS)
        return -1;
    int count = 0;
    wchar_t name[256];
    DWORD length = 256;
    for (DWORD i = 0; RegEnumKeyExW(root, i, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, length = 256) {
        std::wstring key = std::wstring(UNINSTALL_ROOT) + L"\\" + name;
        if (machine_text(HKEY_LOCAL_MACHINE, key.c_str(), L"DisplayName").find(L"miraDot") != std::wstring::npos)
            ++count;
    }
    RegCloseKey(root);
    return count;
}

// A string of a file's version information, or "(missing)".
std::wstring version_string(const fs::path& file, const wchar_t* name)
{
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
    std::vector<char> data(size);
    void* value = nullptr;
    UINT length = 0;
    std::wstring query = std::wstring(L"\\StringFileInfo\\042a04b0\\") + name;
    if (!size || !GetFileVersionInfoW(file.c_str(), 0, size, data.data())
        || !VerQueryValueW(data.data(), query.c_str(), &value, &length) || !length)
        return L"(missing)";
    return static_cast<const wchar_t*>(value);
}

void expect_installed(const std::string& version)
{
    fs::path dir = install_dir();
    for (const char* file : {"miraDot-Settings.exe", "miraDot-Voice.exe", "uninstall.exe", "tsf/miradot_tsf.dll"})
        EXPECT_TRUE(fs::is_regular_file(dir / file)) << file;
    EXPECT_TRUE(fs::is_directory(dir / "data"));
    EXPECT_FALSE(fs::is_empty(dir / "data"));
    EXPECT_TRUE(fs::is_directory(dir / "voice"));
    EXPECT_EQ(machine_text(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, L"DisplayVersion"), wide(version));
    EXPECT_EQ(machine_text(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, L"QuietUninstallString"),
              quoted(dir / "uninstall.exe") + L" /S");
    EXPECT_EQ(miradot_entries(), 1);
    EXPECT_EQ(machine_text(HKEY_CLASSES_ROOT, (std::wstring(CLSID_KEY) + L"\\InprocServer32").c_str(), nullptr),
              (dir / "tsf" / "miradot_tsf.dll").wstring());
    EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, TIP_KEY));
    EXPECT_TRUE(fs::is_regular_file(shortcut()));
}

// The voice helper installed there, serving its pipe (it answers without a
// speech model too).
std::unique_ptr<Process> start_voice_helper()
{
    auto helper = std::make_unique<Process>(install_dir() / "miraDot-Voice.exe", L"");
    char reply[VOICE_QUIT_REPLY];
    EXPECT_TRUE(wait_until(
        [&] { return pipe_request(PipeKind::Voice, "{\"cmd\":\"ping\"}", reply, sizeof reply, 500); }, 20000))
        << "the voice helper did not answer";
    return helper;
}

// The installed settings program's dialog.
std::unique_ptr<SettingsProgram> start_settings()
{
    SetEnvironmentVariableW(L"MIRADOT_TEST_SETTINGS_PROGRAM", (install_dir() / "miraDot-Settings.exe").c_str());
    auto program = std::make_unique<SettingsProgram>(Environment{{L"MIRADOT_SETTINGS_KEY", SETTINGS_KEY}});
    EXPECT_TRUE(program->dialog()) << "the installed settings program shows no dialog";
    return program;
}

// A settings dialog of another process than not_process.
HWND other_settings_dialog(DWORD not_process, DWORD timeout_ms)
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
        timeout_ms);
    return found;
}

fs::path process_image(HWND window)
{
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    wchar_t path[MAX_PATH] = L"";
    DWORD length = MAX_PATH;
    if (process) {
        QueryFullProcessImageNameW(process, 0, path, &length);
        CloseHandle(process);
    }
    return path;
}

fs::path user_data()
{
    wchar_t appdata[MAX_PATH];
    ExpandEnvironmentStringsW(L"%APPDATA%\\miraDot", appdata, MAX_PATH);
    return appdata;
}

// A silent uninstall while the given programs run: they are asked to quit,
// and nothing of the installation is left but the user's data.
void uninstall_and_expect_only_user_data()
{
    fs::create_directories(user_data());
    ts::write_file(user_data() / "user.tsv", "# learned\n");
    fs::path dir = install_dir();
    ASSERT_EQ(run(quoted(dir / "uninstall.exe") + L" /S"), 0u);
    // The uninstaller continues from a copy of itself in the temporary folder.
    EXPECT_TRUE(wait_until([&] { return !fs::exists(dir) && !key_exists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY); }, 60000))
        << "left in the install folder: "
        << (fs::exists(dir) ? fs::begin(fs::recursive_directory_iterator(dir))->path().string() : "");
    EXPECT_FALSE(key_exists(HKEY_CLASSES_ROOT, CLSID_KEY));
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, TIP_KEY));
    EXPECT_FALSE(fs::exists(shortcut()));
    EXPECT_EQ(miradot_entries(), 0);
    EXPECT_TRUE(fs::exists(user_data() / "user.tsv"));
    fs::remove_all(user_data());
}

class Installer : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(fs::exists(install_dir())) << "an earlier test left an installation";
        RegDeleteTreeW(HKEY_CURRENT_USER, SETTINGS_KEY);
        write_settings_dword(L"UpdateCheck", 0);
        current_ = ts::on_z(ts::env("MIRADOT_TEST_SETUP_CURRENT"));
        newer_ = ts::on_z(ts::env("MIRADOT_TEST_SETUP_NEWER"));
        current_version_ = ts::env("MIRADOT_TEST_SETUP_CURRENT_VERSION");
        newer_version_ = ts::env("MIRADOT_TEST_SETUP_NEWER_VERSION");
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, SETTINGS_KEY); }

    fs::path current_, newer_;
    std::string current_version_, newer_version_;
};

TEST_F(Installer, InstallsOverRunningProgramsRefusesAnOlderOneAndUninstallsWhileTheyRun)
{
    // A first install adds the keyboard to the input list and says when it
    // cannot: Wine has no input list to add it to, so it reports that step
    // alone, with everything else in place.
    ASSERT_EQ(run(quoted(current_) + L" /S"), EXIT_KEYBOARD);
    expect_installed(current_version_);
    fs::path dir = install_dir();
    EXPECT_EQ(machine_text(HKEY_LOCAL_MACHINE, PROFILE_KEY, L"IconFile"), (dir / "tsf" / "miradot_tsf.dll").wstring());
    for (const char* file : {"miraDot-Settings.exe", "miraDot-Voice.exe", "tsf/miradot_tsf.dll"}) {
        EXPECT_EQ(version_string(dir / file, L"ProductVersion"), wide(current_version_)) << file;
        EXPECT_EQ(version_string(dir / file, L"ProductName"), L"miraDot") << file;
        EXPECT_EQ(ExtractIconExW((dir / file).c_str(), -1, nullptr, nullptr, 0), 1u) << file;
    }

    // The newer version goes in over the running settings dialog, the voice
    // helper and a text service DLL loaded by an application: the programs
    // are asked to quit, the DLL moves aside.
    auto settings = start_settings();
    auto voice = start_voice_helper();
    HMODULE loaded = LoadLibraryW((dir / "tsf" / "miradot_tsf.dll").c_str());
    ASSERT_TRUE(loaded);
    EXPECT_EQ(run(quoted(newer_) + L" /S /NOKEYBOARD"), 0u);
    expect_installed(newer_version_);
    EXPECT_EQ(settings->exit_code(1000), 0u);
    EXPECT_EQ(voice->wait(1000), 0);

    // An older version is refused unless asked for, and changes nothing.
    EXPECT_EQ(run(quoted(current_) + L" /S /NOKEYBOARD"), EXIT_OLDER);
    expect_installed(newer_version_);
    FreeLibrary(loaded);

    settings = start_settings();
    voice = start_voice_helper();
    uninstall_and_expect_only_user_data();
    EXPECT_EQ(settings->exit_code(1000), 0u);
    EXPECT_EQ(voice->wait(1000), 0);
}

// "Cập nhật" pressed in the installed settings program (its test build, which
// asks the loopback server) while the voice helper runs: the program starts
// the installer and closes, the installer replaces everything and starts the
// new settings program, which says the update is done.
TEST_F(Installer, TheSettingsProgramsOwnUpdateHandsOverAndTheNewVersionStarts)
{
    ASSERT_EQ(run(quoted(current_) + L" /S /NOKEYBOARD"), 0u);
    fs::path dir = install_dir();
    fs::copy_file(ts::on_z(ts::env("MIRADOT_TEST_SETTINGS_TESTBUILD")), dir / "miraDot-Settings.exe",
                  fs::copy_options::overwrite_existing);

    std::string name = "miraDot-Setup-" + newer_version_ + ".exe";
    fs::copy_file(newer_, ts::root() / name, fs::copy_options::overwrite_existing);
    char digest[SHA256_HEX_SIZE];
    ASSERT_TRUE(sha256_file_hex((ts::root() / name).c_str(), digest));
    std::string manifest = "{\"version\":\"" + newer_version_ + "\",\"notes_vi\":\"Bản thử\",\"files\":{\"windows\":{"
                           + "\"url\":\"" + ts::url(name) + "\",\"sha256\":\"" + digest
                           + "\",\"size\":" + std::to_string(fs::file_size(newer_)) + "}}}\n";
    ts::serve("latest.json", manifest);
    ts::serve("latest.json.sig", sign(manifest));
    write_settings_dword(L"UpdateCheck", 1);
    EXPECT_EQ(run(quoted(dir / "miraDot-Settings.exe") + L" --check", 90000), 0u);
    EXPECT_EQ(update_text(L"Status"), L"new") << update_text(L"Error");
    write_settings_dword(L"UpdateCheck", 0);

    auto voice = start_voice_helper();
    auto settings = start_settings();
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(settings->dialog(), UPDATE_INSTALL)));
    settings->click(UPDATE_INSTALL);
    EXPECT_EQ(settings->exit_code(60000), 0u);
    HWND fresh = other_settings_dialog(settings->process_id(), 120000);
    ASSERT_TRUE(fresh) << "no new settings program after the update";
    EXPECT_TRUE(fs::equivalent(process_image(fresh), dir / "miraDot-Settings.exe"));
    std::wstring line;
    EXPECT_TRUE(wait_until([&] {
        wchar_t text[300] = L"";
        GetDlgItemTextW(fresh, UPDATE_LINE, text, 300);
        line = text;
        return line.rfind(L"Đã cập nhật lên ", 0) == 0;
    })) << miradot::wide_to_utf8(line);
    expect_installed(newer_version_);
    EXPECT_EQ(voice->wait(1000), 0);

    DWORD fresh_process = 0;
    GetWindowThreadProcessId(fresh, &fresh_process);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, fresh_process);
    PostMessageW(fresh, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(WaitForSingleObject(process, 15000), WAIT_OBJECT_0);
    CloseHandle(process);
    uninstall_and_expect_only_user_data();
}

// The visible dialog-class windows with this caption, oldest first as far
// as the system's order tells.
std::vector<HWND> windows_titled(const std::wstring& caption)
{
    struct Search {
        const std::wstring* caption;
        std::vector<HWND> found;
    } search{&caption, {}};
    EnumWindows(
        [](HWND window, LPARAM parameter) {
            auto* s = reinterpret_cast<Search*>(parameter);
            wchar_t text[200] = L"", type[32] = L"";
            GetWindowTextW(window, text, 200);
            GetClassNameW(window, type, 32);
            if (IsWindowVisible(window) && *s->caption == text && std::wstring(type) == L"#32770")
                s->found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The installer's or uninstaller's window, and a message box it shows over it.
HWND wizard(const std::wstring& caption)
{
    HWND found = nullptr;
    wait_until(
        [&] {
            std::vector<HWND> all = windows_titled(caption);
            found = all.size() == 1 ? all.front() : nullptr;
            return found != nullptr;
        },
        30000);
    return found;
}

HWND message_box_over(HWND wizard_window, const std::wstring& caption)
{
    HWND found = nullptr;
    wait_until(
        [&] {
            for (HWND window : windows_titled(caption))
                if (window != wizard_window)
                    found = window;
            return found != nullptr;
        },
        30000);
    if (found)
        Sleep(300);
    return found;
}

// The text of the page the wizard shows now: its texts, buttons and fields,
// joined. (The Modern UI's own Vietnamese texts are written with combining
// marks, so the pages are told by the texts of this installer.)
std::wstring page_text(HWND wizard_window)
{
    std::wstring text;
    EnumChildWindows(
        wizard_window,
        [](HWND child, LPARAM parameter) {
            wchar_t type[32] = L"", line[1024] = L"";
            GetClassNameW(child, type, 32);
            // A field of another process keeps its text to itself unless asked.
            DWORD_PTR ignored = 0;
            SendMessageTimeoutW(child, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(line), SMTO_ABORTIFHUNG, 1000,
                                &ignored);
            if (IsWindowVisible(child)
                && (std::wstring(type) == L"Static" || std::wstring(type) == L"Button"
                    || std::wstring(type) == L"Edit"))
                *reinterpret_cast<std::wstring*>(parameter) += std::wstring(line) + L"\n";
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&text));
    return text;
}

bool page_shows(HWND wizard_window, const wchar_t* words)
{
    return wait_until([&] { return page_text(wizard_window).find(words) != std::wstring::npos; }, 60000);
}

void press(HWND window, int id)
{
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

// A person installs and removes miraDot with the wizards: every page speaks
// Vietnamese, the finish page tells the next step and its box opens the
// settings, the keyboard step that Wine cannot do is told in words, and the
// uninstaller asks whether the user's data goes too.
TEST_F(Installer, TheWizardsSpeakVietnameseAndLeaveTheUserSomewhere)
{
    fs::create_directories(user_data());
    ts::write_file(user_data() / "user.tsv", "# learned\n");
    Process setup(current_, L"");
    const std::wstring caption = L"Cài đặt miraDot " + wide(current_version_);
    HWND window = wizard(caption);
    ASSERT_TRUE(window);
    EXPECT_TRUE(page_shows(window, L"miraDot là bộ gõ tiếng Việt")) << miradot::wide_to_utf8(page_text(window));
    EXPECT_TRUE(screenshot_window(window, L"installer_welcome.png"));
    press(window, IDOK);
    EXPECT_TRUE(page_shows(window, L"Program Files\\miraDot")) << miradot::wide_to_utf8(page_text(window));
    EXPECT_TRUE(screenshot_window(window, L"installer_folder.png"));
    press(window, IDOK);
    HWND box = message_box_over(window, caption);
    ASSERT_TRUE(box);
    EXPECT_TRUE(screenshot_window(box, L"installer_keyboard_message.png"));
    press(box, IDOK);
    EXPECT_TRUE(page_shows(window, L"Win+Space")) << miradot::wide_to_utf8(page_text(window));
    EXPECT_NE(page_text(window).find(L"Mở Cài đặt miraDot"), std::wstring::npos);
    EXPECT_TRUE(screenshot_window(window, L"installer_finish.png"));
    press(window, IDOK);
    EXPECT_EQ(setup.wait(30000), int(EXIT_KEYBOARD));
    expect_installed(current_version_);
    HWND opened = other_settings_dialog(0, 30000);
    ASSERT_TRUE(opened) << "the finish page's box did not open the settings";
    EXPECT_TRUE(fs::equivalent(process_image(opened), install_dir() / "miraDot-Settings.exe"));

    Process uninstall(install_dir() / "uninstall.exe", L"");
    window = wizard(L"Gỡ miraDot");
    ASSERT_TRUE(window);
    EXPECT_TRUE(page_shows(window, L"được giữ lại")) << miradot::wide_to_utf8(page_text(window));
    EXPECT_TRUE(screenshot_window(window, L"uninstaller_welcome.png"));
    press(window, IDOK);
    EXPECT_TRUE(page_shows(window, L"Program Files\\miraDot")) << miradot::wide_to_utf8(page_text(window));
    EXPECT_TRUE(screenshot_window(window, L"uninstaller_confirm.png"));
    press(window, IDOK);
    box = message_box_over(window, L"Gỡ miraDot");
    ASSERT_TRUE(box);
    EXPECT_TRUE(screenshot_window(box, L"uninstaller_data_question.png"));
    press(box, IDYES);
    EXPECT_TRUE(page_shows(window, L"miraDot đã được gỡ khỏi máy.")) << miradot::wide_to_utf8(page_text(window));
    EXPECT_TRUE(screenshot_window(window, L"uninstaller_finish.png"));
    press(window, IDOK);
    EXPECT_TRUE(wait_until([] { return !fs::exists(install_dir()); }, 60000));
    EXPECT_FALSE(fs::exists(user_data()));
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, L"Software\\miraDot"));
    EXPECT_EQ(miradot_entries(), 0);
}

}  // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    SetEnvironmentVariableW(L"MIRADOT_SETTINGS_KEY", SETTINGS_KEY);
    SetEnvironmentVariableW(L"MIRADOT_VOICE_TAG", unique_tag(L"installer").c_str());
    SetEnvironmentVariableA("MIRADOT_UPDATE_TEST_BASE", ts::url("").c_str());
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    use_font_stand_ins();
    if (!load_signing_key() || !ts::trust_authority(true))
        return 1;
    GdiplusSession gdiplus;
    int status = RUN_ALL_TESTS();
    ts::trust_authority(false);
    RegDeleteTreeW(HKEY_CURRENT_USER, SETTINGS_KEY);
    return status;
}
