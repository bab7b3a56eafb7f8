// The real installer under Wine: a silent install into the 64-bit Program
// Files folder, the settings program started from there, an update found by
// the test build's settings program on the loopback HTTPS server, downloaded,
// verified and installed over a loaded text service DLL by the update worker,
// and a silent uninstall that leaves only the user's learned data.
#include "file_digest.h"
#include "update_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace ts = test_server;
using namespace update_test;
namespace fs = std::filesystem;

namespace {

const wchar_t SETTINGS_KEY[] = L"Software\\miraDot\\InstallerTest";
const wchar_t UNINSTALL_KEY[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\miraDot";
const wchar_t CLSID_KEY[] = L"CLSID\\{70FDEC8F-FE33-4D80-984A-F26DB7E72AD2}";
const wchar_t TIP_KEY[] = L"SOFTWARE\\Microsoft\\CTF\\TIP\\{70FDEC8F-FE33-4D80-984A-F26DB7E72AD2}";

fs::path install_dir()
{
    wchar_t path[MAX_PATH];
    ExpandEnvironmentStringsW(L"%ProgramW6432%\\miraDot", path, MAX_PATH);
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

// Runs the update worker to its end; its final message's kind and text.
std::pair<WPARAM, std::wstring> install_offered_update()
{
    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    InstallReport report = run_update_install(window);
    DestroyWindow(window);
    return {report.kind, report.text};
}

void expect_installed(const std::string& version)
{
    fs::path dir = install_dir();
    for (const char* file : {"miraDot-Settings.exe", "miraDot-Voice.exe", "uninstall.exe", "tsf/miradot_tsf.dll"})
        EXPECT_TRUE(fs::is_regular_file(dir / file)) << file;
    EXPECT_TRUE(fs::is_directory(dir / "data"));
    EXPECT_FALSE(fs::is_empty(dir / "data"));
    EXPECT_TRUE(fs::is_directory(dir / "voice"));
    EXPECT_EQ(machine_text(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, L"DisplayVersion"),
              std::wstring(version.begin(), version.end()));
    EXPECT_EQ(machine_text(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, L"QuietUninstallString"),
              quoted(dir / "uninstall.exe") + L" /S");
    EXPECT_EQ(machine_text(HKEY_CLASSES_ROOT, (std::wstring(CLSID_KEY) + L"\\InprocServer32").c_str(), nullptr),
              (dir / "tsf" / "miradot_tsf.dll").wstring());
    EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, TIP_KEY));
}

TEST(Installer, InstallsUpdatesOverALoadedDllAndUninstalls)
{
    fs::path dir = install_dir();
    ASSERT_FALSE(fs::exists(dir)) << "an earlier run left an installation";
    fs::path current = ts::on_z(ts::env("MIRADOT_TEST_SETUP_CURRENT"));
    fs::path newer = ts::on_z(ts::env("MIRADOT_TEST_SETUP_NEWER"));
    std::string newer_version = ts::env("MIRADOT_TEST_SETUP_NEWER_VERSION");

    // A fresh silent install.
    ASSERT_EQ(run(quoted(current) + L" /S"), 0u);
    expect_installed(ts::env("MIRADOT_TEST_SETUP_CURRENT_VERSION"));

    // The installed settings program runs (its notifier, with checking off).
    write_settings_dword(L"UpdateCheck", 0);
    EXPECT_EQ(run(quoted(dir / "miraDot-Settings.exe") + L" --check", 30000), 0u);

    // The test build's notifier finds the newer installer on the server.
    write_settings_dword(L"UpdateCheck", 1);
    std::string name = "miraDot-Setup-" + newer_version + ".exe";
    fs::copy_file(newer, ts::root() / name, fs::copy_options::overwrite_existing);
    char digest[SHA256_HEX_SIZE];
    ASSERT_TRUE(sha256_file_hex((ts::root() / name).c_str(), digest));
    std::string manifest = "{\"version\":\"" + newer_version + "\",\"notes_vi\":\"Bản thử\",\"files\":{\"windows\":{"
                           + "\"url\":\"" + ts::url(name) + "\",\"sha256\":\"" + digest
                           + "\",\"size\":" + std::to_string(fs::file_size(newer)) + "}}}\n";
    ts::serve("latest.json", manifest);
    ts::serve("latest.json.sig", sign(manifest));
    fs::path test_build = ts::on_z(ts::env("MIRADOT_TEST_SETTINGS_TESTBUILD"));
    EXPECT_EQ(run(quoted(test_build) + L" --check", 90000), 0u);
    EXPECT_EQ(update_text(L"Status"), L"new") << update_text(L"Error");
    EXPECT_EQ(update_text(L"Announced"), std::wstring(newer_version.begin(), newer_version.end()));

    // With the installed DLL loaded here, the worker downloads, verifies and
    // runs the newer installer.
    HMODULE loaded = LoadLibraryW((dir / "tsf" / "miradot_tsf.dll").c_str());
    ASSERT_TRUE(loaded);
    auto [kind, text] = install_offered_update();
    EXPECT_EQ(kind, UPDATE_INSTALLED) << std::string(text.begin(), text.end());
    expect_installed(newer_version);
    FreeLibrary(loaded);

    // Learned data survives the uninstall; everything the installer made goes.
    wchar_t appdata[MAX_PATH];
    ExpandEnvironmentStringsW(L"%APPDATA%\\miraDot", appdata, MAX_PATH);
    fs::create_directories(appdata);
    ts::write_file(fs::path(appdata) / "user.tsv", "# learned\n");
    ASSERT_EQ(run(quoted(dir / "uninstall.exe") + L" /S"), 0u);
    // The uninstaller continues from a copy of itself in the temporary folder.
    for (int i = 0; i < 600 && (fs::exists(dir) || key_exists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY)); ++i)
        Sleep(100);
    EXPECT_FALSE(fs::exists(dir));
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
    EXPECT_FALSE(key_exists(HKEY_CLASSES_ROOT, CLSID_KEY));
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, TIP_KEY));
    EXPECT_TRUE(fs::exists(fs::path(appdata) / "user.tsv"));
    fs::remove_all(appdata);
}

}  // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    SetEnvironmentVariableW(L"MIRADOT_SETTINGS_KEY", SETTINGS_KEY);
    SetEnvironmentVariableA("MIRADOT_UPDATE_TEST_BASE", ts::url("").c_str());
    if (!load_signing_key() || !ts::trust_authority(true))
        return 1;
    int status = RUN_ALL_TESTS();
    ts::trust_authority(false);
    RegDeleteTreeW(HKEY_CURRENT_USER, SETTINGS_KEY);
    return status;
}
