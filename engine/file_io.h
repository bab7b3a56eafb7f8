// File access by UTF-8 path: wide-character calls on Windows, plain ones
// elsewhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace miradot {

// Null when the path cannot be converted or the file cannot be opened.
FILE* open_utf8_path(const char* path, const char* mode);
// Flushes a written file through to the disk before it replaces another.
bool flush_to_disk(FILE* file);
// Moves `from` over `to`, replacing it; the replacement is atomic where the
// platform allows.
bool replace_file(const char* from, const char* to);

// A whole file mapped read-only and shared: every process that maps the same
// file uses the same pages of the system's file cache.
struct MappedFile {
    const unsigned char* bytes;
    size_t length;
};

// False when the file is missing, empty or cannot be mapped.
bool map_file(const char* utf8Path, MappedFile* out);
void unmap_file(MappedFile* file);

// The file's size and modification time (seconds since 1970); false when it
// does not exist.
bool file_stamp(const char* utf8Path, int64_t* size, int64_t* modified);

}  // namespace miradot
