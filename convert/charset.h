// Vietnamese text between Unicode and the encodings of older documents and
// fonts. Every reader gives UTF-8 with precomposed letters and every writer
// takes it; characters that are not Vietnamese letters pass unchanged.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace miradot {

enum Charset : int {
    CHARSET_UNICODE = 0,      // precomposed (NFC)
    CHARSET_NFD = 1,          // base letters with combining marks
    CHARSET_TCVN3 = 2,        // TCVN 5712:1993, the ABC fonts
    CHARSET_VNI_WINDOWS = 3,  // VNI: a base letter and a mark byte
    CHARSET_VISCII = 4,       // RFC 1456
    CHARSET_VIQR = 5,         // RFC 1456: marks as ASCII after the letter
    CHARSET_NCR = 6,          // HTML numeric references, decimal
    CHARSET_NCR_HEX = 7,      // the same in hexadecimal
    CHARSET_NOMARKS = 8,      // the letters without their marks
    CHARSET_COUNT = 9,
};

// How 8-bit text (TCVN3, VNI, VISCII) is carried: as its bytes, as in a file,
// or as the UTF-8 of their Windows-1252 reading, which is what a document in
// a legacy font puts on the clipboard.
enum LegacyForm : int {
    LEGACY_BYTES = 0,
    LEGACY_CP1252_TEXT = 1,
};

// The command-line name ("tcvn3") and the name shown to the user.
const char* charset_name(Charset charset);
const char* charset_label(Charset charset);
bool charset_from_name(std::string_view name, Charset* charset);
bool charset_is_legacy(Charset charset);

// Text given as legacy text is read in the Windows-1252 form when it is
// well-formed UTF-8 beyond ASCII, and as bytes otherwise.
LegacyForm legacy_form_of(std::string_view input);

// Reads `input` written in `from` (`form` counts for the legacy encodings).
std::string charset_decode(Charset from, std::string_view input, LegacyForm form);

// Writes UTF-8 text in `to`. A character the target has no place for becomes
// "?" and is counted in `unwritable`; in the Windows-1252 form only those
// whose Windows-1252 byte the target uses for a letter are.
std::string charset_encode(Charset to, std::string_view utf8, LegacyForm form, size_t* unwritable);

struct CharsetGuess {
    Charset charset;
    int words;  // words that read as Vietnamese syllables with marks
};

// The encoding whose reading of `input` makes the most words Vietnamese
// syllables with marks, less those it leaves with foreign letters; Unicode
// (or NFD, when it has combining marks) when none does better. `form` is
// how legacy readings take the input.
CharsetGuess guess_charset(std::string_view input, LegacyForm form);

}  // namespace miradot
