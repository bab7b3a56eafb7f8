#include "module.h"

namespace {
HMODULE g_module = nullptr;
volatile LONG g_count = 0;
}  // namespace

HMODULE module_handle() { return g_module; }
void set_module_handle(HMODULE module) { g_module = module; }

HINSTANCE module_instance() { return g_module ? g_module : GetModuleHandleW(nullptr); }

bool register_window_class(const wchar_t* name, WNDPROC procedure)
{
    WNDCLASSW existing;
    if (GetClassInfoW(module_instance(), name, &existing))
        return true;
    WNDCLASSW wc{};
    wc.lpfnWndProc = procedure;
    wc.hInstance = module_instance();
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = name;
    return RegisterClassW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void module_lock() { InterlockedIncrement(&g_count); }
void module_unlock() { InterlockedDecrement(&g_count); }
LONG module_count() { return InterlockedCompareExchange(&g_count, 0, 0); }
