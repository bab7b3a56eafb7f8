#include "utf.h"

namespace miradot {

namespace {

constexpr char32_t REPLACEMENT = 0xFFFD;

bool is_high_surrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool is_low_surrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Decodes the sequence at text[i]; `length` is the bytes it takes, and an
// ill-formed one (length 1 up to its maximal valid prefix) gives nothing.
std::optional<char32_t> decode(std::string_view text, size_t i, size_t& length)
{
    auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char lead = byte(i);
    length = 1;
    if (lead < 0x80)
        return lead;
    size_t need;
    char32_t value;
    unsigned char low = 0x80, high = 0xBF;  // bounds of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        need = 1;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 2;
        value = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 3;
        value = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return std::nullopt;
    }
    for (size_t k = 1; k <= need; ++k) {
        if (i + k >= text.size())
            return std::nullopt;
        unsigned char next = byte(i + k);
        if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF))
            return std::nullopt;
        value = (value << 6) | (next & 0x3F);
        length = k + 1;
    }
    return value;
}

void append_utf16(std::u16string& out, char32_t value)
{
    if (value >= 0x10000) {
        out += static_cast<char16_t>(0xD800 + ((value - 0x10000) >> 10));
        out += static_cast<char16_t>(0xDC00 + ((value - 0x10000) & 0x3FF));
    } else {
        out += static_cast<char16_t>(value);
    }
}

// False at the first ill-formed sequence when `replace` is off.
bool decode_all(std::string_view utf8, std::u16string& out, bool replace)
{
    out.clear();
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        size_t length;
        std::optional<char32_t> value = decode(utf8, i, length);
        if (!value && !replace)
            return false;
        append_utf16(out, value.value_or(REPLACEMENT));
        i += length;
    }
    return true;
}

}  // namespace

std::u16string utf8_to_utf16(std::string_view utf8)
{
    std::u16string out;
    decode_all(utf8, out, true);
    return out;
}

std::optional<std::u16string> utf8_to_utf16_checked(std::string_view utf8)
{
    std::u16string out;
    if (!decode_all(utf8, out, false))
        return std::nullopt;
    return out;
}

std::string utf16_to_utf8(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t value = text[i];
        if (is_high_surrogate(text[i]) && i + 1 < text.size() && is_low_surrogate(text[i + 1]))
            value = 0x10000 + ((value - 0xD800) << 10) + (text[++i] - 0xDC00);
        else if (is_high_surrogate(text[i]) || is_low_surrogate(text[i]))
            value = REPLACEMENT;
        if (value < 0x80) {
            out += static_cast<char>(value);
        } else if (value < 0x800) {
            out += static_cast<char>(0xC0 | (value >> 6));
            out += static_cast<char>(0x80 | (value & 0x3F));
        } else if (value < 0x10000) {
            out += static_cast<char>(0xE0 | (value >> 12));
            out += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (value & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (value >> 18));
            out += static_cast<char>(0x80 | ((value >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (value & 0x3F));
        }
    }
    return out;
}

int utf8_to_utf16(const char* text, char16_t* buffer, int capacity)
{
    if (capacity <= 0)
        return 0;
    buffer[0] = 0;
    if (!text || !*text)
        return 0;
    std::optional<std::u16string> whole = utf8_to_utf16_checked(text);
    if (!whole)
        return 0;
    int keep = static_cast<int>(whole->size()) < capacity - 1 ? static_cast<int>(whole->size()) : capacity - 1;
    if (keep > 0 && keep < static_cast<int>(whole->size()) && is_high_surrogate((*whole)[keep - 1]))
        --keep;
    whole->copy(buffer, keep);
    buffer[keep] = 0;
    return keep;
}

}  // namespace miradot
