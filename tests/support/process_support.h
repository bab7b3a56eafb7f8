// Starting and watching the programs under test from a Windows test.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

// The folder of the running test program, where the other test programs are.
inline std::filesystem::path test_bin_dir()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::filesystem::path(path).parent_path();
}

// Sets environment variables for the lifetime of the object (and for the
// processes started meanwhile); an empty value removes the variable.
class ScopedEnv {
public:
    ScopedEnv(const std::wstring& name, const std::wstring& value) : ScopedEnv(Values{{name, value}}) {}
    using Values = std::vector<std::pair<std::wstring, std::wstring>>;
    explicit ScopedEnv(const Values& values)
    {
        for (auto& [name, value] : values) {
            wchar_t old[1024];
            DWORD length = GetEnvironmentVariableW(name.c_str(), old, 1024);
            saved_.push_back({name, length ? std::wstring(old, length) : std::wstring()});
            SetEnvironmentVariableW(name.c_str(), value.empty() ? nullptr : value.c_str());
        }
    }
    ~ScopedEnv()
    {
        for (auto& [name, value] : saved_)
            SetEnvironmentVariableW(name.c_str(), value.empty() ? nullptr : value.c_str());
    }

private:
    std::vector<std::pair<std::wstring, std::wstring>> saved_;
};

class Process {
public:
    // Starts program with the arguments; stdout goes to a pipe read by output().
    Process(const std::filesystem::path& program, const std::wstring& arguments, bool captureOutput = false)
    {
        std::wstring commandLine = L"\"" + program.wstring() + L"\" " + arguments;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        HANDLE writeEnd = nullptr;
        if (captureOutput) {
            SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
            CreatePipe(&readEnd_, &writeEnd, &inherit, 0);
            SetHandleInformation(readEnd_, HANDLE_FLAG_INHERIT, 0);
            startup.dwFlags = STARTF_USESTDHANDLES;
            startup.hStdOutput = writeEnd;
            startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
            startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        }
        started_ = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, captureOutput,
                                  CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info_);
        if (writeEnd)
            CloseHandle(writeEnd);
    }
    ~Process()
    {
        if (!started_)
            return;
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(info_.hProcess, 99);
        CloseHandle(info_.hProcess);
        CloseHandle(info_.hThread);
        if (readEnd_)
            CloseHandle(readEnd_);
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool started() const { return started_; }

    // The exit code, or -1 when the process still runs after timeoutMs.
    int wait(DWORD timeoutMs)
    {
        if (!started_ || WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0)
            return -1;
        DWORD code = 0;
        GetExitCodeProcess(info_.hProcess, &code);
        return static_cast<int>(code);
    }

    std::string output()
    {
        std::string text;
        char buffer[4096];
        DWORD got = 0;
        while (readEnd_ && ReadFile(readEnd_, buffer, sizeof buffer, &got, nullptr) && got > 0)
            text.append(buffer, got);
        return text;
    }

private:
    PROCESS_INFORMATION info_{};
    HANDLE readEnd_ = nullptr;
    bool started_ = false;
};

// A tag no other test uses, so servers of different tests never meet.
inline std::wstring unique_tag(const wchar_t* prefix)
{
    static int counter = 0;
    return prefix + std::to_wstring(GetCurrentProcessId()) + L"x" + std::to_wstring(++counter);
}
