// The repeat convention of Telex and VNI as a generated table: a mark or
// tone key typed twice undoes it and shows once.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "vietnamese_word.h"

struct RepeatCase {
    std::string keys;      // the key typed twice among other letters
    std::string expected;  // the same keys with it once
    char key;              // the key typed twice
};

// Every mark and tone key after every vowel it acts on (and the stroke key
// after a d), typed twice right after it or after a final consonant, with
// letters before the vowel and after the pair: ass, thaaan, banxx, d99e.
std::vector<RepeatCase> repeat_convention_cases(Method method);

// What the keys give with English detection on: keys that are a word of
// `english` stay as typed, the repeat convention decides the rest.
const std::string& expected_with_english(const RepeatCase& c, const std::set<std::string>& english);
