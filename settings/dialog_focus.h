// Disabling the control that has the keyboard focus would leave the keys
// with nowhere to go, Esc and Tab included: the focus moves on first.
#pragma once

#include <windows.h>

inline void disable_control(HWND dialog, HWND control)
{
    if (GetFocus() == control)
        SendMessageW(dialog, WM_NEXTDLGCTL, 0, FALSE);
    EnableWindow(control, FALSE);
}
