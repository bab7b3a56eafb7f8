// settings program: its three modes and its entry point, above every room.
// The settings program's three modes and what they share.
#pragma once

#include <string>

enum class ProgramMode { Dialog, Notifier, TranslationQuit };

// "--check" anywhere in the arguments wins over "--mt-quit"; neither: dialog.
ProgramMode mode_from_command_line(const wchar_t* arguments);

// "Local\miraDot-Settings", followed by the key (backslashes as "_") when it
// is not the default one; at most 198 characters.
std::wstring dialog_mutex_name(const wchar_t* settingsKey);

// MIRADOT_SETTINGS_SHOT of 1 to 7 characters beginning with "1".
bool screenshot_requested();

// The dialog mode: one instance per settings key; a second start brings
// the first to the front. The first clears what earlier updates left behind.
void run_dialog_mode(const wchar_t* arguments);
