// Where the learned-data file lies: the text service loads and saves it, the
// settings program counts and deletes it. Beside it, the user's own shorthand
// list, which the settings program writes and the text service reads.
#pragma once

#include <string>

// MIRADOT_USER_FILE (1 to 259 characters), else APPDATA (1 to 239) followed
// by "\miraDot\user.tsv"; false with neither. Touches nothing on disk.
bool learned_file_path(std::wstring* path, bool* inAppData = nullptr);

// The name of the learned-data file with "-shorthand" in place of its
// extension and ".tsv" after it: "user-shorthand.tsv" beside "user.tsv" (a
// file of its own for each MIRADOT_USER_FILE). False when there is none.
bool shorthand_file_path(std::wstring* path);
