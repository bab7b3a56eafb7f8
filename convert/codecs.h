// The readers and writers of each encoding, behind charset.h.
#pragma once

#include <array>
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
// Windows-1252: the character a byte reads as, and the byte a character is
// the reading of (-1 for none).
uint32_t cp1252_reading(unsigned char b);
int cp1252_byte(uint32_t c);

std::string read_legacy(Charset charset, std::string_view input, LegacyForm form);
std::string write_legacy(Charset charset, std::string_view utf8, LegacyForm form, size_t* unwritable);

// What a writer puts for each marked letter, in the order of letter_tables().
using LetterForms = std::array<std::string, MARKED_LETTER_COUNT>;

// The UTF-8 text with every marked letter replaced by its form; everything
// else, ill-formed bytes included, is copied as it is.
std::string replace_marked_letters(std::string_view utf8, const LetterForms& forms);

}  // namespace miradot
