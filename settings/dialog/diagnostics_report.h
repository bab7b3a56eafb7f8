// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
// "Sao chép thông tin chẩn đoán": what a bug report needs, as one text for
// the clipboard.
#pragma once

#include <windows.h>

#include <string>

// The version, the Windows version, every value of the settings key and its
// Update subkey as stored, the installed speech model, translation runtime
// and languages, and the last 100 lines of the diagnostics log.
std::wstring diagnostics_report();

// The text as Unicode text on the clipboard; false when the clipboard stayed
// as it was.
bool copy_to_clipboard(HWND owner, const std::wstring& text);
