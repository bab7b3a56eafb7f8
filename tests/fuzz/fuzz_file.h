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

// /tmp/miradot-fuzz-<name>-<pid>
inline std::string fuzz_file_path(const char* name)
{
    return "/tmp/miradot-fuzz-" + std::string(name) + "-" + std::to_string(getpid());
}
