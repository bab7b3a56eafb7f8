#include "settings_launcher.h"

#include "module.h"

#include <windows.h>

#include <string>

void launch_settings()
{
    wchar_t dll[MAX_PATH];
    DWORD length = GetModuleFileNameW(module_handle(), dll, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    std::wstring folder(dll, length);
    for (int up = 0; up < 2; ++up) {
        size_t cut = folder.find_last_of(L"\\/");
        if (cut == std::wstring::npos)
            return;
        folder.resize(cut);
    }
    std::wstring program = folder + L"\\miraDot-Settings.exe";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(program.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}
