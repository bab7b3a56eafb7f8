// Word-end decisions: what a finished word becomes (Vietnamese, English,
// corrected, expanded, capitalised) and the re-decision of an ambiguous word.
#pragma once

#include <cstdint>

#include "engine.h"

namespace miradot {

enum ClassifyReason {
    REASON_COMPOSITION = 0,
    REASON_ENGLISH = 1,
    REASON_KEPT = 2,
    REASON_UNDECIDED = 3,
    REASON_FREQUENCY = 4,
};

struct Classification {
    char text[256];
    int kind;
    int corrected;
    int reason;
    int hint;
};

// Classifies the word in progress as if it ended with `terminator` (0: none).
void classify_word(const EngineContext* ctx, uint32_t terminator, Classification* out);
bool prefer_english(const EngineContext* ctx, const char* rawLower, const char* viLower, const char* viAlt,
                    int markByRepeat, double a, double b);
// Counts the waiting accepted word in the learned data.
void count_accepted_word(EngineContext* ctx);
// Ends the word in progress (or applies the terminator alone) into `out`.
void end_word(EngineContext* ctx, EngineOutput* out, const char* terminator);

}  // namespace miradot
