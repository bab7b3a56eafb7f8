#include "learned_count.h"

#include <windows.h>

#include <cstdio>

namespace {

constexpr DWORD USER_FILE_MAX = 259;
constexpr DWORD APPDATA_MAX = 239;
constexpr int PIECE = 1023;

std::wstring environment(const wchar_t* name, DWORD limit)
{
    wchar_t value[300];
    DWORD length = GetEnvironmentVariableW(name, value, 300);
    if (length == 0 || length > limit)
        return {};
    return std::wstring(value, length);
}

} // namespace

bool learned_file_path(std::wstring* path)
{
    std::wstring userFile = environment(L"MIRADOT_USER_FILE", USER_FILE_MAX);
    if (!userFile.empty()) {
        *path = userFile;
        return true;
    }
    std::wstring appData = environment(L"APPDATA", APPDATA_MAX);
    if (appData.empty())
        return false;
    *path = appData + L"\\miraDot\\user.tsv";
    return true;
}

long long count_learned_entries(const std::wstring& path)
{
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file)
        return -1;
    // fgets stops at each line feed or after PIECE bytes, so an over-long
    // line counts once per piece and a binary file cannot overrun the buffer.
    char piece[PIECE + 1];
    long long entries = 0;
    while (fgets(piece, sizeof piece, file))
        if (piece[0] != '\n' && piece[0] != '\r' && piece[0] != '#')
            ++entries;
    fclose(file);
    return entries;
}
