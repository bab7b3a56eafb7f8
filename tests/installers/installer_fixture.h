// Shared pieces of the installer tests: the test archives, environment
// variables set for one test, and the system tar taken away for a while.
#pragma once

#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "system_tar.h"

inline std::filesystem::path test_archive(const char* name) { return std::filesystem::path(ARCHIVE_DIR) / name; }

// Sets variables (an empty value removes one) and restores them afterwards.
class ScopedEnvironment {
public:
    void set(const wchar_t* name, const std::wstring& value) {
        wchar_t old[32768];
        DWORD length = GetEnvironmentVariableW(name, old, 32768);
        saved_.emplace_back(name, length ? std::optional<std::wstring>(std::wstring(old, length)) : std::nullopt);
        SetEnvironmentVariableW(name, value.empty() ? nullptr : value.c_str());
    }
    ~ScopedEnvironment() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
            SetEnvironmentVariableW(it->first.c_str(), it->second ? it->second->c_str() : nullptr);
    }

private:
    std::vector<std::pair<std::wstring, std::optional<std::wstring>>> saved_;
};

// The system has no tar while this lives.
class NoSystemTar {
public:
    NoSystemTar() : aside_(system_tar_path() + L".aside") { MoveFileExW(system_tar_path().c_str(), aside_.c_str(), MOVEFILE_REPLACE_EXISTING); }
    ~NoSystemTar() { MoveFileExW(aside_.c_str(), system_tar_path().c_str(), MOVEFILE_REPLACE_EXISTING); }

private:
    std::wstring aside_;
};

// An installer's error text for comparisons; "" for none.
inline std::wstring error_text(const wchar_t* error) { return error ? error : L""; }
