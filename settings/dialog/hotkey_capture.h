// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
// Recording a new hotkey on one of the two hotkey buttons.
#pragma once

#include <windows.h>

// Shows both hotkeys (as the text service would accept them) on their buttons.
void refresh_hotkey_texts(HWND dialog);
void start_capture(HWND dialog, int button);
// Restores the button texts; nothing is written.
void cancel_capture(HWND dialog);
// The subclass procedure of both hotkey buttons.
void subclass_hotkey_button(HWND button);
