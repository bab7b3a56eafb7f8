// Unicode with precomposed letters or combining marks, HTML numeric
// references and the letters without marks.
#include <cstdio>

#include "codecs.h"
#include "letters.h"

namespace miradot {

namespace {

constexpr uint32_t COMBINING_GRAVE = 0x300, COMBINING_ACUTE = 0x301, COMBINING_CIRCUMFLEX = 0x302,
                   COMBINING_TILDE = 0x303, COMBINING_BREVE = 0x306, COMBINING_HOOK = 0x309, COMBINING_HORN = 0x31B,
                   COMBINING_DOT = 0x323;

// The tone a combining mark gives, or 0.
uint8_t combining_tone(uint32_t mark)
{
    switch (mark) {
    case COMBINING_ACUTE:
        return TONE_ACUTE;
    case COMBINING_GRAVE:
        return TONE_GRAVE;
    case COMBINING_HOOK:
        return TONE_HOOK;
    case COMBINING_TILDE:
        return TONE_TILDE;
    case COMBINING_DOT:
        return TONE_DOT;
    default:
        return 0;
    }
}

uint8_t combining_shape(uint32_t mark)
{
    switch (mark) {
    case COMBINING_CIRCUMFLEX:
        return MARK_CIRCUMFLEX;
    case COMBINING_BREVE:
        return MARK_BREVE;
    case COMBINING_HORN:
        return MARK_HORN;
    default:
        return MARK_NONE;
    }
}

uint32_t tone_mark(uint8_t tone)
{
    constexpr uint32_t MARKS[] = {0, COMBINING_ACUTE, COMBINING_GRAVE, COMBINING_HOOK, COMBINING_TILDE, COMBINING_DOT};
    return MARKS[tone];
}

}  // namespace

std::string read_unicode(std::string_view utf8)
{
    const LetterTables& tables = letter_tables();
    std::string out;
    out.reserve(utf8.size());
    const auto* begin = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = begin + utf8.size();
    const unsigned char* run = begin;
    // Every mark Vietnamese letters take lies in U+0300..U+033F, bytes CC 80..CC BF.
    for (const unsigned char* p = begin; p < end;) {
        uint32_t c;
        int length = utf8_sequence(p, end, &c);
        if (length == 0) {
            ++p;
            continue;
        }
        const unsigned char* next = p + length;
        if (next + 1 >= end || next[0] != 0xCC) {
            p = next;
            continue;
        }
        char base;
        uint8_t mark = MARK_NONE, tone = TONE_NONE;
        if (c < 0x80 && is_ascii_vowel(char(c))) {
            base = char(c);
        } else if (int index = marked_letter_index(tables, c);
                   index >= 0 && tables.letters[index].mark != MARK_STROKE) {
            base = tables.letters[index].base;
            mark = tables.letters[index].mark;
            tone = tables.letters[index].tone;
        } else {
            p = next;
            continue;
        }
        char lower = base | 0x20;
        const unsigned char* after = next;
        uint32_t combining;
        while (after < end && after[0] == 0xCC && utf8_sequence(after, end, &combining) == 2) {
            uint8_t new_tone = combining_tone(combining), new_shape = combining_shape(combining);
            if (new_tone && tone == TONE_NONE)
                tone = new_tone;
            else if (new_shape && mark == MARK_NONE && letter_row(lower, new_shape) >= 0)
                mark = new_shape;
            else
                break;
            after += 2;
        }
        if (after != next) {
            out.append(reinterpret_cast<const char*>(run), p - run);
            append_utf8(out, compose_letter(tables, base, mark, tone));
            run = after;
        }
        p = after;
    }
    out.append(reinterpret_cast<const char*>(run), end - run);
    return out;
}

// Marks in canonical order: horn (class 216), dot below (220), then the
// circumflex or breve before the other tones (all 230).
std::string write_nfd(std::string_view utf8)
{
    return map_marked_letters(utf8, [](std::string& out, const VietLetter& letter) {
        if (letter.mark == MARK_STROKE) {
            append_utf8(out, letter.codepoint);
            return;
        }
        out += letter.base;
        if (letter.mark == MARK_HORN)
            append_utf8(out, COMBINING_HORN);
        if (letter.tone == TONE_DOT)
            append_utf8(out, COMBINING_DOT);
        if (letter.mark == MARK_CIRCUMFLEX || letter.mark == MARK_BREVE)
            append_utf8(out, letter.mark == MARK_CIRCUMFLEX ? COMBINING_CIRCUMFLEX : COMBINING_BREVE);
        if (letter.tone != TONE_NONE && letter.tone != TONE_DOT)
            append_utf8(out, tone_mark(letter.tone));
    });
}

std::string write_nomarks(std::string_view utf8)
{
    return map_marked_letters(utf8, [](std::string& out, const VietLetter& letter) { out += letter.base; });
}

std::string write_ncr(std::string_view utf8, bool hex)
{
    return map_marked_letters(utf8, [hex](std::string& out, const VietLetter& letter) {
        char reference[16];
        int length = std::snprintf(reference, sizeof reference, hex ? "&#x%X;" : "&#%u;", letter.codepoint);
        out.append(reference, length);
    });
}

// Only references to marked letters are read; any other stays as written.
std::string read_ncr(std::string_view text)
{
    const LetterTables& tables = letter_tables();
    std::string out;
    out.reserve(text.size());
    size_t run = 0;
    for (size_t i = text.find("&#"); i != std::string_view::npos; i = text.find("&#", i + 1)) {
        size_t k = i + 2;
        bool hex = k < text.size() && (text[k] == 'x' || text[k] == 'X');
        k += hex;
        uint32_t value = 0;
        size_t digits = 0;
        for (; k < text.size() && digits < 8; ++k, ++digits) {
            char c = text[k];
            int digit = c >= '0' && c <= '9'                            ? c - '0'
                        : hex && (c | 0x20) >= 'a' && (c | 0x20) <= 'f' ? (c | 0x20) - 'a' + 10
                                                                        : -1;
            if (digit < 0)
                break;
            value = value * (hex ? 16 : 10) + digit;
        }
        if (digits == 0 || k >= text.size() || text[k] != ';' || marked_letter_index(tables, value) < 0)
            continue;
        out.append(text.substr(run, i - run));
        append_utf8(out, value);
        run = k + 1;
        i = k;
    }
    out.append(text.substr(run));
    return out;
}

}  // namespace miradot
