// The lexicon's seven text files read into the tables of lexicon.h. Apart
// from the table store so that the spelling rules it sorts syllables by
// (composer.h) and the tables the composer looks syllables up in do not
// depend on each other.
#pragma once

#include <cstddef>

#include "lexicon.h"

namespace miradot {

constexpr int LEX_FILE_COUNT = 7;

struct LexFile {
    const char* name;
    Table table;
};
// In loading order: later files add to the tables of earlier ones.
extern const LexFile LEX_FILES[LEX_FILE_COUNT];

// Entries read, or -1 when the file cannot be read.
int lex_load_file(Table table, const char* path);
int lex_parse_file(Table table, const char* bytes, size_t length);

}  // namespace miradot
