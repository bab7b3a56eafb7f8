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

bool map_file(const char* utf8Path, MappedFile* out)
{
    *out = MappedFile{};
    wchar_t path[1024];
    if (!widen(utf8Path, path, 1024))
        return false;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size{};
    HANDLE section = nullptr;
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && static_cast<uint64_t>(size.QuadPart) <= SIZE_MAX)
        section = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    CloseHandle(file);
    if (!section)
        return false;
    // The view keeps the section alive after its handle is closed.
    void* view = MapViewOfFile(section, FILE_MAP_READ, 0, 0, 0);
    CloseHandle(section);
    if (!view)
        return false;
    *out = MappedFile{static_cast<const unsigned char*>(view), static_cast<size_t>(size.QuadPart)};
    return true;
}

void unmap_file(MappedFile* file)
{
    if (file->bytes)
        UnmapViewOfFile(file->bytes);
    *file = MappedFile{};
}

bool file_stamp(const char* utf8Path, int64_t* size, int64_t* modified)
{
    wchar_t path[1024];
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!widen(utf8Path, path, 1024) || !GetFileAttributesExW(path, GetFileExInfoStandard, &data))
        return false;
    *size = (int64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    uint64_t ticks = (uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    constexpr uint64_t TICKS_PER_SECOND = 10000000;
    constexpr uint64_t SECONDS_1601_TO_1970 = 11644473600;
    *modified = static_cast<int64_t>(ticks / TICKS_PER_SECOND) - static_cast<int64_t>(SECONDS_1601_TO_1970);
    return true;
}

}  // namespace miradot

#else
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace miradot {

FILE* open_utf8_path(const char* path, const char* mode) { return std::fopen(path, mode); }

bool flush_to_disk(FILE* file) { return std::fflush(file) == 0 && fsync(fileno(file)) == 0; }

bool replace_file(const char* from, const char* to) { return std::rename(from, to) == 0; }

bool map_file(const char* utf8Path, MappedFile* out)
{
    *out = MappedFile{};
    int fd = open(utf8Path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info;
    void* view = MAP_FAILED;
    if (fstat(fd, &info) == 0 && info.st_size > 0)
        view = mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ, MAP_SHARED, fd, 0);
    close(fd);
    if (view == MAP_FAILED)
        return false;
    *out = MappedFile{static_cast<const unsigned char*>(view), static_cast<size_t>(info.st_size)};
    return true;
}

void unmap_file(MappedFile* file)
{
    if (file->bytes)
        munmap(const_cast<unsigned char*>(file->bytes), file->length);
    *file = MappedFile{};
}

bool file_stamp(const char* utf8Path, int64_t* size, int64_t* modified)
{
    struct stat info;
    if (stat(utf8Path, &info) != 0)
        return false;
    *size = info.st_size;
    *modified = info.st_mtime;
    return true;
}

}  // namespace miradot

#endif
