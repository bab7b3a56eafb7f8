// The process-wide string tables of the engine: open addressing with 32-bit
// FNV-1a and linear probing.
#pragma once

#include <cstddef>
#include <cstdint>

namespace miradot {

struct KeyBlock;

// In the order of the lexicon image's tables (lexicon_image.h), which holds
// all but the last two.
enum class Table : uint8_t {
    Syllables,            // Vietnamese syllables (vi.tsv)
    SyllableFrequencies,  // how often texts show them (vi_freq.tsv)
    VietnameseWords,      // Vietnamese words that are no syllable (vi.tsv)
    PlainWords,           // a..z words that are no syllable, with their frequency (vi_freq.tsv)
    English,              // English words (en.tsv)
    Corrections,          // a misspelling, or two words, to their correction (corrections*.tsv)
    KeptPairs,            // word pairs no two-word correction may rewrite (corrections_keep.tsv)
    Shorthand,            // an abbreviation to its expansion (shorthand.tsv)
    LearnedChoices,       // keys to the reading the user chose for them (learned.h)
    AcceptedWords,        // words the user kept, with how often
};
constexpr int TABLE_COUNT = 10;
constexpr Table ALL_TABLES[TABLE_COUNT]
    = {Table::Syllables,      Table::SyllableFrequencies, Table::VietnameseWords, Table::PlainWords,
       Table::English,        Table::Corrections,         Table::KeptPairs,       Table::Shorthand,
       Table::LearnedChoices, Table::AcceptedWords};

// The count tools/make_lexicon.py gives a syllable that only a dictionary
// lists and no text showed: a syllable counted at or below it is no evidence
// of use.
constexpr uint32_t DICTIONARY_ONLY_COUNT = 5;

struct LexiconTable {
    char** keys;
    char** values;
    uint32_t* counts;
    uint64_t capacity;
    uint64_t size;
    uint64_t total;
    KeyBlock* keyBlocks;  // keys are never freed one by one, so they share blocks
    // Set while the table is the one of the mapped image (lexicon_image.h),
    // looked up in place; keys, values and counts are then null until
    // something is added to it, which first copies it into memory.
    const uint32_t* imageSlots;
    const char* imageStrings;
    bool imageValues;
};

// Null for a value outside the ten.
LexiconTable* lex_table(Table table);

// Sizes the table once for extraKeys more keys instead of doubling many times.
void lex_reserve(LexiconTable* table, uint64_t extraKeys);
int lex_insert(LexiconTable* table, const char* key, size_t keyLength, const char* value, size_t valueLength,
               uint32_t count);
int lex_add(Table table, const char* key, const char* value, uint32_t amount);

int lex_contains(Table table, const char* key);
uint32_t lex_count(Table table, const char* key);
uint32_t lex_raw_count(Table table, const char* key);
const char* lex_value(Table table, const char* key);
const char* lex_correction(const char* key);
uint64_t lex_total(Table table);
uint64_t lex_total_or_one(Table table);
uint64_t lex_size(Table table);
bool lex_loaded(Table table);
void lex_clear(Table table);

using LexVisitor = void (*)(const char* key, const char* value, uint32_t count, void* user);
uint64_t lex_for_each(Table table, LexVisitor visit, void* user);

}  // namespace miradot
