// The readers and writers of each encoding, behind charset.h.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "charset.h"
#include "viet_letters.h"

namespace miradot {

// Unicode in either form: base letters followed by their combining marks are
// composed.
std::string read_unicode(std::string_view utf8);
std::string write_nfd(std::string_view utf8);
std::string write_nomarks(std::string_view utf8);
std::string read_ncr(std::string_view text);
std::string write_ncr(std::string_view utf8, bool hex);
std::string read_viqr(std::string_view text);
std::string write_viqr(std::string_view utf8);
std::string read_legacy(Charset charset, std::string_view input, LegacyForm form);
std::string write_legacy(Charset charset, std::string_view utf8, LegacyForm form, size_t* unwritable);

// Calls on_letter(out, letter) for every marked letter of the UTF-8 text and
// copies everything else, ill-formed bytes included, as it is.
template <class OnLetter> std::string map_marked_letters(std::string_view utf8, OnLetter on_letter)
{
    const LetterTables& tables = letter_tables();
    std::string out;
    out.reserve(utf8.size() + utf8.size() / 4);
    const auto* begin = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = begin + utf8.size();
    const unsigned char* run = begin;
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
        int index = marked_letter_index(tables, c);
        if (index >= 0) {
            out.append(reinterpret_cast<const char*>(run), p - run);
            on_letter(out, tables.letters[index]);
            run = p + length;
        }
        p += length;
    }
    out.append(reinterpret_cast<const char*>(run), end - run);
    return out;
}

}  // namespace miradot
