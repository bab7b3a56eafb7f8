// The settings program. The dialog is not built yet; "--check" runs the
// background update notifier.
#include "update_notifier.h"

#include <windows.h>

#include <cwchar>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR arguments, int)
{
    if (arguments && std::wcsstr(arguments, L"--check"))
        return run_update_notifier();
    return 0;
}
