// VIQR (RFC 1456): a vowel followed by its shape mark ( ^ + and its tone
// mark ' ` ? ~ . ; "dd" for đ. A backslash before a mark, a d or a backslash
// keeps that character as it is, so that text with such characters after a
// vowel comes back unchanged.
#include <cstring>

#include "codecs.h"
#include "letters.h"

namespace miradot {

namespace {

uint8_t shape_of(char c)
{
    switch (c) {
    case '(':
        return MARK_BREVE;
    case '^':
        return MARK_CIRCUMFLEX;
    case '+':
        return MARK_HORN;
    default:
        return MARK_NONE;
    }
}

uint8_t tone_of(char c)
{
    switch (c) {
    case '\'':
        return TONE_ACUTE;
    case '`':
        return TONE_GRAVE;
    case '?':
        return TONE_HOOK;
    case '~':
        return TONE_TILDE;
    case '.':
        return TONE_DOT;
    default:
        return TONE_NONE;
    }
}

constexpr char SHAPE_CHARS[] = {0, '^', '(', '+'};
constexpr char TONE_CHARS[] = {0, '\'', '`', '?', '~', '.'};

bool is_escapable(char c) { return shape_of(c) || tone_of(c) || c == 'd' || c == 'D' || c == '\\'; }

// The vowel written last, while marks after it still belong to it.
struct OpenVowel {
    bool open = false;
    char base = 0;
    uint8_t shape = MARK_NONE;
    uint8_t tone = TONE_NONE;

    // Applies a mark character; false when it is no mark this vowel takes.
    bool take(char c)
    {
        if (!open)
            return false;
        if (uint8_t shape_mark = shape_of(c)) {
            if (shape != MARK_NONE || tone != TONE_NONE || letter_row(char(base | 0x20), shape_mark) < 0)
                return false;
            shape = shape_mark;
            return true;
        }
        if (uint8_t tone_mark = tone_of(c); tone_mark && tone == TONE_NONE) {
            tone = tone_mark;
            return true;
        }
        return false;
    }
};

OpenVowel open_vowel(char c)
{
    OpenVowel vowel;
    vowel.open = is_ascii_vowel(c);
    vowel.base = c;
    return vowel;
}

}  // namespace

// A letter of VIQR takes at least two thirds of its UTF-8 length ("a." is ạ).
std::string read_viqr(std::string_view text)
{
    const LetterTables& tables = letter_tables();
    std::string out(text.size() * 2 + 8, '\0');
    char* w = out.data();
    char* vowel_at = w;
    OpenVowel vowel;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        char next = i + 1 < text.size() ? text[i + 1] : 0;
        if (c == '\\' && next && is_escapable(next)) {
            *w++ = next;
            ++i;
            vowel = OpenVowel{};
        } else if ((c == 'd' || c == 'D') && (next == 'd' || next == 'D')) {
            w += put_utf8(w, compose_letter(tables, c, MARK_STROKE, TONE_NONE));
            ++i;
            vowel = OpenVowel{};
        } else if (vowel.open && vowel.take(c)) {
            w = vowel_at + put_utf8(vowel_at, compose_letter(tables, vowel.base, vowel.shape, vowel.tone));
        } else {
            vowel = open_vowel(c);
            vowel_at = w;
            *w++ = c;
        }
    }
    out.resize(w - out.data());
    return out;
}

// Every character gives at most two bytes for each of its UTF-8 bytes.
std::string write_viqr(std::string_view utf8)
{
    const LetterTables& tables = letter_tables();
    std::string out(utf8.size() * 2 + 8, '\0');
    char* w = out.data();
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = p + utf8.size();
    OpenVowel vowel;
    // The first byte the next character is written with, before any escape.
    auto next_first_byte = [&](const unsigned char* q) -> char {
        if (q >= end)
            return 0;
        uint32_t c;
        int length = utf8_sequence(q, end, &c);
        int index = length ? marked_letter_index(tables, c) : -1;
        return index >= 0 ? tables.letters[index].base : char(*q);
    };
    while (p < end) {
        if (*p < 0x80) {
            char ch = char(*p++);
            bool escape = false;
            if (ch == 'd' || ch == 'D') {
                char following = next_first_byte(p);
                escape = following == 'd' || following == 'D';
            } else if (ch == '\\') {
                char following = next_first_byte(p);
                escape = following && is_escapable(following);
            } else {
                escape = vowel.open && vowel.take(ch);
            }
            if (escape) {
                *w++ = '\\';
                vowel = OpenVowel{};
            } else {
                vowel = open_vowel(ch);
            }
            *w++ = ch;
            continue;
        }
        uint32_t c;
        int length = utf8_sequence(p, end, &c);
        int index = length ? marked_letter_index(tables, c) : -1;
        if (index < 0) {
            length = length ? length : 1;
            std::memcpy(w, p, length);
            w += length;
            p += length;
            vowel = OpenVowel{};
            continue;
        }
        p += length;
        const VietLetter& letter = tables.letters[index];
        *w++ = letter.base;
        if (letter.mark == MARK_STROKE) {
            *w++ = letter.base;
            vowel = OpenVowel{};
            continue;
        }
        vowel = open_vowel(letter.base);
        if (letter.mark != MARK_NONE) {
            vowel.shape = letter.mark;
            *w++ = SHAPE_CHARS[letter.mark];
        }
        if (letter.tone != TONE_NONE) {
            vowel.tone = letter.tone;
            *w++ = TONE_CHARS[letter.tone];
        }
    }
    out.resize(w - out.data());
    return out;
}

}  // namespace miradot
