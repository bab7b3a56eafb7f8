// Vietnamese letters: the Syllable representation, its UTF-8 parse and
// render, tone placement and the small case utilities of the engine.
#pragma once

#include <cstdint>

namespace miradot {

constexpr int MAX_LETTERS = 32;

enum LetterMark : uint8_t {
    MARK_NONE = 0,
    MARK_CIRCUMFLEX = 1,  // â ê ô
    MARK_BREVE = 2,       // ă
    MARK_HORN = 3,        // ơ ư
    MARK_STROKE = 4,      // đ
};

enum Tone : int32_t {
    TONE_NONE = 0,
    TONE_ACUTE = 1,
    TONE_GRAVE = 2,
    TONE_HOOK = 3,
    TONE_TILDE = 4,
    TONE_DOT = 5,
};

struct Letter {
    uint8_t base;  // 'a'..'z', or a literal key such as a digit
    uint8_t mark;
    uint8_t upper;
};

struct Syllable {
    Letter letters[MAX_LETTERS];
    int32_t count;
    int32_t tone;  // belongs to the word; placed only when rendered
};

struct SyllableSplit {
    int nucleusStart;
    int nucleusEnd;
    bool valid;
};

constexpr uint32_t REPLACEMENT_CHAR = 0xFFFD;

// Surrogates and values beyond Unicode cannot be encoded as UTF-8.
inline uint32_t encodable_codepoint(uint32_t c)
{
    return ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) ? REPLACEMENT_CHAR : c;
}

uint32_t decode_utf8_char(const char** cursor);
int encode_utf8_char(uint32_t codepoint, char* buffer, int size);
int utf8_char_count(const char* text);
uint32_t upper_codepoint(uint32_t lower);

bool is_vowel_letter(Letter letter);
bool syllable_append(Syllable* syllable, Letter letter);
int parse_word(const char* word, Syllable* out);
// True for every character that parses alone as a one-letter word.
bool is_word_codepoint(uint32_t codepoint);

SyllableSplit split_syllable(const Syllable& syllable);
int tone_position(const Syllable& syllable, bool oldStyle);
int render_syllable(const Syllable& syllable, bool oldStyle, bool ignoreCase, char* buffer, int size);
// Letters [from, to) without tone and without case.
int render_segment(const Syllable& syllable, int from, int to, char* buffer, int size);

void capitalize_first(char* buffer256);
bool is_all_caps(const char* word);
int to_lower_word(const char* word, char* buffer, int size);
int apply_case(const char* caseSource, const char* replacement, char* buffer, int size);

// ASCII helpers shared by the engine.
inline bool is_ascii_upper(uint32_t c) { return c >= 'A' && c <= 'Z'; }
inline bool is_ascii_lower(uint32_t c) { return c >= 'a' && c <= 'z'; }
inline bool is_ascii_letter(uint32_t c) { return is_ascii_upper(c) || is_ascii_lower(c); }
inline bool is_ascii_digit(uint32_t c) { return c >= '0' && c <= '9'; }
inline char ascii_lower(char c) { return is_ascii_upper(static_cast<unsigned char>(c)) ? char(c + 32) : c; }

}  // namespace miradot
