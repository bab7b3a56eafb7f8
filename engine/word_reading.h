// What one reading of a word's keys gives: the keys, their composition and
// their classification.
#pragma once

#include "composer.h"
#include "engine.h"
#include "letters.h"

namespace miradot {

// The raw keys of one word, as typed and ASCII lower-cased.
struct WordKeys {
    char raw[ENGINE_MAX_KEYS + 1];
    char lower[ENGINE_MAX_KEYS + 1];
    int length;
};

// The composition of a word's keys (strict 0 unless stated), rendered with
// case and in lower case in the option's tone placement.
struct Composition {
    Syllable syllable;
    ComposeStats stats;
    char viCase[256];
    char viLower[256];
};

struct Classification {
    char text[256];
    int kind;
    int corrected;
    int reason;        // ClassifyReason
    int hint;          // both readings are words: offer the other one
    int settled;       // with hint: decided by its place, the word after cannot change it
    char repair[256];  // with hint: a repair Tab offers instead of the keys (bãn: bản)
};

}  // namespace miradot
