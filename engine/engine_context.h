// The inside of a typing session, which callers know only by name
// (engine.h): the word in progress and the parts the word end keeps of what
// came before it. Each part is written by its own functions (session.cpp,
// word_end.cpp); everything else only reads it.
#pragma once

#include <cstdint>

#include "engine.h"
#include "word_reading.h"

namespace miradot {

// Which reading of an ambiguous word: the one Tab offers, or the one a
// waiting word shows.
// ShorthandKeys, UserShorthandKeys: the keys of a shorthand in place of its
// expansion, a shipped one (a take-back teaches never to expand it again)
// or one of the user's own list.
enum class Reading : uint8_t { Vietnamese, English, ShorthandKeys, UserShorthandKeys };

// What the engine committed for a word, as the retype watch remembers it.
enum class CommittedAs : uint8_t { Composed, AsTyped, Shorthand };

enum class RetypeStage : uint8_t {
    Idle,
    Watching,  // the word just committed is being deleted key by key
    Deleted,   // all of it: typing the same keys again asks for the other form
};

struct WordInProgress {
    char keys[52];  // not terminated; length keys used
    int32_t length;
};

// The last two code points of the committed text, and the two before the word
// in progress.
struct CaretText {
    uint32_t last;
    uint32_t beforeLast;
    uint32_t beforeWord;
    uint32_t beforeWord2;
};

// The committed words the next word is read with.
struct History {
    char word[96];        // the last word
    char wordBefore[96];  // the one before it, when a single space joined them
    int32_t kind;         // KIND_* of word
    int32_t kindBefore;
    int32_t joined;  // the last word ended with one space, right before the caret
    int32_t allCaps;
    int32_t capsRun;  // all-capital words in a row the engine made Vietnamese
};

// Spacing before punctuation and the capital of a sentence start.
struct SentenceState {
    int32_t spaceAfterWord;  // a space the engine may take back before punctuation
    int32_t endPending;      // the sentence ended; the next space asks for a capital
    int32_t capitalizeNext;
};

// The other reading of the last word, for Tab.
struct TabAlternative {
    char text[256];  // empty when none is on offer
    char keysLower[49];
    Reading reading;
    int32_t deleteCount;
    char terminator[8];
};

// A word deleted right after it was committed and typed again.
struct RetypeWatch {
    char keys[49];
    CommittedAs committed;
    int32_t length;   // code points committed, terminator included
    int32_t deleted;  // of them, deleted since
    RetypeStage stage;
};

// An ambiguous word committed in one reading that the words after it may
// still switch to the other.
struct PendingWord {
    int32_t active;
    char rawLower[49];
    char raw[49];
    char viLower[256];
    char viAltLower[256];  // in the other tone placement
    char vi[256];
    double threshold;  // the English threshold it was decided with
    int32_t markByRepeat;
    Reading shownAs;
    char text[256];    // as committed
    char follow[256];  // the undecided words committed after it, with their terminators
    int32_t followCount;
    int32_t capsRaw;
    int32_t capitalized;
    int32_t capitalInside;  // typed with a capital after a word of the same sentence
};

// The last key's reading of the word in progress, which the word end takes
// over instead of composing and classifying the same keys again. Written
// only by read_word (classify.h), with what each result was made from.
struct WordReading {
    bool composed;  // keys, method and options give comp
    uint32_t method;
    uint32_t options;
    WordKeys keys;
    Composition comp;
    bool classified;   // with these as well, as if no terminator followed
    uint64_t lexicon;  // lex_generation()
    CaretText caret;
    History history;
    int32_t capitalizeNext;
    Classification classification;
};

// The writers of the parts (session_parts.cpp, and make_pending in
// word_end.cpp); nothing else changes a part.

void start_word(WordInProgress& word, CaretText& caret, char key);

// Follows the last two code points of the committed text through text.
void note_committed_text(CaretText& caret, const char* text);
void forget_committed_text(CaretText& caret);

// madeVietnamese: an all-capital word the engine composed or rewrote, which
// extends a run of them.
void remember_history(History& history, const char* word, int kind, int kindBefore, bool joined, bool allCaps,
                      bool madeVietnamese);
void swap_last_word(History& history, const char* word, int kind);
// The caret left the words behind, or they ended otherwise than with a space.
void break_history(History& history);
void forget_history(History& history);

// spaceMayGo: a Vietnamese word whose space punctuation may take back and
// whose full stop starts a new sentence.
void sentence_after_word(SentenceState& sentence, bool spaceMayGo, const char* terminator);
// A terminator with no word before it; returns whether it takes back the
// space before it (punctuation: the option).
bool sentence_after_terminator(SentenceState& sentence, bool punctuation, const char* terminator);
void sentence_after_swap(SentenceState& sentence, bool spaceMayGo);
void forget_sentence(SentenceState& sentence);

// An empty text offers nothing.
void offer_alternative(TabAlternative& alternative, const char* text, const char* keysLower, Reading reading,
                       int deleteCount, const char* terminator);
void withdraw_alternative(TabAlternative& alternative);

void watch_retype(RetypeWatch& retype, const char* keys, CommittedAs committed, bool watch, int length);
void retype_after_backspace(RetypeWatch& retype);
void retype_after_word_start(RetypeWatch& retype);
void stop_retype_watch(RetypeWatch& retype);

void follow_pending(PendingWord& pending, const char* word, const char* terminator);
void drop_pending(PendingWord& pending);

}  // namespace miradot

struct EngineContext {
    uint32_t method;
    uint32_t options;
    miradot::WordInProgress word;
    miradot::CaretText caret;
    miradot::History history;
    miradot::SentenceState sentence;
    miradot::TabAlternative alternative;
    miradot::RetypeWatch retype;
    miradot::PendingWord pending;
    miradot::WordReading reading;
    char acceptedWord[256];  // waits to be counted until the next word shows it was kept
};
