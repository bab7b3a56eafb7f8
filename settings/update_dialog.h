// What the update check and install contribute to the settings dialog.
#pragma once

#include <windows.h>

// One check on the dialog's worker thread; the dialog rebuilds its update
// line from the registry afterwards.
void check_for_update();

// The install worker's WM_APP + 9 report: the text replaces the update line;
// a final report releases the busy flag; after an installed update a fresh
// instance of the program takes over from this one.
void on_update_install_report(HWND dialog, WPARAM kind, wchar_t* text);
