// A check of the model's token table before the recogniser library reads it.
#pragma once

#include <filesystem>

// The library ends the whole process on a token line it cannot parse, and
// throws out of decoding for a token id it has no entry for. So the table
// must hold lines of a symbol and an integer id (or an id alone, for the
// space symbol), with the ids 0 to n - 1 each exactly once.
bool token_table_usable(const std::filesystem::path& path);
