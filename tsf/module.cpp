#include "module.h"

namespace {
HMODULE g_module = nullptr;
volatile LONG g_count = 0;
}  // namespace

HMODULE module_handle() { return g_module; }
void set_module_handle(HMODULE module) { g_module = module; }

void module_lock() { InterlockedIncrement(&g_count); }
void module_unlock() { InterlockedDecrement(&g_count); }
LONG module_count() { return InterlockedCompareExchange(&g_count, 0, 0); }
