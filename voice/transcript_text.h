// Turns the recogniser's words into the transcript's "raw" text.
#pragma once

#include <string>
#include <string_view>

namespace miradot {

// Drops special tokens (pieces holding '<' or '>') and joins the remaining
// space-separated words with single spaces.
std::string drop_special_tokens(std::string_view words);

// Lower-cases the whole text and upper-cases its first letter.
std::string sentence_case(std::string_view utf8);

}  // namespace miradot
