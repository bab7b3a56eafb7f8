// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
// The "Chuyển mã" dialog (resource 300): converts the clipboard in place, or
// a file into a new file beside it, between Unicode and the older Vietnamese
// encodings; run modally over the settings dialog.
#pragma once

#include <windows.h>

// Button 133 of the settings dialog.
void open_convert_dialog(HWND settingsDialog);
