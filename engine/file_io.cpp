#include "file_io.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>

#include <cstdio>

namespace miradot {
namespace {

bool widen(const char* path, wchar_t* out, int units)
{
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, out, units);
    return n > 0;
}

}  // namespace

FILE* open_utf8_path(const char* path, const char* mode)
{
    wchar_t widePath[1024];
    wchar_t wideMode[8];
    if (!widen(path, widePath, 1024) || !widen(mode, wideMode, 8))
        return nullptr;
    return _wfopen(widePath, wideMode);
}

bool flush_to_disk(FILE* file) { return std::fflush(file) == 0 && _commit(_fileno(file)) == 0; }

bool replace_file(const char* from, const char* to)
{
    wchar_t wideFrom[1100];
    wchar_t wideTo[1100];
    if (!widen(from, wideFrom, 1100) || !widen(to, wideTo, 1100))
        return false;
    return MoveFileExW(wideFrom, wideTo, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

}  // namespace miradot

#else
#include <unistd.h>

#include <cstdio>

namespace miradot {

FILE* open_utf8_path(const char* path, const char* mode) { return std::fopen(path, mode); }

bool flush_to_disk(FILE* file) { return std::fflush(file) == 0 && fsync(fileno(file)) == 0; }

bool replace_file(const char* from, const char* to) { return std::rename(from, to) == 0; }

}  // namespace miradot

#endif
