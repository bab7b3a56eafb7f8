// Opens a file for binary reading by its path, wide on Windows.
#pragma once

#include <cstdio>
#include <filesystem>

inline FILE* open_for_reading(const std::filesystem::path& path) {
#ifdef _WIN32
    return _wfopen(path.c_str(), L"rb");
#else
    return std::fopen(path.c_str(), "rb");
#endif
}
