// Word-end decisions: what a finished word becomes (Vietnamese, English,
// corrected, expanded, capitalised), the re-decision of an ambiguous word
// and what the session remembers of it.
#pragma once

#include <cstdint>

#include "classify.h"
#include "engine.h"
#include "engine_context.h"
#include "learned.h"
#include "user_shorthand.h"

namespace miradot {

// What the word end does with the ambiguous word waiting before this one.
enum class PendingStep {
    None,       // nothing waits, or this word drops it
    Follows,    // an undecided word: the pending one waits on behind it
    Redecided,  // this word tipped the pending one into the other language
};

// Everything the word end decided about one word; the session is untouched
// until remember_word.
struct WordDecision {
    char prefix[512];     // rewritten earlier text committed before the word
    char word[256];       // the word as committed
    char wordLower[256];  // its lower form
    int deleteCount;      // code points before the insertion point replaced by prefix
    int kind;             // KIND_*
    int reason;           // ClassifyReason of the classification
    bool corrected;
    bool retyped;      // deleted and typed again: the other form
    bool expanded;     // a shorthand expansion
    bool capitalized;  // a sentence start
    bool changed;      // the word (before its capital) differs from the keys
    bool allCaps;
    bool hint;              // both readings are words: Tab offers the other one
    bool settled;           // with hint: decided by its place, it does not wait as pending
    LearnedChoice learnedChoice;  // recorded for the keys by a retype
    char alternative[256];  // the other reading for Tab, empty when none
    Reading alternativeReading;
    // An entry of the user's shorthand: its expansion as written (word holds
    // only its start) and the case it takes.
    const char* userExpansion;
    ShorthandCase userCase;
    PendingStep pending;
    bool pendingEnglish;  // with Redecided: the pending word is now English
    double threshold;     // the English threshold of this word
};

// Decides the word whose keys, strict-0 composition and classification with
// the terminator are given, ended by `terminator` (UTF-8, possibly empty).
// Reads the context, changes nothing.
WordDecision decide_word(const EngineContext* ctx, const WordKeys& keys, const Composition& comp,
                         const Classification& decided, const char* terminator);
// Records a decision in the session: pending word, punctuation state,
// alternative, history, learning and the retype watch.
void remember_word(EngineContext* ctx, const WordKeys& keys, const Composition& comp, const char* terminator,
                   const WordDecision& decision);
// Counts the waiting accepted word in the learned data.
void count_accepted_word(EngineContext* ctx);
// The last word is an expansion whose keys Tab or Backspace would put back.
bool offers_keys_back(const EngineContext* ctx);
// Puts the keys of the shorthand just expanded in place of its expansion
// (and its terminator, which Tab keeps and Backspace removes). 1 when it did.
int take_back_expansion(EngineContext* ctx, EngineOutput* out, bool keepTerminator);
// Ends the word in progress (or applies the terminator alone) into `out`,
// which it writes once.
void end_word(EngineContext* ctx, EngineOutput* out, const char* terminator);

}  // namespace miradot
