#include "viet_letters.h"

#include <cstring>

#include "letters.h"

namespace miradot {

namespace {

constexpr char ROW_BASES[] = "aaaeeiooouuyd";
constexpr uint8_t ROW_MARKS[]
    = {MARK_NONE,       MARK_BREVE, MARK_CIRCUMFLEX, MARK_NONE, MARK_CIRCUMFLEX, MARK_NONE,  MARK_NONE,
       MARK_CIRCUMFLEX, MARK_HORN,  MARK_NONE,       MARK_HORN, MARK_NONE,       MARK_STROKE};
constexpr int ROWS = 13;

// The engine's own rendering gives every letter, so the two never differ.
uint32_t render_letter(char lower_base, uint8_t mark, uint8_t tone, bool upper)
{
    Syllable syllable{};
    syllable.letters[0] = Letter{static_cast<uint8_t>(lower_base), mark, static_cast<uint8_t>(upper)};
    syllable.count = 1;
    syllable.tone = tone;
    char text[8];
    render_syllable(syllable, false, false, text, sizeof text);
    const char* cursor = text;
    return decode_utf8_char(&cursor);
}

LetterTables make_tables()
{
    LetterTables tables{};
    std::memset(tables.latin, 0xFF, sizeof tables.latin);
    std::memset(tables.extended, 0xFF, sizeof tables.extended);
    int count = 0;
    for (int row = 0; row < ROWS; ++row) {
        for (uint8_t tone = 0; tone < (row == 12 ? 1 : 6); ++tone) {
            for (int upper = 0; upper < 2; ++upper) {
                char base = upper ? char(ROW_BASES[row] - 32) : ROW_BASES[row];
                if (ROW_MARKS[row] == MARK_NONE && tone == 0) {
                    tables.composed[row][tone][upper] = static_cast<unsigned char>(base);
                    continue;
                }
                uint32_t c = render_letter(ROW_BASES[row], ROW_MARKS[row], tone, upper);
                tables.composed[row][tone][upper] = c;
                tables.letters[count] = VietLetter{c, base, ROW_MARKS[row], tone};
                int16_t& slot = c < 0x1EA0 ? tables.latin[c - 0xC0] : tables.extended[c - 0x1EA0];
                slot = static_cast<int16_t>(count++);
            }
        }
    }
    return tables;
}

}  // namespace

const LetterTables& letter_tables()
{
    static const LetterTables tables = make_tables();
    return tables;
}

int letter_row(char lower_base, uint8_t mark)
{
    for (int row = 0; row < ROWS; ++row) {
        if (ROW_BASES[row] == lower_base && ROW_MARKS[row] == mark)
            return row;
    }
    return -1;
}

uint32_t compose_letter(const LetterTables& tables, char base, uint8_t mark, uint8_t tone)
{
    bool upper = base >= 'A' && base <= 'Z';
    int row = letter_row(upper ? char(base + 32) : base, mark);
    if (row < 0 || tone > 5 || (row == 12 && tone != 0))
        return 0;
    return tables.composed[row][tone][upper];
}

int utf8_sequence(const unsigned char* p, const unsigned char* end, uint32_t* value)
{
    unsigned char lead = p[0];
    if (lead < 0x80) {
        *value = lead;
        return 1;
    }
    int need;
    uint32_t c;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        need = 1;
        c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 2;
        c = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 3;
        c = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (end - p <= need)
        return 0;
    for (int k = 1; k <= need; ++k) {
        unsigned char next = p[k];
        if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF))
            return 0;
        c = (c << 6) | (next & 0x3F);
    }
    *value = c;
    return need + 1;
}

int code_point_or_replacement(const unsigned char* p, const unsigned char* end, uint32_t* value)
{
    const int length = utf8_sequence(p, end, value);
    if (length > 0)
        return length;
    *value = 0xFFFD;
    return 1;
}

int put_utf8(char* out, uint32_t c)
{
    if (c < 0x80) {
        out[0] = char(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = char(0xC0 | (c >> 6));
        out[1] = char(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = char(0xE0 | (c >> 12));
        out[1] = char(0x80 | ((c >> 6) & 0x3F));
        out[2] = char(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = char(0xF0 | (c >> 18));
    out[1] = char(0x80 | ((c >> 12) & 0x3F));
    out[2] = char(0x80 | ((c >> 6) & 0x3F));
    out[3] = char(0x80 | (c & 0x3F));
    return 4;
}

void append_utf8(std::string& out, uint32_t c)
{
    char bytes[4];
    out.append(bytes, put_utf8(bytes, c));
}

}  // namespace miradot
