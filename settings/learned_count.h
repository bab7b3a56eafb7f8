// The learned-data file as the settings dialog sees it: where it lies and
// how many entries it holds.
#pragma once

#include <string>

// MIRADOT_USER_FILE (1 to 259 characters), else APPDATA (1 to 239) +
// "\miraDot\user.tsv"; false with neither.
bool learned_file_path(std::wstring* path);

// Entries counted in pieces of at most 1,023 bytes up to each line end;
// blank and "#" lines do not count. -1 when the file cannot be opened.
long long count_learned_entries(const std::wstring& path);
