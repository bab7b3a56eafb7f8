// update: the signed update check, its install and the background notifier.
// The background notifier (--check): one update check when it is due, and
// a tray balloon for a version the user has not been told about.
#pragma once

#include <cstddef>

void run_notifier_mode();

// The balloon's text: the notes cut to 150 characters (then "…") and the
// hint to open the settings.
void balloon_text(const wchar_t* notes, wchar_t* out, size_t capacity);
