// Fuzz input for readers that take a file path: one file per process, so
// parallel fuzzer workers never read each other's input.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

// False when the input could not be written whole.
inline bool write_fuzz_file(const std::string& path, const uint8_t* data, size_t size)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    bool written = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

// /dev/shm/miradot-fuzz-<name>-<pid>, or in /tmp without a memory file system:
// the learned-data writer flushes every file to disk, which on a real disk
// holds a run to a hundred inputs a second.
inline std::string fuzz_file_path(const char* name)
{
    const char* folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(folder) + "/miradot-fuzz-" + name + "-" + std::to_string(getpid());
}
