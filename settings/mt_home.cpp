#include "mt_home.h"

#include <windows.h>

#include <cstring>

#include "file_tree.h"

namespace {

// The value of an environment variable of 1 to 219 characters.
bool env_folder(const wchar_t* name, std::wstring& value) {
    wchar_t buffer[260];
    DWORD length = GetEnvironmentVariableW(name, buffer, 260);
    if (length == 0 || length > 219) return false;
    value.assign(buffer, length);
    return true;
}

}  // namespace

bool mt_home_path(std::wstring& home) {
    if (env_folder(L"MIRADOT_MT_HOME", home)) return make_folder(home);
    if (!env_folder(L"LOCALAPPDATA", home)) return false;
    home += L"\\miraDot";
    if (!make_folder(home)) return false;
    home += L"\\mt";
    return make_folder(home);
}

uint64_t free_space_bytes() {
    std::wstring home;
    if (!mt_home_path(home)) return 0;
    ULARGE_INTEGER available;
    if (!GetDiskFreeSpaceExW((home + L"\\").c_str(), &available, nullptr, nullptr)) return 0;
    return available.QuadPart;
}

bool is_runtime_installed() {
    std::wstring home;
    if (!mt_home_path(home)) return false;
    HANDLE file = CreateFileW((home + L"\\runtime\\ok").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    char content[160];
    DWORD read = 0;
    bool ok = ReadFile(file, content, sizeof content - 1, &read, nullptr);
    CloseHandle(file);
    const size_t length = sizeof RUNTIME_VERSION - 1;
    return ok && read >= length && !memcmp(content, RUNTIME_VERSION, length);
}

