#include "settings_launcher.h"

#include "environment.h"
#include "module.h"
#include "settings_store.h"

#include <windows.h>

namespace miradot {

namespace {

constexpr ULONGLONG TRIGGER_INTERVAL_MS = 3600000;
constexpr uint64_t CHECK_INTERVAL_S = 86400;
constexpr uint64_t SPAWN_INTERVAL_S = 3600;
constexpr uint64_t UNIX_EPOCH_IN_FILETIME_S = 11644473600ULL;
constexpr size_t COMMAND_LINE_MAX = 307;
constexpr size_t ENVIRONMENT_VALUE_MAX = 32767;  // any non-empty value switches the trigger off

ULONGLONG g_last_attempt = 0;

uint64_t unix_now()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    uint64_t ticks = (uint64_t(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return ticks / 10000000 - UNIX_EPOCH_IN_FILETIME_S;
}

uint64_t read_stamp(HKEY key, const wchar_t* name)
{
    DWORD type = 0;
    uint64_t value = 0;
    DWORD size = sizeof value;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS
        || type != REG_QWORD || size != sizeof value)
        return 0;
    return value;
}

bool update_check_switched_off()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, resolve_settings_key(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0, value = 1, size = sizeof value;
    bool off = RegQueryValueExW(key, SETTINGS_UPDATE_CHECK, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size)
                   == ERROR_SUCCESS
               && type == REG_DWORD && size == sizeof value && value == 0;
    RegCloseKey(key);
    return off;
}

bool start_program(const std::wstring& program, const wchar_t* arguments, DWORD flags)
{
    std::wstring commandLine;
    if (arguments) {
        commandLine = L"\"" + program + L"\" " + arguments;
        if (commandLine.size() > COMMAND_LINE_MAX)
            return false;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), arguments ? commandLine.data() : nullptr, nullptr, nullptr, FALSE, flags,
                        nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

}  // namespace

bool settings_program_path(std::wstring* program)
{
    wchar_t dll[MAX_PATH];
    DWORD length = GetModuleFileNameW(module_handle(), dll, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    std::wstring folder(dll, length);
    for (int up = 0; up < 2; ++up) {
        size_t cut = folder.find_last_of(L"\\/");
        if (cut == std::wstring::npos)
            return false;
        folder.resize(cut);
    }
    *program = folder + L"\\miraDot-Settings.exe";
    return true;
}

void launch_settings()
{
    std::wstring program;
    if (settings_program_path(&program))
        start_program(program, nullptr, 0);
}

bool update_check_due(uint64_t now, uint64_t last, uint64_t spawn)
{
    bool checkedRecently = last > 0 && last <= now && now - last < CHECK_INTERVAL_S;
    bool spawnedRecently = spawn > 0 && spawn <= now && now - spawn < SPAWN_INTERVAL_S;
    return !checkedRecently && !spawnedRecently;
}

bool process_is_app_container()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    DWORD appContainer = 0, size = 0;
    bool sandboxed = GetTokenInformation(token, TokenIsAppContainer, &appContainer, sizeof appContainer, &size)
                     && appContainer != 0;
    CloseHandle(token);
    return sandboxed;
}

bool start_update_check_if_due(const std::wstring& program, bool appContainer)
{
    if (miradot::environment_value("MIRADOT_NO_UPDATE_CHECK", ENVIRONMENT_VALUE_MAX))
        return false;
    if (appContainer || update_check_switched_off())
        return false;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, update_key_path().c_str(), 0, nullptr, 0,
                        KEY_QUERY_VALUE | KEY_CREATE_SUB_KEY | KEY_SET_VALUE, nullptr, &key, nullptr)
        != ERROR_SUCCESS)
        return false;
    uint64_t now = unix_now();
    bool due = update_check_due(now, read_stamp(key, UPDATE_LAST), read_stamp(key, UPDATE_SPAWN));
    if (due)
        RegSetValueExW(key, UPDATE_SPAWN, 0, REG_QWORD, reinterpret_cast<const BYTE*>(&now), sizeof now);
    RegCloseKey(key);
    return due && start_program(program, L"--check", BELOW_NORMAL_PRIORITY_CLASS | CREATE_NEW_PROCESS_GROUP);
}

void update_check_trigger()
{
    ULONGLONG now = GetTickCount64();
    if (g_last_attempt != 0 && now - g_last_attempt < TRIGGER_INTERVAL_MS)
        return;
    g_last_attempt = now;
    std::wstring program;
    if (settings_program_path(&program))
        start_update_check_if_due(program, process_is_app_container());
}

}  // namespace miradot
