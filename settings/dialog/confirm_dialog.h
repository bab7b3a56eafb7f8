// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
// A question before something that cannot be undone, in the settings
// windows' own look: their palette (dark or light), the text wrapped to fit,
// and two buttons that say what they do instead of the system's Yes and No.
#pragma once

#include <windows.h>

#include <string>

// True when the user chose act; keep is the default (Enter, Esc and the
// close box keep).
bool confirm(HWND owner, const wchar_t* caption, const std::wstring& question, const wchar_t* act, const wchar_t* keep);
