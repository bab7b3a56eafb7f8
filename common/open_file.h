// Opens and reads files by their path, wide on Windows.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace miradot {

inline FILE* open_for_reading(const std::filesystem::path& path)
{
#ifdef _WIN32
    return _wfopen(path.c_str(), L"rb");
#else
    return std::fopen(path.c_str(), "rb");
#endif
}

enum class ReadResult { Read, Unreadable, TooLarge };

// The whole file into bytes, refusing one longer than limit bytes.
inline ReadResult read_whole_file(const std::filesystem::path& path, std::vector<uint8_t>& bytes,
                                  uint64_t limit = UINT64_MAX)
{
    bytes.clear();
    FILE* file = open_for_reading(path);
    if (!file)
        return ReadResult::Unreadable;
    uint8_t piece[65536];
    size_t got;
    while ((got = std::fread(piece, 1, sizeof piece, file)) > 0) {
        if (bytes.size() + got > limit) {
            std::fclose(file);
            bytes.clear();
            return ReadResult::TooLarge;
        }
        bytes.insert(bytes.end(), piece, piece + got);
    }
    std::fclose(file);
    return ReadResult::Read;
}

}  // namespace miradot
