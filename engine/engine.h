// The miraDot typing engine: one typing session per EngineContext, turning
// keystrokes (Telex or VNI) into committed Vietnamese or English text.
//
// Plain records and free functions; every buffer is caller-owned and its size
// includes the terminating NUL. Nothing throws, nothing logs, nothing locks:
// the dictionary and learned-data tables are process-wide, so the caller
// serialises every engine call of the process with one lock.
#pragma once

#include <cstdint>

constexpr uint32_t TELEX = 0;
constexpr uint32_t VNI = 1;

constexpr uint32_t OPT_AUTO_ENGLISH = 0x01;
constexpr uint32_t OPT_AUTO_CORRECT = 0x02;
constexpr uint32_t OPT_OLD_TONE = 0x04;
constexpr uint32_t OPT_ENGLISH_MODE = 0x08;  // run time only, never stored
constexpr uint32_t OPT_LEARN = 0x10;
constexpr uint32_t OPT_SHORTHAND = 0x20;
constexpr uint32_t OPT_PUNCTUATION = 0x40;
constexpr uint32_t OPT_HINTS = 0x80;
constexpr uint32_t OPT_USER_SHORTHAND = 0x100;  // the user's own list (user_shorthand.h)
constexpr uint32_t DEFAULT_OPTIONS = 0x1D3;

constexpr int ENGINE_MAX_KEYS = 48;

// Word kinds, as reported in EngineOutput::kind and kept in the history.
constexpr int KIND_UNDECIDED = 0;
constexpr int KIND_VIETNAMESE = 1;
constexpr int KIND_ENGLISH = 2;

// One typing session; its inside is the engine's own (engine_context.h).
struct EngineContext;

// The answer to one key operation. Apply in order: delete deleteCount code
// points before the insertion point, insert text, show preedit as the
// composition.
struct EngineOutput {
    int32_t deleteCount;
    char text[4608];  // room for a rewritten word before a whole expansion of the user's shorthand
    char preedit[256];
    int32_t kind;
    int32_t corrected;
};

// A new session (Telex, DEFAULT_OPTIONS), or null when memory is exhausted.
EngineContext* engine_create();
void engine_destroy(EngineContext* ctx);
// Sets Telex or VNI (any value but VNI means Telex); returns the method set.
int engine_set_method(EngineContext* ctx, uint32_t value);
void engine_set_options(EngineContext* ctx, uint32_t options);
// The option word.
uint32_t engine_get_options(const EngineContext* ctx);
// Forgets the word in progress and every context (caret moved, focus changed).
void engine_reset(EngineContext* ctx);

// One typed character. Returns 1 when the engine handled it (apply out), 0
// when the caller passes the key on (control characters, English mode).
int engine_key(EngineContext* ctx, uint32_t codepoint, EngineOutput* out);
// Returns 1 when it shortened the word in progress or took back the
// shorthand expansion just committed (apply out), 0 when the caller performs
// the Backspace itself.
int engine_backspace(EngineContext* ctx, EngineOutput* out);
// Ends the word in progress with no terminator into out.
void engine_flush(EngineContext* ctx, EngineOutput* out);
// Tab: returns 1 and puts the alternative in place of the last word (apply
// out), 0 when none is on offer.
int engine_swap(EngineContext* ctx, EngineOutput* out);
// 1 when the last word is a shorthand expansion that Backspace would put
// back to its keys.
int engine_keys_back(const EngineContext* ctx);
// Returns 1 when an alternative is on offer, copying it to buffer when given.
int engine_alternative(const EngineContext* ctx, char* buffer, int size);
// Code points of the committed text a later word may still rewrite (the
// pending word, the words after it and its space); 0 when none.
int engine_pending_span(const EngineContext* ctx);

// Types a whole UTF-8 key string as if typed; Tab and line feed flush and are
// copied, Backspace (8) deletes, U+21E5 swaps. Returns the committed length.
int engine_feed_text(EngineContext* ctx, const char* keys, char* buffer, int size);

// Loads the seven lexicon files of dataDir (UTF-8), from the folder's
// compiled image "lexicon.img" when it matches them. Entries loaded, or -1
// when no file loaded.
int engine_load_data(const char* dataDir);
// Why the last engine_load_data refused the folder's image and read the
// files instead; null when it used the image or there was none.
const char* engine_data_problem();

// Puts tone marks where the options want them and applies corrections to a
// finished text, keeping every other character. Returns the number of
// corrected words.
int engine_clean_text(const EngineContext* ctx, const char* text, char* buffer, int size);

// Adds the records of a learned-data file; returns them, or -1 when it
// cannot be opened.
int learned_load(const char* path);
// Writes the learned data; returns the records written, or -1 on failure
// (the previous file stays).
int learned_save(const char* path);
void learned_clear();
// Learned choices plus accepted words.
int learned_count();
