// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
// The translation languages dialog (resource 200): one toggle per language,
// run modally over the settings dialog. Jobs outlive it; while it is open
// their reports also show on its toggles.
#pragma once

#include <windows.h>

#include <string>

#include "worker_report.h"

// Button 132 of the settings dialog.
void open_languages_dialog(HWND settingsDialog);

// The language's status on its toggle; nothing while the dialog is closed.
void show_language_status(int row, WorkStage stage, const std::wstring& text);
// A finished job: the toggle's check, enabled again, with the job's text.
void finish_language_toggle(int row, bool checked, WorkStage stage, const std::wstring& text);
// Note 202 with the free space now.
void refresh_languages_note();
