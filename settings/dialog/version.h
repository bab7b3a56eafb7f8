// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
// The system's own version, shown by the dialog and compared by updates.
#pragma once

#include "version_number.h"

#define PROGRAM_VERSION_W L"" MIRADOT_VERSION_TEXT
