// Classification of the word in progress: Vietnamese composition, English
// (or other) keys as typed, or undecided; used for the preedit after every
// key and once at the word end.
#pragma once

#include <cstdint>

#include "composer.h"
#include "engine.h"
#include "engine_context.h"
#include "letters.h"

namespace miradot {

// Longer words are kept as typed: no syllable has that many letters.
constexpr int MAX_COMPOSED_KEYS = 32;
// Capitals this short are an acronym (EPS, GPS) or a column (AA) more often
// than a syllable.
constexpr int ACRONYM_KEYS = 3;

// English thresholds: the share of English the word before suggests.
constexpr double AFTER_ENGLISH = 0.85;    // English runs on
constexpr double AFTER_VIETNAMESE = 0.1;  // so does Vietnamese
constexpr double WITHOUT_CONTEXT = 0.25;  // typing starts Vietnamese more often

enum ClassifyReason {
    REASON_COMPOSITION = 0,  // decided by composition or a learned choice
    REASON_ENGLISH = 1,      // English by dictionary or probability
    REASON_KEPT = 2,         // kept as typed: too long, code-like, all capitals, no known word
    REASON_UNDECIDED = 3,    // neither a syllable nor English
    REASON_FREQUENCY = 4,    // the same letters in both languages, decided by frequency
};

enum CasePattern {
    CASE_LOWER = 0,
    CASE_ALL_CAPITALS = 1,   // HTML, and one capital key alone
    CASE_INNER_CAPITAL = 2,  // a capital after a small letter: mySql
    CASE_FIRST_CAPITAL = 3,  // Hanoi
};

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

inline bool has_option(const EngineContext* ctx, uint32_t option) { return (ctx->options & option) != 0; }

// What comes right before the word makes it part of code or a name: a digit
// or symbol (10cas, a_b, file.txt) or the dashes of an option (--max).
bool code_like_before_word(const EngineContext* ctx);
WordKeys word_keys(const EngineContext* ctx);
void compose_word(const EngineContext* ctx, const WordKeys& keys, int strict, Composition* out);
CasePattern case_pattern(const WordKeys& keys);
// The share of English the word before suggests (0.1 after Vietnamese, 0.85
// after English).
double english_threshold(const EngineContext* ctx);

// Classifies keys whose strict-0 composition is comp, as if the word ended
// with `terminator` (0: none). Reads the context, changes nothing.
void classify_word(const EngineContext* ctx, const WordKeys& keys, const Composition& comp, uint32_t terminator,
                   Classification* out);
// True when the keys are more likely English than the Vietnamese reading
// (viLower, or viAlt in the other tone placement): weight a for English,
// b the threshold of the word before.
bool prefer_english(const EngineContext* ctx, const char* rawLower, const char* viLower, const char* viAlt,
                    int markByRepeat, double a, double b);

}  // namespace miradot
