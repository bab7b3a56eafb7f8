// A whole file mapped read-only and shared: every process that maps the same
// file uses the same pages of the system's file cache.
#pragma once

#include <cstddef>
#include <cstdint>

namespace miradot {

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
