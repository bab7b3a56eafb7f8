#include "diagnostics_log.h"
#include "module.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        set_module_handle(instance);
        DisableThreadLibraryCalls(instance);
        miradot::log_set_program("miradot_tsf");
    }
    return TRUE;
}
