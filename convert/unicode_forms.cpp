// Unicode with precomposed letters or combining marks, HTML numeric
// references and the letters without marks.
#include <cstdio>
#include <cstring>

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

std::string replace_marked_letters(std::string_view utf8, const LetterForms& forms)
{
    const LetterTables& tables = letter_tables();
    std::string out;
    out.reserve(utf8.size() + utf8.size() / 4);
    const auto* begin = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = begin + utf8.size();
    const unsigned char* run = begin;
    // Marked letters begin with C3..C6 (U+00C0..U+01B0) or E1 (U+1EA0..).
    for (const unsigned char* p = begin; p < end;) {
        if (*p < 0xC3) {
            ++p;
            continue;
        }
        uint32_t c;
        int length = utf8_sequence(p, end, &c);
        if (length == 0) {
            ++p;
            continue;
        }
        if (int index = marked_letter_index(tables, c); index >= 0) {
            out.append(reinterpret_cast<const char*>(run), p - run);
            out += forms[index];
            run = p + length;
        }
        p += length;
    }
    out.append(reinterpret_cast<const char*>(run), end - run);
    return out;
}

namespace {

// Composes a base letter with the combining marks after it, from `next`;
// returns where the marks it took end (`next` when it took none).
const unsigned char* compose_at(const LetterTables& tables, uint32_t c, const unsigned char* next,
                                const unsigned char* end, std::string& out)
{
    char base;
    uint8_t mark = MARK_NONE, tone = TONE_NONE;
    if (c < 0x80 && is_ascii_vowel(char(c))) {
        base = char(c);
    } else if (int index = marked_letter_index(tables, c); index >= 0 && tables.letters[index].mark != MARK_STROKE) {
        base = tables.letters[index].base;
        mark = tables.letters[index].mark;
        tone = tables.letters[index].tone;
    } else {
        return next;
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
    if (after != next)
        append_utf8(out, compose_letter(tables, base, mark, tone));
    return after;
}

}  // namespace

std::string read_unicode(std::string_view utf8)
{
    // Every mark Vietnamese letters take lies in U+0300..U+033F, whose UTF-8
    // begins with CC: text without that byte is already composed.
    const char* data = utf8.data();
    const size_t size = utf8.size();
    const void* found = std::memchr(data, 0xCC, size);
    if (!found)
        return std::string(utf8);
    const LetterTables& tables = letter_tables();
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    std::string out;
    out.reserve(size);
    size_t run = 0;
    for (size_t k = static_cast<const char*>(found) - data; k < size;) {
        // The character that ends right before the mark.
        size_t start = k;
        while (start > run && k - start < 4 && (bytes[start - 1] & 0xC0) == 0x80)
            --start;
        start = start > run ? start - 1 : run;
        uint32_t c;
        size_t next = k + 1;
        if (start < k && utf8_sequence(bytes + start, bytes + k, &c) == int(k - start)) {
            std::string letter;
            const unsigned char* after = compose_at(tables, c, bytes + k, bytes + size, letter);
            if (!letter.empty()) {
                out.append(data + run, start - run);
                out += letter;
                run = next = after - bytes;
            }
        }
        found = next < size ? std::memchr(data + next, 0xCC, size - next) : nullptr;
        k = found ? static_cast<const char*>(found) - data : size;
    }
    out.append(data + run, size - run);
    return out;
}

namespace {

template <class Form> LetterForms make_forms(Form form)
{
    LetterForms forms;
    for (int i = 0; i < MARKED_LETTER_COUNT; ++i)
        forms[i] = form(letter_tables().letters[i]);
    return forms;
}

}  // namespace

// Marks in canonical order: horn (class 216), dot below (220), then the
// circumflex or breve before the other tones (all 230).
std::string write_nfd(std::string_view utf8)
{
    static const LetterForms forms = make_forms([](const VietLetter& letter) {
        std::string out;
        if (letter.mark == MARK_STROKE) {
            append_utf8(out, letter.codepoint);
            return out;
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
        return out;
    });
    return replace_marked_letters(utf8, forms);
}

std::string write_nomarks(std::string_view utf8)
{
    static const LetterForms forms = make_forms([](const VietLetter& letter) { return std::string(1, letter.base); });
    return replace_marked_letters(utf8, forms);
}

std::string write_ncr(std::string_view utf8, bool hex)
{
    auto reference = [](const char* format) {
        return [format](const VietLetter& letter) {
            char text[16];
            int length = std::snprintf(text, sizeof text, format, letter.codepoint);
            return std::string(text, length);
        };
    };
    static const LetterForms decimal = make_forms(reference("&#%u;"));
    static const LetterForms hexadecimal = make_forms(reference("&#x%X;"));
    return replace_marked_letters(utf8, hex ? hexadecimal : decimal);
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
