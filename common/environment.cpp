#include "environment.h"

#include <cstdlib>
#include <cstring>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

std::optional<std::filesystem::path> env_value(const char* name, size_t limit) {
#ifdef _WIN32
    wchar_t wideName[64];
    MultiByteToWideChar(CP_UTF8, 0, name, -1, wideName, 64);
    wchar_t buffer[260];
    DWORD length = GetEnvironmentVariableW(wideName, buffer, 260);
    if (length == 0 || length >= limit) return std::nullopt;
    return std::filesystem::path(std::wstring(buffer, length));
#else
    const char* value = std::getenv(name);
    if (!value) return std::nullopt;
    size_t length = std::strlen(value);
    if (length == 0 || length >= limit) return std::nullopt;
    return std::filesystem::path(value);
#endif
}

}  // namespace

std::optional<std::filesystem::path> env_path(const char* name) { return env_value(name, 260); }

std::optional<std::filesystem::path> env_base_folder(const char* name) { return env_value(name, 240); }
