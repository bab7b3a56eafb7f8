// Lines up the words a user meant with the words the engine committed, so
// that a shorthand expanded into two words or a word split in two costs only
// the words involved, not the rest of the sentence.
#pragma once

#include <string>
#include <vector>

struct AlignedWord {
    bool kept;        // came out as meant (tone placement and case aside)
    std::string got;  // what came out in its place; empty when nothing did
};

// One entry per wanted word.
std::vector<AlignedWord> align_words(const std::vector<std::string>& wanted, const std::vector<std::string>& got);
