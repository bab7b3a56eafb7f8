// Runs a command line to its end, for tests that need a process of their own.
#pragma once

#include <windows.h>

#include <string>

// The exit code, or -1 when the process could not be started.
inline DWORD run(std::wstring command)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return DWORD(-1);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = DWORD(-1);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

// This test program, quoted, for running some of its own tests in a child.
inline std::wstring this_program()
{
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return L"\"" + std::wstring(path, length) + L"\"";
}
