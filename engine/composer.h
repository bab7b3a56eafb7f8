// The syllable composer: raw Telex or VNI keys to a Syllable, plus the
// spelling knowledge (initials, nuclei, finals) of the engine.
#pragma once

#include <cstdint>

#include "letters.h"

namespace miradot {

struct ComposeStats {
    int32_t toneUndone;
    int32_t circumflexUndone;
    int32_t hornUndone;
    int32_t strokeUndone;
    int32_t wIndex;
    int32_t previousKey;
    int32_t undoByRepeat;
    int32_t keysAfterUndo;  // keys typed after the first undo by repeat
    int32_t undoLater;
    int32_t markByRepeat;
    int32_t markLater;
    int32_t toneCount;
    int32_t strict;
};

// Composes keys[0, length) (1..48 bytes); stats may be null.
void compose(const char* keys, int length, uint32_t method, int strict, Syllable* out, ComposeStats* stats);

bool is_valid_syllable(const Syllable& syllable);
// Calls visit for every syllable the spelling rules allow: each initial,
// nucleus and final with every tone that fits, lower case. The same letters
// may come twice (g + ia, gi + a). Returns the number of calls.
int for_each_allowed_syllable(void (*visit)(const Syllable& syllable, void* user), void* user);
// Whether more keys could still make a syllable of the letters so far.
bool is_valid_prefix(const Syllable& syllable);
// A tone or any mark: what the Vietnamese keys of a word left visible.
bool has_diacritic(const Syllable& syllable);
// The syllable (lower case, either tone placement) is in Table::Syllables.
bool is_known_syllable(const Syllable& syllable);
bool fix_initial_spelling(Syllable* syllable);
// Switches hook and tilde when only the other form is a known syllable.
bool swap_hoi_nga(Syllable* syllable);

}  // namespace miradot
