// installers: the speech model, the translation runtime and the language packs put on disk.
#include "system_tar.h"

#include <windows.h>

std::wstring system_tar_path()
{
    wchar_t folder[MAX_PATH];
    UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return L"";
    return std::wstring(folder, length) + L"\\tar.exe";
}

bool run_system_tar(const std::wstring& arguments, unsigned timeoutMs)
{
    std::wstring program = system_tar_path();
    if (program.empty())
        return false;
    std::wstring command = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &process))
        return false;
    DWORD code = 1;
    if (WaitForSingleObject(process.hProcess, timeoutMs) != WAIT_OBJECT_0
        || !GetExitCodeProcess(process.hProcess, &code))
        code = 1;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code == 0;
}
