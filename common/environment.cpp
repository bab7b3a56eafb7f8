#include "environment.h"

#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

namespace miradot {

namespace {

constexpr size_t MAX_PATH_LENGTH = 259;
constexpr size_t MAX_BASE_FOLDER_LENGTH = 239;

}  // namespace

std::optional<std::filesystem::path::string_type> environment_value(const char* name, size_t max_length)
{
#ifdef _WIN32
    std::wstring wide_name(name, name + std::strlen(name));  // names are ASCII
    std::wstring value(max_length + 1, L'\0');
    DWORD length = GetEnvironmentVariableW(wide_name.c_str(), value.data(), static_cast<DWORD>(value.size()));
    // A value that does not fit reports the size it needs, terminator included.
    if (length == 0 || length > max_length)
        return std::nullopt;
    value.resize(length);
    return value;
#else
    const char* value = std::getenv(name);
    if (!value)
        return std::nullopt;
    size_t length = std::strlen(value);
    if (length == 0 || length > max_length)
        return std::nullopt;
    return std::string(value, length);
#endif
}

std::optional<std::filesystem::path> env_path(const char* name)
{
    auto value = environment_value(name, MAX_PATH_LENGTH);
    if (!value)
        return std::nullopt;
    return std::filesystem::path(*value);
}

std::optional<std::filesystem::path> env_base_folder(const char* name)
{
    auto value = environment_value(name, MAX_BASE_FOLDER_LENGTH);
    if (!value)
        return std::nullopt;
    return std::filesystem::path(*value);
}

}  // namespace miradot
