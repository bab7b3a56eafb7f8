// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
// What the update check and install contribute to the settings dialog.
#pragma once

#include "update_status.h"

#include <windows.h>

// One check on the dialog's worker thread; the dialog rebuilds its update
// line from the registry afterwards.
void check_for_update();

// The installer's exit code, when it started this program after an update;
// the dialog's first update line tells it.
void set_installer_result(int exit_code);

// The update line from the stored state, or, the first time after an update,
// the installer's result.
UpdateLine describe_update_or_installer_result();
