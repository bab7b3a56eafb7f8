// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
// What the window manager and the visual theme are told about the dialog.
#pragma once

#include <windows.h>

// Palette, dark-mode attribute, caption colours and visual theme.
void apply_window_theme(HWND dialog, bool dark);
// Turns off the dialog manager's own DPI scaling where the system has it.
void prepare_dpi_handling(HWND dialog);
