// Where the learned-data file lies: the text service loads and saves it, the
// settings program counts and deletes it.
#pragma once

#include <string>

// MIRADOT_USER_FILE (1 to 259 characters), else APPDATA (1 to 239) followed
// by "\miraDot\user.tsv"; false with neither. Touches nothing on disk.
bool learned_file_path(std::wstring* path, bool* inAppData = nullptr);
