// Stands in for the downloaded installer: writes its arguments to the file
// named by MIRADOT_TEST_INSTALLER_LOG and exits with MIRADOT_TEST_INSTALLER_EXIT.
// Asked for "/RUNSETTINGS", it waits, as the real installer does, for the
// settings dialog that started it to close, and then starts the program
// MIRADOT_TEST_INSTALLER_SETTINGS names with "--update-result" and that code.
// Built with PLANTED it is the program someone else puts in the installer's
// place, and its log line says so.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR arguments, int)
{
#ifdef PLANTED
    const char* who = "planted ";
#else
    const char* who = "";
#endif
    if (const wchar_t* log = _wgetenv(L"MIRADOT_TEST_INSTALLER_LOG")) {
        if (FILE* f = _wfopen(log, L"wb")) {
            std::fprintf(f, "%s%ls", who, arguments);
            std::fclose(f);
        }
    }
    const wchar_t* code = _wgetenv(L"MIRADOT_TEST_INSTALLER_EXIT");
    int exit_code = code ? _wtoi(code) : 0;
    const wchar_t* settings = _wgetenv(L"MIRADOT_TEST_INSTALLER_SETTINGS");
    if (settings && wcsstr(arguments, L"/RUNSETTINGS")) {
        for (int i = 0; i < 150 && FindWindowW(L"#32770", L"Cài đặt miraDot"); ++i)
            Sleep(100);
        std::wstring command = L"\"" + std::wstring(settings) + L"\" --update-result " + std::to_wstring(exit_code);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (CreateProcessW(settings, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                           &process)) {
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
    }
    return exit_code;
}
