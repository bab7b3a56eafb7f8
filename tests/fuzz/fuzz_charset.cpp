// Reads arbitrary bytes with every reader of the charset converter, in both
// forms of legacy text and as the clipboard's RTF and HTML, and checks that
// well-formed text stays well-formed, that what a reader gives comes back
// from every exact writer, and that the guess is one of the encodings.
#include <cstdint>
#include <string>

#include "charset.h"
#include "fuzz_checks.h"
#include "rich_text.h"

using namespace miradot;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 4096)
        return 0;
    const std::string input(reinterpret_cast<const char*>(data), size);
    const bool input_well_formed = input.find('\0') == std::string::npos && well_formed_utf8(input.c_str());
    for (int from = 0; from < CHARSET_COUNT; ++from) {
        for (LegacyForm form : {LEGACY_BYTES, LEGACY_CP1252_TEXT}) {
            std::string read = charset_decode(Charset(from), input, form);
            bool legacy_bytes = charset_is_legacy(Charset(from)) && form == LEGACY_BYTES;
            bool well_formed = read.find('\0') == std::string::npos && well_formed_utf8(read.c_str());
            if (input_well_formed || legacy_bytes)
                require(read.find('\0') != std::string::npos || well_formed);
            if (!well_formed)
                continue;
            // Composed once, the text is what every exact writer must give back.
            const std::string text = charset_decode(CHARSET_UNICODE, read, LEGACY_CP1252_TEXT);
            require(charset_decode(CHARSET_UNICODE, text, LEGACY_CP1252_TEXT) == text);
            for (int to = 0; to < CHARSET_NOMARKS; ++to) {
                if ((to == CHARSET_NCR || to == CHARSET_NCR_HEX) && text.find("&#") != std::string::npos)
                    continue;  // a reference written out as text reads as its letter
                for (LegacyForm out_form : {LEGACY_BYTES, LEGACY_CP1252_TEXT}) {
                    size_t unwritable = 0;
                    std::string written = charset_encode(Charset(to), text, out_form, &unwritable);
                    if (unwritable == 0)
                        require(charset_decode(Charset(to), written, out_form) == text);
                }
            }
        }
    }
    // The same bytes as the clipboard's RTF and HTML, between two pairs of encodings.
    for (Charset from : {CHARSET_TCVN3, CHARSET_UNICODE}) {
        Charset to = from == CHARSET_TCVN3 ? CHARSET_UNICODE : CHARSET_VNI_WINDOWS;
        std::string rtf = convert_rtf_text(input, from, to);
        require(rtf.empty() == input.empty() || rtf.size() <= 32 * input.size());
        std::string html = convert_clipboard_html(input, from, to);
        if (input_well_formed)
            require(html.find('\0') != std::string::npos || well_formed_utf8(html.c_str()));
    }
    CharsetGuess guess = guess_charset(input, legacy_form_of(input));
    require(guess.charset >= 0 && guess.charset < CHARSET_NOMARKS);
    return 0;
}
