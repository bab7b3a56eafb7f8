// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
// The settings dialog (resource 100): every control's behaviour.
#pragma once

#include <windows.h>

#include "dialog_state.h"

// Runs the dialog modally without an owner until it is closed.
void run_settings_dialog(HINSTANCE instance, bool screenshot);

// Rebuilds the update line and buttons from the registry.
void refresh_update_area(SettingsDialog& d);
