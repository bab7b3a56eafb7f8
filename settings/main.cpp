// The settings program. Its dialog and modes are not built yet; until then it
// starts, does nothing and exits successfully whatever its command line.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    return 0;
}
