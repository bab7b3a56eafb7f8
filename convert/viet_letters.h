// The Vietnamese letters the converter knows, found by code point and made
// from their parts, and the UTF-8 steps every reader and writer shares.
#pragma once

#include <cstdint>
#include <string>

namespace miradot {

// The 67 letters with marks in lower and in upper case: the twelve vowel
// rows in every tone but the plain a e i o u y, and đ.
constexpr int MARKED_LETTER_COUNT = 134;

struct VietLetter {
    uint32_t codepoint;
    char base;     // the plain letter in the letter's case: 'a', 'D'
    uint8_t mark;  // LetterMark: circumflex, breve, horn, stroke
    uint8_t tone;  // Tone
};

struct LetterTables {
    VietLetter letters[MARKED_LETTER_COUNT];
    int16_t latin[0x1B1 - 0xC0];        // U+00C0..U+01B0: letter index or -1
    int16_t extended[0x1EFA - 0x1EA0];  // U+1EA0..U+1EF9
    uint32_t composed[13][6][2];        // row, tone, upper: 0 where there is no letter
};

const LetterTables& letter_tables();

inline int marked_letter_index(const LetterTables& tables, uint32_t c)
{
    if (c >= 0xC0 && c <= 0x1B0)
        return tables.latin[c - 0xC0];
    if (c >= 0x1EA0 && c <= 0x1EF9)
        return tables.extended[c - 0x1EA0];
    return -1;
}

// The row of the composed table for a lower-case base and mark: the twelve
// vowel rows, 12 for đ; -1 when the mark does not fit the base.
int letter_row(char lower_base, uint8_t mark);

// The letter with these parts (the plain letter for no mark and no tone), or
// 0 when Vietnamese has none.
uint32_t compose_letter(const LetterTables& tables, char base, uint8_t mark, uint8_t tone);

inline bool is_ascii_vowel(char c)
{
    switch (c | 0x20) {
    case 'a':
    case 'e':
    case 'i':
    case 'o':
    case 'u':
    case 'y':
        return true;
    default:
        return false;
    }
}

// The well-formed UTF-8 sequence at p: its length (1..4) and value; 0 for a
// byte that starts none.
int utf8_sequence(const unsigned char* p, const unsigned char* end, uint32_t* value);

// The same, with a byte that starts no sequence read as one U+FFFD: always 1..4.
int code_point_or_replacement(const unsigned char* p, const unsigned char* end, uint32_t* value);

// Writes c as UTF-8 at out, which has room for four bytes; the bytes written.
int put_utf8(char* out, uint32_t c);
void append_utf8(std::string& out, uint32_t c);

}  // namespace miradot
