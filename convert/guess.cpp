// Guessing the encoding: each reading of a sample is scored by its words of
// two letters or more, one point for each that is a Vietnamese syllable with
// marks and one off for each that holds other letters beyond ASCII.
#include <cstring>

#include "codecs.h"
#include "letters.h"

namespace miradot {

namespace {

constexpr size_t SAMPLE_BYTES = 256 * 1024;

bool one_of(const char* piece, const char* const* list, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        if (std::strcmp(piece, list[i]) == 0)
            return true;
    }
    return false;
}

bool is_syllable(const std::string& word)
{
    static const char* const INITIALS[]
        = {"",  "b",  "c",   "ch", "d", "đ",  "g",  "gh", "gi", "h", "k",  "kh", "l", "m",
           "n", "ng", "ngh", "nh", "p", "ph", "qu", "r",  "s",  "t", "th", "tr", "v", "x"};
    static const char* const NUCLEI[]
        = {"a",   "ă",   "â",   "e",   "ê",   "i",   "o",   "ô",   "ơ",   "u",   "ư",   "y",   "ai", "ao",
           "au",  "ay",  "âu",  "ây",  "eo",  "êu",  "ia",  "iê",  "iu",  "oa",  "oă",  "oe",  "oi", "ôi",
           "ơi",  "oo",  "ua",  "uâ",  "uê",  "ui",  "uô",  "uơ",  "uy",  "ưa",  "ưi",  "ưu",  "ươ", "yê",
           "iêu", "oai", "oay", "oeo", "uây", "uôi", "uya", "uyê", "uyu", "ươi", "ươu", "yêu", "oao"};
    static const char* const FINALS[] = {"", "c", "ch", "m", "n", "ng", "nh", "p", "t"};
    Syllable syllable;
    if (!parse_word(word.c_str(), &syllable))
        return false;
    // One case for the word: lower, capitals, or a capital first.
    int uppers = 0;
    for (int i = 0; i < syllable.count; ++i)
        uppers += syllable.letters[i].upper;
    bool one_case = uppers == 0 || uppers == syllable.count || (uppers == 1 && syllable.letters[0].upper);
    SyllableSplit split = split_syllable(syllable);
    if (!one_case || !split.valid)
        return false;
    char initial[32], nucleus[32], final_part[32];
    render_segment(syllable, 0, split.nucleusStart, initial, sizeof initial);
    render_segment(syllable, split.nucleusStart, split.nucleusEnd, nucleus, sizeof nucleus);
    render_segment(syllable, split.nucleusEnd, syllable.count, final_part, sizeof final_part);
    return one_of(initial, INITIALS, std::size(INITIALS)) && one_of(nucleus, NUCLEI, std::size(NUCLEI))
           && one_of(final_part, FINALS, std::size(FINALS));
}

bool separates_words(uint32_t c)
{
    if (c < 0x80)
        return !((c | 0x20) >= 'a' && (c | 0x20) <= 'z');
    return c == 0xA0 || (c >= 0x2000 && c <= 0x206F) || c == 0x3000;
}

int score_reading(const std::string& text)
{
    int score = 0;
    std::string word;
    bool beyond_ascii = false;
    auto end_word = [&]() {
        // A lone letter proves nothing: "a^2" is no VIQR.
        if (beyond_ascii && utf8_char_count(word.c_str()) > 1)
            score += is_syllable(word) ? 1 : -1;
        word.clear();
        beyond_ascii = false;
    };
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        uint32_t c;
        const int length = code_point_or_replacement(p, end, &c);
        if (separates_words(c)) {
            end_word();
        } else {
            word.append(reinterpret_cast<const char*>(p), length);
            beyond_ascii |= c >= 0x80;
        }
        p += length;
    }
    end_word();
    return score;
}

// A full stop or question mark that ends a sentence would read as a tone in
// VIQR and make "go." a syllable; the guess does not count them.
std::string without_sentence_ends(std::string_view text)
{
    std::string kept(text);
    for (size_t i = 0; i < kept.size(); ++i) {
        char next = i + 1 < kept.size() ? kept[i + 1] : ' ';
        if ((kept[i] == '.' || kept[i] == '?')
            && (next == ' ' || next == '\n' || next == '\r' || next == '\t' || next == '"' || next == ')'))
            kept[i] = ' ';
    }
    return kept;
}

}  // namespace

CharsetGuess guess_charset(std::string_view input, LegacyForm form)
{
    std::string_view sample = input.substr(0, SAMPLE_BYTES);
    // In this order, so that a tie goes to the first.
    constexpr Charset CANDIDATES[]
        = {CHARSET_UNICODE, CHARSET_TCVN3, CHARSET_VNI_WINDOWS, CHARSET_VISCII, CHARSET_VIQR, CHARSET_NCR};
    CharsetGuess best{CHARSET_UNICODE, 0};
    for (Charset candidate : CANDIDATES) {
        std::string reading = candidate == CHARSET_VIQR ? read_viqr(without_sentence_ends(sample))
                                                        : charset_decode(candidate, sample, form);
        int words = score_reading(reading);
        if (words > best.words)
            best = CharsetGuess{candidate, words};
    }
    if (best.charset == CHARSET_UNICODE && read_unicode(sample) != sample)
        best.charset = CHARSET_NFD;
    if (best.charset == CHARSET_NCR
        && (sample.find("&#x") != std::string_view::npos || sample.find("&#X") != std::string_view::npos))
        best.charset = CHARSET_NCR_HEX;
    return best;
}

}  // namespace miradot
