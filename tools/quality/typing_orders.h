// The Telex key orders in which users type one syllable: each mark key right
// after its vowel, after a later vowel, after the final consonant or at the
// end; the tone key anywhere after its vowel; the d of đ right after the
// first d or later in the word.
#pragma once

#include <string>
#include <vector>

// Distinct key strings for a lower-case syllable (empty when it does not
// parse, or holds a plain oo, which Telex types with a third o).
std::vector<std::string> telex_typing_orders(const std::string& syllable);
