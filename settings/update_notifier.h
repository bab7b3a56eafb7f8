// The background notifier mode ("--check"): one update check when it is due,
// and a tray balloon once for each newly found version.
#pragma once

#include <cstddef>

// Runs the whole mode; the program's exit code.
int run_update_notifier();

// The balloon's text: the notes cut to 150 characters (then "…") and the
// hint to open the settings.
void balloon_text(const wchar_t* notes, wchar_t* out, size_t capacity);
