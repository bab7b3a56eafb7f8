// Stands in for the downloaded installer: writes its arguments to the file
// named by MIRADOT_TEST_INSTALLER_LOG and exits with MIRADOT_TEST_INSTALLER_EXIT.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR arguments, int)
{
    if (const wchar_t* log = _wgetenv(L"MIRADOT_TEST_INSTALLER_LOG")) {
        if (FILE* f = _wfopen(log, L"wb")) {
            std::fprintf(f, "%ls", arguments);
            std::fclose(f);
        }
    }
    const wchar_t* code = _wgetenv(L"MIRADOT_TEST_INSTALLER_EXIT");
    return code ? _wtoi(code) : 0;
}
