// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
// Small pieces of the settings windows' dialog procedures.
#pragma once

#include <windows.h>

// Disabling the control that has the keyboard focus would leave the keys
// with nowhere to go, Esc and Tab included: the focus moves on first.
inline void disable_control(HWND dialog, HWND control)
{
    if (GetFocus() == control)
        SendMessageW(dialog, WM_NEXTDLGCTL, 0, FALSE);
    EnableWindow(control, FALSE);
}

// A dialog procedure's answer to a message whose result is not a BOOL.
inline INT_PTR dialog_result(HWND dialog, LRESULT result)
{
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
    return TRUE;
}
