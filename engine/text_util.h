// Bounded text copies for the engine's fixed-size fields. Cuts never split a
// UTF-8 sequence, so what reaches a document is always well formed.
#pragma once

#include <cstring>

namespace miradot {

// Length of the longest prefix of text[0, length) that fits `room` bytes
// without splitting a multi-byte character.
inline int utf8_fit(const char* text, int length, int room)
{
    if (length <= room)
        return length;
    int cut = room < 0 ? 0 : room;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return cut;
}

// Copies src into dst (size includes the terminator); returns bytes copied.
inline int copy_text(char* dst, int size, const char* src, int srcLength = -1)
{
    if (size <= 0)
        return 0;
    int length = srcLength < 0 ? static_cast<int>(std::strlen(src)) : srcLength;
    int n = utf8_fit(src, length, size - 1);
    std::memmove(dst, src, n);
    dst[n] = 0;
    return n;
}

// Appends src to the NUL-terminated dst; returns the new length.
inline int append_text(char* dst, int size, const char* src, int srcLength = -1)
{
    int used = static_cast<int>(std::strlen(dst));
    if (used >= size)
        return used;
    return used + copy_text(dst + used, size - used, src, srcLength);
}

// Length of text[0, length) once its last `count` code points are removed.
inline int utf8_length_without_last(const char* text, int length, int count)
{
    while (count > 0 && length > 0) {
        --length;
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
            --length;
        --count;
    }
    return length;
}

}  // namespace miradot
