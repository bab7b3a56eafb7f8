// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
// The installers' parts of the settings dialog: the voice status line and
// its install button, and the translation area filled from what is on disk.
#pragma once

#include <windows.h>

#include "dialog_state.h"
#include "worker_report.h"

void refresh_voice_status_from_disk(SettingsDialog& d);
// Button 112: takes the speech install flag (a second click while it is
// taken does nothing) and starts the install worker.
void start_voice_install(SettingsDialog& d);
// The speech install worker's report: its line, and at the end the button.
void on_voice_install_report(SettingsDialog& d, const WorkerReport& report);
void refresh_translation_area_from_disk(HWND dialog);
// The code of a row of the language table; "en" for any other row.
const char* language_table_code(int row);
