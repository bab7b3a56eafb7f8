// The 8-bit encodings: TCVN3 and VISCII, one byte a letter, and VNI-Windows,
// a base letter and a mark byte. Bytes that are no letter read as Windows-1252,
// the code page of the fonts these encodings were shown in.
#include <algorithm>
#include <cstring>
#include <array>
#include <vector>

#include "codecs.h"
#include "letters.h"

namespace miradot {

namespace {

constexpr uint16_t CP1252_HIGH[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

uint32_t cp1252_reading(unsigned char b) { return b >= 0x80 && b < 0xA0 ? CP1252_HIGH[b - 0x80] : b; }

int cp1252_byte(uint32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c < 0x100))
        return int(c);
    for (int i = 0; i < 32; ++i) {
        if (CP1252_HIGH[i] == c)
            return 0x80 + i;
    }
    return -1;
}

namespace {

struct BytePlace {
    uint8_t byte;
    uint16_t codepoint;
};

// TCVN 5712:1993 (VN1). The ABC fonts' VN3 has no capitals with tones, which
// they show through separate capital fonts; VN1 gives those their own bytes,
// so that every letter comes back as it went in. B0..B4 are combining tones.
constexpr BytePlace TCVN3_PLACES[] = {
    {0x01, 0x00DA}, {0x02, 0x1EE4}, {0x04, 0x1EEA}, {0x05, 0x1EEC}, {0x06, 0x1EEE}, {0x11, 0x1EE8}, {0x12, 0x1EF0},
    {0x13, 0x1EF2}, {0x14, 0x1EF6}, {0x15, 0x1EF8}, {0x16, 0x00DD}, {0x17, 0x1EF4}, {0x80, 0x00C0}, {0x81, 0x1EA2},
    {0x82, 0x00C3}, {0x83, 0x00C1}, {0x84, 0x1EA0}, {0x85, 0x1EB6}, {0x86, 0x1EAC}, {0x87, 0x00C8}, {0x88, 0x1EBA},
    {0x89, 0x1EBC}, {0x8A, 0x00C9}, {0x8B, 0x1EB8}, {0x8C, 0x1EC6}, {0x8D, 0x00CC}, {0x8E, 0x1EC8}, {0x8F, 0x0128},
    {0x90, 0x00CD}, {0x91, 0x1ECA}, {0x92, 0x00D2}, {0x93, 0x1ECE}, {0x94, 0x00D5}, {0x95, 0x00D3}, {0x96, 0x1ECC},
    {0x97, 0x1ED8}, {0x98, 0x1EDC}, {0x99, 0x1EDE}, {0x9A, 0x1EE0}, {0x9B, 0x1EDA}, {0x9C, 0x1EE2}, {0x9D, 0x00D9},
    {0x9E, 0x1EE6}, {0x9F, 0x0168}, {0xA0, 0x00A0}, {0xA1, 0x0102}, {0xA2, 0x00C2}, {0xA3, 0x00CA}, {0xA4, 0x00D4},
    {0xA5, 0x01A0}, {0xA6, 0x01AF}, {0xA7, 0x0110}, {0xA8, 0x0103}, {0xA9, 0x00E2}, {0xAA, 0x00EA}, {0xAB, 0x00F4},
    {0xAC, 0x01A1}, {0xAD, 0x01B0}, {0xAE, 0x0111}, {0xAF, 0x1EB0}, {0xB0, 0x0300}, {0xB1, 0x0309}, {0xB2, 0x0303},
    {0xB3, 0x0301}, {0xB4, 0x0323}, {0xB5, 0x00E0}, {0xB6, 0x1EA3}, {0xB7, 0x00E3}, {0xB8, 0x00E1}, {0xB9, 0x1EA1},
    {0xBA, 0x1EB2}, {0xBB, 0x1EB1}, {0xBC, 0x1EB3}, {0xBD, 0x1EB5}, {0xBE, 0x1EAF}, {0xBF, 0x1EB4}, {0xC0, 0x1EAE},
    {0xC1, 0x1EA6}, {0xC2, 0x1EA8}, {0xC3, 0x1EAA}, {0xC4, 0x1EA4}, {0xC5, 0x1EC0}, {0xC6, 0x1EB7}, {0xC7, 0x1EA7},
    {0xC8, 0x1EA9}, {0xC9, 0x1EAB}, {0xCA, 0x1EA5}, {0xCB, 0x1EAD}, {0xCC, 0x00E8}, {0xCD, 0x1EC2}, {0xCE, 0x1EBB},
    {0xCF, 0x1EBD}, {0xD0, 0x00E9}, {0xD1, 0x1EB9}, {0xD2, 0x1EC1}, {0xD3, 0x1EC3}, {0xD4, 0x1EC5}, {0xD5, 0x1EBF},
    {0xD6, 0x1EC7}, {0xD7, 0x00EC}, {0xD8, 0x1EC9}, {0xD9, 0x1EC4}, {0xDA, 0x1EBE}, {0xDB, 0x1ED2}, {0xDC, 0x0129},
    {0xDD, 0x00ED}, {0xDE, 0x1ECB}, {0xDF, 0x00F2}, {0xE0, 0x1ED4}, {0xE1, 0x1ECF}, {0xE2, 0x00F5}, {0xE3, 0x00F3},
    {0xE4, 0x1ECD}, {0xE5, 0x1ED3}, {0xE6, 0x1ED5}, {0xE7, 0x1ED7}, {0xE8, 0x1ED1}, {0xE9, 0x1ED9}, {0xEA, 0x1EDD},
    {0xEB, 0x1EDF}, {0xEC, 0x1EE1}, {0xED, 0x1EDB}, {0xEE, 0x1EE3}, {0xEF, 0x00F9}, {0xF0, 0x1ED6}, {0xF1, 0x1EE7},
    {0xF2, 0x0169}, {0xF3, 0x00FA}, {0xF4, 0x1EE5}, {0xF5, 0x1EEB}, {0xF6, 0x1EED}, {0xF7, 0x1EEF}, {0xF8, 0x1EE9},
    {0xF9, 0x1EF1}, {0xFA, 0x1EF3}, {0xFB, 0x1EF7}, {0xFC, 0x1EF9}, {0xFD, 0x00FD}, {0xFE, 0x1EF5}, {0xFF, 0x1ED0},
};

// RFC 1456; the places from C0 up that equal Latin-1 are its letters too.
constexpr BytePlace VISCII_PLACES[] = {
    {0x02, 0x1EB2}, {0x05, 0x1EB4}, {0x06, 0x1EAA}, {0x14, 0x1EF6}, {0x19, 0x1EF8}, {0x1E, 0x1EF4}, {0x80, 0x1EA0},
    {0x81, 0x1EAE}, {0x82, 0x1EB0}, {0x83, 0x1EB6}, {0x84, 0x1EA4}, {0x85, 0x1EA6}, {0x86, 0x1EA8}, {0x87, 0x1EAC},
    {0x88, 0x1EBC}, {0x89, 0x1EB8}, {0x8A, 0x1EBE}, {0x8B, 0x1EC0}, {0x8C, 0x1EC2}, {0x8D, 0x1EC4}, {0x8E, 0x1EC6},
    {0x8F, 0x1ED0}, {0x90, 0x1ED2}, {0x91, 0x1ED4}, {0x92, 0x1ED6}, {0x93, 0x1ED8}, {0x94, 0x1EE2}, {0x95, 0x1EDA},
    {0x96, 0x1EDC}, {0x97, 0x1EDE}, {0x98, 0x1ECA}, {0x99, 0x1ECE}, {0x9A, 0x1ECC}, {0x9B, 0x1EC8}, {0x9C, 0x1EE6},
    {0x9D, 0x0168}, {0x9E, 0x1EE4}, {0x9F, 0x1EF2}, {0xA0, 0x00D5}, {0xA1, 0x1EAF}, {0xA2, 0x1EB1}, {0xA3, 0x1EB7},
    {0xA4, 0x1EA5}, {0xA5, 0x1EA7}, {0xA6, 0x1EA9}, {0xA7, 0x1EAD}, {0xA8, 0x1EBD}, {0xA9, 0x1EB9}, {0xAA, 0x1EBF},
    {0xAB, 0x1EC1}, {0xAC, 0x1EC3}, {0xAD, 0x1EC5}, {0xAE, 0x1EC7}, {0xAF, 0x1ED1}, {0xB0, 0x1ED3}, {0xB1, 0x1ED5},
    {0xB2, 0x1ED7}, {0xB3, 0x1EE0}, {0xB4, 0x01A0}, {0xB5, 0x1ED9}, {0xB6, 0x1EDD}, {0xB7, 0x1EDF}, {0xB8, 0x1ECB},
    {0xB9, 0x1EF0}, {0xBA, 0x1EE8}, {0xBB, 0x1EEA}, {0xBC, 0x1EEC}, {0xBD, 0x01A1}, {0xBE, 0x1EDB}, {0xBF, 0x01AF},
    {0xC4, 0x1EA2}, {0xC5, 0x0102}, {0xC6, 0x1EB3}, {0xC7, 0x1EB5}, {0xCB, 0x1EBA}, {0xCE, 0x0128}, {0xCF, 0x1EF3},
    {0xD0, 0x0110}, {0xD1, 0x1EE9}, {0xD5, 0x1EA1}, {0xD6, 0x1EF7}, {0xD7, 0x1EEB}, {0xD8, 0x1EED}, {0xDB, 0x1EF9},
    {0xDC, 0x1EF5}, {0xDE, 0x1EE1}, {0xDF, 0x01B0}, {0xE4, 0x1EA3}, {0xE5, 0x0103}, {0xE6, 0x1EEF}, {0xE7, 0x1EAB},
    {0xEB, 0x1EBB}, {0xEE, 0x0129}, {0xEF, 0x1EC9}, {0xF0, 0x0111}, {0xF1, 0x1EF1}, {0xF6, 0x1ECF}, {0xF7, 0x1ECD},
    {0xF8, 0x1EE5}, {0xFB, 0x0169}, {0xFC, 0x1EE7}, {0xFE, 0x1EE3}, {0xFF, 0x1EEE}, {0xC0, 0x00C0}, {0xC1, 0x00C1},
    {0xC2, 0x00C2}, {0xC3, 0x00C3}, {0xC8, 0x00C8}, {0xC9, 0x00C9}, {0xCA, 0x00CA}, {0xCC, 0x00CC}, {0xCD, 0x00CD},
    {0xD2, 0x00D2}, {0xD3, 0x00D3}, {0xD4, 0x00D4}, {0xD9, 0x00D9}, {0xDA, 0x00DA}, {0xDD, 0x00DD}, {0xE0, 0x00E0},
    {0xE1, 0x00E1}, {0xE2, 0x00E2}, {0xE3, 0x00E3}, {0xE8, 0x00E8}, {0xE9, 0x00E9}, {0xEA, 0x00EA}, {0xEC, 0x00EC},
    {0xED, 0x00ED}, {0xF2, 0x00F2}, {0xF3, 0x00F3}, {0xF4, 0x00F4}, {0xF5, 0x00F5}, {0xF9, 0x00F9}, {0xFA, 0x00FA},
    {0xFD, 0x00FD},
};

// VNI: the letters of one byte; every other letter is its base letter (ơ and
// ư among them) followed by one of the mark bytes below.
constexpr BytePlace VNI_PLACES[] = {
    {0xF4, 0x01A1}, {0xF6, 0x01B0}, {0xD4, 0x01A0}, {0xD6, 0x01AF}, {0xF1, 0x0111}, {0xD1, 0x0110},
    {0xED, 0x00ED}, {0xEC, 0x00EC}, {0xE6, 0x1EC9}, {0xF3, 0x0129}, {0xF2, 0x1ECB}, {0xEE, 0x1EF5},
    {0xCD, 0x00CD}, {0xCC, 0x00CC}, {0xC6, 0x1EC8}, {0xD3, 0x0128}, {0xD2, 0x1ECA}, {0xCE, 0x1EF4},
};

// Lower-case mark bytes by shape (none, circumflex, breve) and tone; the
// capital ones are 0x20 below. 0: no such byte.
constexpr uint8_t VNI_MARK_BYTES[3][6] = {
    {0, 0xF9, 0xF8, 0xFB, 0xF5, 0xEF},
    {0xE2, 0xE1, 0xE0, 0xE5, 0xE3, 0xE4},
    {0xEA, 0xE9, 0xE8, 0xFA, 0xFC, 0xEB},
};

struct MarkByte {
    uint8_t shape;  // LetterMark
    uint8_t tone;
    bool upper;
    bool valid;
};

// A unit of legacy text: a byte, or in the Windows-1252 form a character that
// has no byte there.
constexpr uint32_t FOREIGN = 0x80000000u;

struct ByteTable {
    uint32_t reading[256];
    char utf8[256][4];
    uint8_t utf8_length[256];
    int16_t low[0x1B1];  // code points below U+01B1 → byte, or -1
    int16_t extended[0x1EFA - 0x1EA0];
    std::vector<std::pair<uint32_t, uint8_t>> others;  // sorted
    uint8_t letter_bytes[MARKED_LETTER_COUNT][2];      // VNI takes two
    MarkByte marks[256];                               // VNI only
};

int byte_for(const ByteTable& table, uint32_t c)
{
    if (c < 0x1B1)
        return table.low[c];
    if (c >= 0x1EA0 && c <= 0x1EF9)
        return table.extended[c - 0x1EA0];
    auto found = std::lower_bound(table.others.begin(), table.others.end(), std::make_pair(c, uint8_t(0)));
    return found != table.others.end() && found->first == c ? found->second : -1;
}

ByteTable make_table(const BytePlace* places, size_t count, bool vni)
{
    const LetterTables& letters = letter_tables();
    ByteTable table{};
    for (int b = 0; b < 256; ++b)
        table.reading[b] = cp1252_reading(static_cast<unsigned char>(b));
    for (size_t i = 0; i < count; ++i)
        table.reading[places[i].byte] = places[i].codepoint;
    std::fill(std::begin(table.low), std::end(table.low), int16_t(-1));
    std::fill(std::begin(table.extended), std::end(table.extended), int16_t(-1));
    for (int b = 0; b < 256; ++b) {
        uint32_t c = table.reading[b];
        std::string text;
        append_utf8(text, c);
        std::copy(text.begin(), text.end(), table.utf8[b]);
        table.utf8_length[b] = static_cast<uint8_t>(text.size());
        if (c < 0x1B1)
            table.low[c] = int16_t(b);
        else if (c >= 0x1EA0 && c <= 0x1EF9)
            table.extended[c - 0x1EA0] = int16_t(b);
        else
            table.others.emplace_back(c, uint8_t(b));
    }
    std::sort(table.others.begin(), table.others.end());
    if (vni) {
        for (int shape = 0; shape < 3; ++shape) {
            for (int tone = 0; tone < 6; ++tone) {
                uint8_t lower = VNI_MARK_BYTES[shape][tone];
                if (!lower)
                    continue;
                uint8_t mark = shape == 0 ? MARK_NONE : shape == 1 ? MARK_CIRCUMFLEX : MARK_BREVE;
                table.marks[lower] = MarkByte{mark, uint8_t(tone), false, true};
                table.marks[lower - 0x20] = MarkByte{mark, uint8_t(tone), true, true};
            }
        }
    }
    for (int i = 0; i < MARKED_LETTER_COUNT; ++i) {
        const VietLetter& letter = letters.letters[i];
        if (!vni) {
            table.letter_bytes[i][0] = uint8_t(byte_for(table, letter.codepoint));
            continue;
        }
        // Other bytes read as Windows-1252 letters (FD: ý) are no VNI letters.
        const BytePlace* single = std::find_if(
            places, places + count, [&](const BytePlace& place) { return place.codepoint == letter.codepoint; });
        if (single != places + count) {
            table.letter_bytes[i][0] = single->byte;
            continue;
        }
        bool upper = letter.base < 'a';
        bool horn = letter.mark == MARK_HORN;
        uint8_t shape = horn ? 0 : letter.mark == MARK_CIRCUMFLEX ? 1 : letter.mark == MARK_BREVE ? 2 : 0;
        uint8_t base = horn ? uint8_t(byte_for(table, compose_letter(letters, letter.base, MARK_HORN, 0)))
                            : uint8_t(letter.base);
        table.letter_bytes[i][0] = base;
        table.letter_bytes[i][1] = uint8_t(VNI_MARK_BYTES[shape][letter.tone] - (upper ? 0x20 : 0));
    }
    return table;
}

// Windows-1252 alone, for the UTF-8 of each byte's reading.
const ByteTable& cp1252_table()
{
    static const ByteTable table = make_table(nullptr, 0, false);
    return table;
}

const ByteTable& byte_table(Charset charset)
{
    static const ByteTable tcvn3 = make_table(TCVN3_PLACES, std::size(TCVN3_PLACES), false);
    static const ByteTable viscii = make_table(VISCII_PLACES, std::size(VISCII_PLACES), false);
    static const ByteTable vni = make_table(VNI_PLACES, std::size(VNI_PLACES), true);
    return charset == CHARSET_TCVN3 ? tcvn3 : charset == CHARSET_VISCII ? viscii : vni;
}

// The VNI letter a base unit and a mark unit make, or 0. Bases are the
// vowels and ơ ư; i and ỵ have bytes of their own; the mark's case is the
// base's.
uint32_t vni_combine(const ByteTable& table, uint32_t base_unit, uint32_t mark_unit)
{
    if (mark_unit >= 256 || !table.marks[mark_unit].valid)
        return 0;
    const MarkByte& mark = table.marks[mark_unit];
    char base;
    uint8_t shape = mark.shape;
    if (base_unit < 0x80 && is_ascii_vowel(char(base_unit)) && (base_unit | 0x20) != 'i') {
        base = char(base_unit);
        if ((base | 0x20) == 'y' && mark.tone == TONE_DOT)
            return 0;
    } else if (base_unit == 0xF4 || base_unit == 0xF6 || base_unit == 0xD4 || base_unit == 0xD6) {
        if (shape != MARK_NONE)
            return 0;
        base = char((base_unit & 0x0F) == 4 ? 'o' : 'u') - ((base_unit & 0x20) ? 0 : 32);
        shape = MARK_HORN;
    } else {
        return 0;
    }
    if ((base < 'a') != mark.upper)
        return 0;
    return compose_letter(letter_tables(), base, shape, mark.tone);
}

std::vector<uint32_t> text_units(std::string_view utf8)
{
    std::vector<uint32_t> units;
    units.reserve(utf8.size());
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = p + utf8.size();
    while (p < end) {
        uint32_t c;
        const int length = code_point_or_replacement(p, end, &c);
        int b = cp1252_byte(c);
        units.push_back(b >= 0 ? uint32_t(b) : (c | FOREIGN));
        p += length;
    }
    return units;
}

// Every unit gives at most four bytes (a foreign character), a byte at most
// three, and a VNI pair at most three.
template <class Unit> std::string read_units(const ByteTable& table, bool vni, const Unit* units, size_t count)
{
    std::string out(count * 4, '\0');
    char* w = out.data();
    for (size_t i = 0; i < count; ++i) {
        uint32_t unit = units[i];
        if (vni && i + 1 < count) {
            if (uint32_t letter = vni_combine(table, unit, units[i + 1])) {
                w += put_utf8(w, letter);
                ++i;
                continue;
            }
        }
        if (unit & FOREIGN) {
            w += put_utf8(w, unit & ~FOREIGN);
        } else {
            std::memcpy(w, table.utf8[unit], 4);
            w += table.utf8_length[unit];
        }
    }
    out.resize(w - out.data());
    return out;
}

}  // namespace

std::string read_legacy(Charset charset, std::string_view input, LegacyForm form)
{
    const ByteTable& table = byte_table(charset);
    bool vni = charset == CHARSET_VNI_WINDOWS;
    if (form == LEGACY_CP1252_TEXT) {
        std::vector<uint32_t> units = text_units(input);
        return read_units(table, vni, units.data(), units.size());
    }
    return read_units(table, vni, reinterpret_cast<const unsigned char*>(input.data()), input.size());
}

// Each input character gives at most twice its UTF-8 length: a letter two
// units of at most three bytes each in the Windows-1252 form (the shortest
// letters take two bytes), anything else its own length or one byte.
std::string write_legacy(Charset charset, std::string_view utf8, LegacyForm form, size_t* unwritable)
{
    const ByteTable& table = byte_table(charset);
    const LetterTables& letters = letter_tables();
    const bool vni = charset == CHARSET_VNI_WINDOWS;
    const bool as_text = form == LEGACY_CP1252_TEXT;
    const ByteTable& cp1252 = cp1252_table();
    std::string out(utf8.size() * 2 + 8, '\0');
    char* w = out.data();
    size_t lost = 0;
    uint32_t previous = FOREIGN;  // the last unit written
    auto put = [&](uint8_t b) {
        if (as_text) {
            std::memcpy(w, cp1252.utf8[b], 4);
            w += cp1252.utf8_length[b];
        } else {
            *w++ = char(b);
        }
        previous = b;
    };
    auto put_lost = [&]() {
        *w++ = '?';
        previous = '?';
        ++lost;
    };
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = p + utf8.size();
    while (p < end) {
        if (*p < 0x80 && table.reading[*p] == *p) {
            previous = *p;
            *w++ = char(*p++);
            continue;
        }
        uint32_t c;
        int length = utf8_sequence(p, end, &c);
        if (length == 0) {
            if (as_text) {
                *w++ = char(*p);
                previous = FOREIGN;
            } else {
                put_lost();
            }
            ++p;
            continue;
        }
        if (int index = marked_letter_index(letters, c); index >= 0) {
            put(table.letter_bytes[index][0]);
            if (table.letter_bytes[index][1])
                put(table.letter_bytes[index][1]);
        } else if (int b = byte_for(table, c); b >= 0 && !(vni && vni_combine(table, previous, uint32_t(b)))) {
            put(uint8_t(b));
        } else if (as_text && cp1252_byte(c) < 0) {
            std::memcpy(w, p, length);
            w += length;
            previous = FOREIGN;
        } else {
            put_lost();
        }
        p += length;
    }
    out.resize(w - out.data());
    if (unwritable)
        *unwritable = lost;
    return out;
}

}  // namespace miradot
