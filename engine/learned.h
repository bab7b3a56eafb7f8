// What the engine learned of the user's keys, kept in Table::LearnedChoices
// and in the learned-data file (engine.h: learned_load, learned_save).
#pragma once

namespace miradot {

// The letter is the table's value and the file's field.
enum class LearnedChoice : char {
    None = 0,
    Vietnamese = 'v',
    English = 'e',
    NoShorthand = 'n',  // the keys stay as typed instead of expanding
};

// The choice learned for keys (ASCII lower case); None when nothing was.
LearnedChoice learned_choice(const char* keysLower);
// Counts one more choice for keys.
void learn_choice(const char* keysLower, LearnedChoice choice);

}  // namespace miradot
