// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
// How many entries the learned-data file holds, as the dialog reports it.
#pragma once

#include <string>

// Entries counted in pieces of at most 1,023 bytes up to each line end;
// blank and "#" lines do not count. -1 when the file cannot be opened.
long long count_learned_entries(const std::wstring& path);
