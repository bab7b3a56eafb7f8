// Process-wide state of the DLL that decides when it may be unloaded.
#pragma once

#include <windows.h>

// The DLL's own handle, saved at process attach; null in a program that links
// the text service statically (its file name is then the program's).
HMODULE module_handle();
void set_module_handle(HMODULE module);

// The module the text service's windows belong to: the DLL, or the program
// that links the text service statically.
HINSTANCE module_instance();
// Registers the module's window class unless it is registered already; false
// when it cannot be.
bool register_window_class(const wchar_t* name, WNDPROC procedure);

// One count per live object, class-factory reference and server lock.
void module_lock();
void module_unlock();
LONG module_count();
