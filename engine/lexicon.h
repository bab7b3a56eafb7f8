// The process-wide string tables of the engine, each named by a one-letter
// code: open addressing with 32-bit FNV-1a and linear probing.
//
//   v  Vietnamese syllables (vi.tsv)        f  syllable frequencies (vi_freq.tsv)
//   l  non-syllable Vietnamese words        r  plain a..z non-syllables with frequency
//   e  English words (en.tsv)               c  corrections (corrections*.tsv)
//   k  kept word pairs                      s  shorthand
//   o  learned choices                      p  accepted words
#pragma once

#include <cstddef>
#include <cstdint>

namespace miradot {

struct KeyBlock;

// The count tools/make_lexicon.py gives a syllable that only a dictionary
// lists and no text showed: table v at or below it is no evidence of use.
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

// Null for a code outside the ten.
LexiconTable* lex_table(char code);

int lex_load_file(char code, const char* path);
int lex_parse_file(char code, const char* bytes, size_t length);
int lex_insert(LexiconTable* table, const char* key, size_t keyLength, const char* value, size_t valueLength,
               uint32_t count);
int lex_add(char code, const char* key, const char* value, uint32_t amount);

int lex_contains(char code, const char* key);
uint32_t lex_count(char code, const char* key);
uint32_t lex_raw_count(char code, const char* key);
const char* lex_value(char code, const char* key);
const char* lex_correction(const char* key);
uint64_t lex_total(char code);
uint64_t lex_total_or_one(char code);
uint64_t lex_size(char code);
bool lex_loaded(char code);
void lex_clear(char code);

using LexVisitor = void (*)(const char* key, const char* value, uint32_t count, void* user);
uint64_t lex_for_each(char code, LexVisitor visit, void* user);

}  // namespace miradot
