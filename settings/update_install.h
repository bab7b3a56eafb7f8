// Downloads the offered installer, checks its size and digest, runs it
// elevated and silent, and reports to the dialog.
#pragma once

#include <windows.h>

// Progress and outcome reach the dialog as WM_UPDATE_INSTALL: the word
// parameter is the kind, the long parameter a heap UTF-16 text (free()).
inline constexpr UINT WM_UPDATE_INSTALL = WM_APP + 9;
inline constexpr WPARAM UPDATE_PROGRESS = 0;
inline constexpr WPARAM UPDATE_NOT_INSTALLED = 1;
inline constexpr WPARAM UPDATE_INSTALLED = 2;

// Thread procedure; the parameter is the dialog window. Ends with exactly one
// message of kind UPDATE_NOT_INSTALLED or UPDATE_INSTALLED.
DWORD WINAPI update_install_thread(void* dialog);

// Posts a heap copy of text to window; frees it when posting fails.
void post_text(HWND window, UINT message, WPARAM kind, const wchar_t* text);
