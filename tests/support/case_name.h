// Readable GoogleTest names for table cases ("method VNI" → MethodVNI,
// "Ctrl+Alt+Y" → Ctrl_Alt_Y). Letters and digits stay, a space starts a new
// capitalised word, "+" becomes "_", and any other non-ASCII unit is spelled
// out (_uE9) so that texts differing only there still get distinct names.
#pragma once

#include <string>
#include <string_view>

template <typename Char> std::string case_name(std::basic_string_view<Char> text)
{
    static const char HEX[] = "0123456789ABCDEF";
    std::string name;
    bool capital = true;
    for (Char c : text) {
        auto unit = static_cast<unsigned long>(static_cast<std::make_unsigned_t<Char>>(c));
        bool letter = (unit >= 'a' && unit <= 'z') || (unit >= 'A' && unit <= 'Z');
        if (letter || (unit >= '0' && unit <= '9')) {
            name += char(capital && unit >= 'a' && unit <= 'z' ? unit - 'a' + 'A' : unit);
            capital = false;
        } else if (unit == ' ') {
            capital = true;
        } else if (unit == '+') {
            name += '_';
        } else if (unit >= 0x80) {
            name += "_u";
            for (int shift = unit > 0xFF ? 12 : 4; shift >= 0; shift -= 4)
                name += HEX[(unit >> shift) & 0xF];
        }
    }
    return name.empty() ? "Empty" : name;
}

inline std::string case_name(const char* text) { return case_name(std::string_view(text)); }
inline std::string case_name(const char16_t* text) { return text ? case_name(std::u16string_view(text)) : "Absent"; }
inline std::string case_name(const wchar_t* text) { return text ? case_name(std::wstring_view(text)) : "Absent"; }
