// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
// Recording a new hotkey on one of the two hotkey buttons.
#pragma once

#include <windows.h>

#include "dialog_state.h"

// Shows both hotkeys (as the text service would accept them) on their buttons.
void refresh_hotkey_texts(SettingsDialog& d);
void start_capture(SettingsDialog& d, int button);
// Restores the button texts; nothing is written.
void cancel_capture(SettingsDialog& d);
// The subclass procedure of both hotkey buttons.
void subclass_hotkey_button(SettingsDialog& d, HWND button);
