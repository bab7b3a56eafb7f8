// The repeat convention of Telex and VNI as a generated table: a mark or
// tone key typed twice undoes it and shows once.
#pragma once

#include <string>
#include <vector>

#include "vietnamese_word.h"

struct RepeatCase {
    std::string keys;      // the key typed twice among other letters
    std::string expected;  // the same keys with it once
    char key;              // the key typed twice
    bool markAfterFinal;   // a mark key typed after the final consonant
};

// Every mark and tone key after every vowel it acts on (and the stroke key
// after a d), typed twice right after it or after a final consonant, with
// letters before the vowel and after the pair: ass, thaaan, banxx, d99e.
std::vector<RepeatCase> repeat_convention_cases(Method method);
