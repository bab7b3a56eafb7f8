// Shared pieces of the installer tests: the test archives, environment
// variables set for one test, and the system tar taken away for a while.
#pragma once

#include <windows.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "process_support.h"
#include "system_tar.h"

inline std::filesystem::path test_archive(const char* name) { return std::filesystem::path(ARCHIVE_DIR) / name; }

// Variables set one by one for a test, restored in reverse order.
class ScopedEnvironment {
public:
    void set(const wchar_t* name, const std::wstring& value)
    {
        scopes_.push_back(std::make_unique<ScopedEnv>(name, value));
    }
    ~ScopedEnvironment()
    {
        while (!scopes_.empty())
            scopes_.pop_back();
    }

private:
    std::vector<std::unique_ptr<ScopedEnv>> scopes_;
};

// The system has no tar while this lives.
class NoSystemTar {
public:
    NoSystemTar() : aside_(system_tar_path() + L".aside")
    {
        MoveFileExW(system_tar_path().c_str(), aside_.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    ~NoSystemTar() { MoveFileExW(aside_.c_str(), system_tar_path().c_str(), MOVEFILE_REPLACE_EXISTING); }

private:
    std::wstring aside_;
};

// An installer's error text for comparisons; "" for none.
inline std::wstring error_text(const wchar_t* error) { return error ? error : L""; }
