#include "text_case.h"

#ifdef _WIN32
#include <windows.h>

std::u16string utf8_to_utf16(std::string_view utf8) {
    if (utf8.empty()) return {};
    int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::u16string text(units, u'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                        reinterpret_cast<wchar_t*>(text.data()), units);
    return text;
}

std::string utf16_to_utf8(const std::u16string& text) {
    if (text.empty()) return {};
    const wchar_t* wide = reinterpret_cast<const wchar_t*>(text.data());
    int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(bytes, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(text.size()), out.data(), bytes, nullptr, nullptr);
    return out;
}

void lower_case(std::u16string& text) {
    CharLowerBuffW(reinterpret_cast<wchar_t*>(text.data()), static_cast<DWORD>(text.size()));
}

void upper_case_first(std::u16string& text) {
    if (!text.empty()) CharUpperBuffW(reinterpret_cast<wchar_t*>(text.data()), 1);
}

#else
#include <cwctype>
#include <locale.h>

namespace {

locale_t unicode_locale() {
    static locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
    return locale;
}

char16_t map_unit(char16_t unit, bool upper) {
    if (unit >= 0xD800 && unit <= 0xDFFF) return unit;
    wint_t mapped = upper ? towupper_l(unit, unicode_locale()) : towlower_l(unit, unicode_locale());
    return mapped <= 0xFFFF ? static_cast<char16_t>(mapped) : unit;
}

// Length of the UTF-8 sequence led by byte, 0 for a byte that cannot lead.
size_t sequence_length(unsigned char byte) {
    if (byte < 0x80) return 1;
    if (byte >= 0xC2 && byte < 0xE0) return 2;
    if (byte >= 0xE0 && byte < 0xF0) return 3;
    if (byte >= 0xF0 && byte < 0xF5) return 4;
    return 0;
}

}  // namespace

std::u16string utf8_to_utf16(std::string_view utf8) {
    std::u16string text;
    size_t i = 0;
    while (i < utf8.size()) {
        size_t length = sequence_length(static_cast<unsigned char>(utf8[i]));
        char32_t cp = length == 1 ? static_cast<unsigned char>(utf8[i]) : 0xFFFD;
        if (length > 1 && i + length <= utf8.size()) {
            cp = static_cast<unsigned char>(utf8[i]) & (0x7F >> length);
            for (size_t k = 1; k < length; ++k) cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        }
        i += length ? length : 1;
        if (cp >= 0x10000) {
            text += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            text += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            text += static_cast<char16_t>(cp);
        }
    }
    return text;
}

std::string utf16_to_utf8(const std::u16string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size()) cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00);
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

void lower_case(std::u16string& text) {
    for (char16_t& unit : text) unit = map_unit(unit, false);
}

void upper_case_first(std::u16string& text) {
    if (!text.empty()) text[0] = map_unit(text[0], true);
}

#endif
