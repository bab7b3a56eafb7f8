#include "letters.h"

#include <cstring>

#include "text_util.h"

namespace miradot {

namespace {

constexpr int VOWEL_ROWS = 12;
constexpr int TONE_COLUMNS = 6;
constexpr char ROW_BASES[] = "aaaeeiooouuy";
constexpr uint8_t ROW_MARKS[VOWEL_ROWS] = {0, 2, 1, 0, 1, 0, 0, 1, 3, 0, 3, 0};
constexpr const char* VOWEL_ROW_TEXT[VOWEL_ROWS] = {
    "aáàảãạ", "ăắằẳẵặ", "âấầẩẫậ", "eéèẻẽẹ", "êếềểễệ", "iíìỉĩị",
    "oóòỏõọ", "ôốồổỗộ", "ơớờởỡợ", "uúùủũụ", "ưứừửữự", "yýỳỷỹỵ",
};
constexpr int ALPHABET_SIZE = 93;
constexpr const char* LOWER_ALPHABET
    = "aàáảãạăằắẳẵặâầấẩẫậbcdđeèéẻẽẹêềếểễệfghiìíỉĩịjklmnoòóỏõọôồốổỗộơờớởỡợpqrstuùúủũụưừứửữựvwxyỳýỷỹỵz";
constexpr const char* UPPER_ALPHABET
    = "AÀÁẢÃẠĂẰẮẲẴẶÂẦẤẨẪẬBCDĐEÈÉẺẼẸÊỀẾỂỄỆFGHIÌÍỈĨỊJKLMNOÒÓỎÕỌÔỒỐỔỖỘƠỜỚỞỠỢPQRSTUÙÚỦŨỤƯỪỨỬỮỰVWXYỲÝỶỸỴZ";
constexpr uint32_t D_STROKE = 0x0111;
constexpr uint32_t D_STROKE_UPPER = 0x0110;

// Reverse index of the vowel table: code point -> 1 + row * 6 + column, with
// bit 7 set for the upper-case form; 0 when the code point is not a vowel.
constexpr uint32_t LATIN_LIMIT = 0x1B2;
constexpr uint32_t EXTENDED_FIRST = 0x1EA0;
constexpr uint32_t EXTENDED_LIMIT = 0x1EFA;
constexpr uint8_t UPPER_BIT = 0x80;

struct CharTables {
    uint32_t vowels[VOWEL_ROWS][TONE_COLUMNS];
    uint32_t lowerAlphabet[ALPHABET_SIZE];
    uint32_t upperAlphabet[ALPHABET_SIZE];
    uint8_t latinIndex[LATIN_LIMIT];
    uint8_t extendedIndex[EXTENDED_LIMIT - EXTENDED_FIRST];
};

template <typename Tables>  // CharTables or const CharTables
auto index_slot(Tables& t, uint32_t c) -> decltype(&t.latinIndex[0])
{
    if (c < LATIN_LIMIT)
        return &t.latinIndex[c];
    if (c >= EXTENDED_FIRST && c < EXTENDED_LIMIT)
        return &t.extendedIndex[c - EXTENDED_FIRST];
    return nullptr;
}

void decode_into(const char* text, uint32_t* out, int count)
{
    for (int i = 0; i < count; ++i)
        out[i] = decode_utf8_char(&text);
}

const CharTables& tables()
{
    static const CharTables built = [] {
        CharTables t{};
        for (int row = 0; row < VOWEL_ROWS; ++row)
            decode_into(VOWEL_ROW_TEXT[row], t.vowels[row], TONE_COLUMNS);
        // Filled backwards so that the first cell wins, as a row-by-row search would.
        for (int cell = VOWEL_ROWS * TONE_COLUMNS - 1; cell >= 0; --cell) {
            uint32_t lower = t.vowels[cell / TONE_COLUMNS][cell % TONE_COLUMNS];
            if (uint8_t* slot = index_slot(t, upper_codepoint(lower)))
                *slot = static_cast<uint8_t>((cell + 1) | UPPER_BIT);
            if (uint8_t* slot = index_slot(t, lower))
                *slot = static_cast<uint8_t>(cell + 1);
        }
        decode_into(LOWER_ALPHABET, t.lowerAlphabet, ALPHABET_SIZE);
        decode_into(UPPER_ALPHABET, t.upperAlphabet, ALPHABET_SIZE);
        return t;
    }();
    return built;
}

int vowel_row(Letter letter)
{
    switch (letter.base) {
    case 'a':
        return letter.mark == MARK_BREVE ? 1 : letter.mark == MARK_CIRCUMFLEX ? 2 : 0;
    case 'e':
        return letter.mark == MARK_CIRCUMFLEX ? 4 : 3;
    case 'i':
        return 5;
    case 'o':
        return letter.mark == MARK_CIRCUMFLEX ? 7 : letter.mark == MARK_HORN ? 8 : 6;
    case 'u':
        return letter.mark == MARK_HORN ? 10 : 9;
    case 'y':
        return 11;
    default:
        return -1;
    }
}

// The lower-case code point a letter shows, with the given tone column.
uint32_t letter_codepoint(Letter letter, int toneColumn)
{
    if (letter.mark == MARK_STROKE)
        return D_STROKE;
    int row = vowel_row(letter);
    if (row < 0)
        return letter.base;
    return tables().vowels[row][toneColumn];
}

// Finds a character in the table: letter and tone, or false.
bool lookup_char(uint32_t c, Letter* letter, int* tone)
{
    if (c < 128) {
        if (!is_ascii_letter(c))
            return false;
        *letter = Letter{static_cast<uint8_t>(is_ascii_upper(c) ? c + 32 : c), MARK_NONE, is_ascii_upper(c)};
        *tone = 0;
        return true;
    }
    if (c == D_STROKE || c == D_STROKE_UPPER) {
        *letter = Letter{'d', MARK_STROKE, c == D_STROKE_UPPER};
        *tone = 0;
        return true;
    }
    const uint8_t* slot = index_slot(tables(), c);
    if (!slot || !*slot)
        return false;
    int cell = (*slot & ~UPPER_BIT) - 1;
    int row = cell / TONE_COLUMNS;
    *letter = Letter{static_cast<uint8_t>(ROW_BASES[row]), ROW_MARKS[row], (*slot & UPPER_BIT) != 0};
    *tone = cell % TONE_COLUMNS;
    return true;
}

bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Appends one code point when it and a terminator still fit.
bool put_char(uint32_t c, char* buffer, int size, int* used)
{
    int n = encode_utf8_char(c, buffer + *used, size - *used);
    if (n == 0)
        return false;
    *used += n;
    buffer[*used] = 0;
    return true;
}

}  // namespace

uint32_t decode_utf8_char(const char** cursor)
{
    const auto* p = reinterpret_cast<const unsigned char*>(*cursor);
    unsigned char lead = *p;
    if (lead < 0x80) {
        *cursor += 1;
        return lead;
    }
    int extra;
    uint32_t value;
    if (lead >= 0xC0 && lead <= 0xDF) {
        extra = 1;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2;
        value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF7) {
        extra = 3;
        value = lead & 0x07;
    } else {
        *cursor += 1;
        return REPLACEMENT_CHAR;
    }
    ++p;
    for (int i = 0; i < extra; ++i, ++p) {
        if (!is_continuation(*p)) {
            *cursor = reinterpret_cast<const char*>(p);
            return REPLACEMENT_CHAR;
        }
        value = (value << 6) | (*p & 0x3F);
    }
    *cursor = reinterpret_cast<const char*>(p);
    return value;
}

int encode_utf8_char(uint32_t c, char* buffer, int size)
{
    char bytes[4];
    int n;
    if (c < 0x80) {
        bytes[0] = static_cast<char>(c);
        n = 1;
    } else if (c < 0x800) {
        bytes[0] = static_cast<char>(0xC0 | (c >> 6));
        bytes[1] = static_cast<char>(0x80 | (c & 0x3F));
        n = 2;
    } else if (c < 0x10000) {
        bytes[0] = static_cast<char>(0xE0 | (c >> 12));
        bytes[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        bytes[2] = static_cast<char>(0x80 | (c & 0x3F));
        n = 3;
    } else if (c <= 0x10FFFF) {
        bytes[0] = static_cast<char>(0xF0 | (c >> 18));
        bytes[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        bytes[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        bytes[3] = static_cast<char>(0x80 | (c & 0x3F));
        n = 4;
    } else {
        return 0;
    }
    if (size <= n)
        return 0;
    std::memcpy(buffer, bytes, n);
    return n;
}

int utf8_char_count(const char* text)
{
    int count = 0;
    for (const auto* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        if (!is_continuation(*p))
            ++count;
    }
    return count;
}

uint32_t upper_codepoint(uint32_t c)
{
    if (is_ascii_lower(c) || (c >= 0xE0 && c <= 0xFE))
        return c - 32;
    return c - 1;
}

bool is_vowel_letter(Letter letter)
{
    switch (letter.base) {
    case 'a':
    case 'e':
    case 'i':
    case 'o':
    case 'u':
    case 'y':
        return letter.mark != MARK_STROKE;
    default:
        return false;
    }
}

bool syllable_append(Syllable* syllable, Letter letter)
{
    if (syllable->count >= MAX_LETTERS)
        return false;
    syllable->letters[syllable->count++] = letter;
    return true;
}

int parse_word(const char* word, Syllable* out)
{
    out->count = 0;
    out->tone = 0;
    const char* cursor = word;
    while (*cursor) {
        uint32_t c = decode_utf8_char(&cursor);
        if (out->count >= MAX_LETTERS)
            return 0;
        Letter letter;
        int tone;
        if (!lookup_char(c, &letter, &tone))
            return 0;
        if (tone > 0) {
            if (out->tone != 0)
                return 0;
            out->tone = tone;
        }
        out->letters[out->count++] = letter;
    }
    return 1;
}

bool is_word_codepoint(uint32_t c)
{
    Letter letter;
    int tone;
    return lookup_char(c, &letter, &tone);
}

SyllableSplit split_syllable(const Syllable& s)
{
    SyllableSplit split{s.count, s.count, false};
    int start = 0;
    while (start < s.count && !is_vowel_letter(s.letters[start]))
        ++start;
    if (start == s.count)
        return split;
    int end = start;
    while (end < s.count && is_vowel_letter(s.letters[end]))
        ++end;
    bool valid = end > start;
    for (int i = end; i < s.count; ++i) {
        if (is_vowel_letter(s.letters[i]))
            valid = false;
    }
    const Letter& first = s.letters[0];
    const Letter& second = s.letters[1];
    if (start == 1 && end - start >= 2 && first.mark == MARK_NONE && second.mark == MARK_NONE
        && ((first.base == 'q' && second.base == 'u') || (first.base == 'g' && second.base == 'i'))) {
        start = 2;
    }
    return SyllableSplit{start, end, valid};
}

int tone_position(const Syllable& s, bool oldStyle)
{
    SyllableSplit split = split_syllable(s);
    int start = split.nucleusStart, end = split.nucleusEnd;
    if (start == end) {
        for (int i = s.count - 1; i >= 0; --i) {
            if (is_vowel_letter(s.letters[i]))
                return i;
        }
        return -1;
    }
    if (end - start == 1)
        return start;
    for (int i = start + 1; i < end; ++i) {
        const Letter& a = s.letters[i - 1];
        const Letter& b = s.letters[i];
        if (a.base == 'u' && a.mark == MARK_HORN && b.base == 'o' && b.mark == MARK_HORN)
            return i;
    }
    for (int i = end - 1; i >= start; --i) {
        if (s.letters[i].mark != MARK_NONE)
            return i;
    }
    if (end - start > 2 || end < s.count)
        return start + 1;
    if (!oldStyle) {
        char a = static_cast<char>(s.letters[start].base), b = static_cast<char>(s.letters[start + 1].base);
        if ((a == 'o' && b == 'a') || (a == 'o' && b == 'e') || (a == 'u' && b == 'y'))
            return start + 1;
    }
    return start;
}

int render_syllable(const Syllable& s, bool oldStyle, bool ignoreCase, char* buffer, int size)
{
    if (size <= 0)
        return 0;
    buffer[0] = 0;
    int tonePos = s.tone != 0 ? tone_position(s, oldStyle) : -1;
    int used = 0;
    for (int i = 0; i < s.count; ++i) {
        const Letter& letter = s.letters[i];
        uint32_t c = letter_codepoint(letter, i == tonePos ? s.tone : 0);
        if (!ignoreCase && letter.upper)
            c = upper_codepoint(c);
        if (!put_char(c, buffer, size, &used))
            break;
    }
    return used;
}

int render_segment(const Syllable& s, int from, int to, char* buffer, int size)
{
    if (size <= 0)
        return 0;
    buffer[0] = 0;
    int used = 0;
    for (int i = from < 0 ? 0 : from; i < to && i < s.count; ++i) {
        put_char(letter_codepoint(s.letters[i], 0), buffer, size, &used);
    }
    return used;
}

void capitalize_first(char* buffer)
{
    const char* cursor = buffer;
    uint32_t first = decode_utf8_char(&cursor);
    const CharTables& t = tables();
    for (int i = 0; i < ALPHABET_SIZE; ++i) {
        if (t.lowerAlphabet[i] != first)
            continue;
        char result[256];
        int used = encode_utf8_char(t.upperAlphabet[i], result, sizeof result);
        result[used] = 0;
        append_text(result, sizeof result, cursor);
        std::memcpy(buffer, result, std::strlen(result) + 1);
        return;
    }
}

bool is_all_caps(const char* word)
{
    if (!*word)
        return false;
    Syllable s;
    if (parse_word(word, &s)) {
        for (int i = 0; i < s.count; ++i) {
            if (!s.letters[i].upper)
                return false;
        }
        return true;
    }
    for (const char* p = word; *p; ++p) {
        if (!is_ascii_upper(static_cast<unsigned char>(*p)))
            return false;
    }
    return true;
}

int to_lower_word(const char* word, char* buffer, int size)
{
    if (size <= 0)
        return 0;
    // ASCII has no letter whose lower form needs the syllable: English words
    // and raw keys skip the parse.
    bool ascii = true;
    for (const char* p = word; *p && ascii; ++p)
        ascii = static_cast<unsigned char>(*p) < 0x80;
    Syllable s;
    if (!ascii && parse_word(word, &s)) {
        for (int i = 0; i < s.count; ++i)
            s.letters[i].upper = 0;
        return render_syllable(s, false, false, buffer, size);
    }
    int used = 0;
    for (const char* p = word; *p && used < size - 1; ++p)
        buffer[used++] = ascii_lower(*p);
    buffer[used] = 0;
    return used;
}

int apply_case(const char* caseSource, const char* replacement, char* buffer, int size)
{
    if (size <= 0)
        return 0;
    buffer[0] = 0;
    bool allUpper = false, firstUpper = false;
    Syllable source;
    if (parse_word(caseSource, &source) && source.count > 0) {
        allUpper = true;
        for (int i = 0; i < source.count; ++i)
            allUpper = allUpper && source.letters[i].upper;
        firstUpper = source.letters[0].upper;
    }
    int used = 0;
    bool firstPiece = true;
    const char* p = replacement;
    while (true) {
        const char* space = std::strchr(p, ' ');
        int length = space ? static_cast<int>(space - p) : static_cast<int>(std::strlen(p));
        char piece[96];
        copy_text(piece, sizeof piece, p, length);
        if (!firstPiece)
            used = append_text(buffer, size, " ");
        Syllable s;
        if (parse_word(piece, &s)) {
            for (int i = 0; i < s.count; ++i) {
                bool leading = i == 0 && firstPiece && firstUpper;
                s.letters[i].upper = allUpper || leading;
            }
            char rendered[128];
            render_syllable(s, false, false, rendered, sizeof rendered);
            piece[0] = 0;
            append_text(piece, sizeof piece, rendered);
        }
        if (used + static_cast<int>(std::strlen(piece)) < size)
            used = append_text(buffer, size, piece);
        firstPiece = false;
        if (!space)
            break;
        p = space + 1;
    }
    return used;
}

}  // namespace miradot
