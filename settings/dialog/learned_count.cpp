// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
#include "learned_count.h"

#include <cstdio>

namespace {

constexpr int PIECE = 1023;

}  // namespace

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
