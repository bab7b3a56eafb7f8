// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
// What the update check and install contribute to the settings dialog.
#pragma once

#include "update_status.h"

#include <windows.h>

// One check on the dialog's worker thread; the dialog rebuilds its update
// line from the registry afterwards.
void check_for_update();

// The install worker's WM_APP + 9 report: the text replaces the update line;
// a final report releases the busy flag; once the installer has started, the
// dialog closes so that the installer can replace this program, and the
// installer starts the new one.
void on_update_install_report(HWND dialog, WPARAM kind, wchar_t* text);

// The installer's exit code, when it started this program after an update;
// the dialog's first update line tells it.
void set_installer_result(int exit_code);

// The update line from the stored state, or, the first time after an update,
// the installer's result.
UpdateLine describe_update_or_installer_result();
