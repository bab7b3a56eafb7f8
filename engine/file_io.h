// File access by UTF-8 path: wide-character calls on Windows, plain ones
// elsewhere.
#pragma once

#include <cstdio>

namespace miradot {

// Null when the path cannot be converted or the file cannot be opened.
FILE* open_utf8_path(const char* path, const char* mode);
// Flushes a written file through to the disk before it replaces another.
bool flush_to_disk(FILE* file);
// Moves `from` over `to`, replacing it; the replacement is atomic where the
// platform allows.
bool replace_file(const char* from, const char* to);

}  // namespace miradot
