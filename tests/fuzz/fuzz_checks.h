// Invariants every fuzz target checks on what the engine hands out.
#pragma once

#include <cstdlib>
#include <cstring>

// Strict UTF-8: no overlong forms, no surrogates, nothing beyond U+10FFFF.
inline bool well_formed_utf8(const char* text)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    while (*p) {
        unsigned char b = *p;
        int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
        if (extra < 0)
            return false;
        unsigned value = extra == 0 ? b : extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
        for (int i = 1; i <= extra; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            value = (value << 6) | (p[i] & 0x3F);
        }
        static const unsigned MIN_VALUE[] = {0, 0x80, 0x800, 0x10000};
        if (value < MIN_VALUE[extra] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            return false;
        p += extra + 1;
    }
    return true;
}

inline void require(bool condition)
{
    if (!condition)
        std::abort();
}

// A field of `size` bytes must hold a terminator inside it.
inline void require_terminated(const char* field, size_t size) { require(std::memchr(field, 0, size) != nullptr); }
