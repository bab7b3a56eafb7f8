// A fault inside the text service must never take the application down:
// every call that comes in from outside (COM methods, window procedures,
// hooks) runs its work through these, and a C++ exception, an allocation
// failure included, ends here.
#pragma once

#include <windows.h>

namespace miradot {

template <class Work> HRESULT contained(Work&& work, HRESULT on_fault = E_UNEXPECTED) noexcept
{
    try {
        return work();
    } catch (...) {
        return on_fault;
    }
}

// A window procedure whose faults end in the default handling of the message.
template <WNDPROC procedure>
LRESULT CALLBACK contained_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) noexcept
{
    try {
        return procedure(window, message, wparam, lparam);
    } catch (...) {
        return DefWindowProcW(window, message, wparam, lparam);
    }
}

}  // namespace miradot
