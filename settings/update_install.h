// Downloads the offered installer, checks its size and digest, runs it
// elevated and silent, and reports to the dialog.
#pragma once

#include "dialog_report.h"

// Progress and outcome reach the dialog as WM_UPDATE_INSTALL_REPORT, the
// word parameter the kind.
inline constexpr WPARAM UPDATE_PROGRESS = 0;
inline constexpr WPARAM UPDATE_NOT_INSTALLED = 1;
inline constexpr WPARAM UPDATE_INSTALLED = 2;

// Thread procedure; the parameter is the dialog window. Ends with exactly one
// message of kind UPDATE_NOT_INSTALLED or UPDATE_INSTALLED.
DWORD WINAPI update_install_thread(void* dialog);
