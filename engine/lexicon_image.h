// The lexicon image "lexicon.img": the tables the seven files of a data
// folder give, laid out to be looked up where they lie in a read-only mapping
// that every process shares. All numbers little-endian; every position is an
// offset from the start of the image, so the bytes need no fixing up.
//
//   header        LexImageHeader
//   slot arrays   one per table, capacity u32 each, 8-byte aligned: the string
//                 offset of the slot's entry, 0 for an empty slot
//   strings       entries (LexImageEntry, then the key and its NUL, 4-byte
//                 aligned) and NUL-terminated values; offset 0 is the empty
//                 string that stands for "no value", and the last byte is a NUL
#pragma once

#include <cstddef>
#include <cstdint>

#include "lexicon_loader.h"

namespace miradot {

constexpr char LEX_IMAGE_NAME[] = "lexicon.img";
constexpr char LEX_IMAGE_MAGIC[8] = {'m', 'i', 'r', 'a', 'L', 'E', 'X', '\0'};
constexpr uint32_t LEX_IMAGE_VERSION = 1;
// The tables the files fill, in the image's order; the learned ones stay in
// memory.
constexpr int LEX_IMAGE_TABLES = 8;
constexpr Table LEX_IMAGE_TABLE_ORDER[LEX_IMAGE_TABLES]
    = {Table::Syllables, Table::SyllableFrequencies, Table::VietnameseWords, Table::PlainWords,
       Table::English,   Table::Corrections,         Table::KeptPairs,       Table::Shorthand};

// One of the seven files as the image was made from it; size -1 when absent.
struct LexImageSource {
    int64_t size;
    // Seconds since 1970, as the file system reports it; LEX_TIME_UNKNOWN for
    // a file changed so shortly before the image that a later change could
    // leave the same time.
    int64_t modified;
    uint64_t digest;  // lex_checksum of its bytes
    int64_t entries;  // what lex_parse_file counted
};

constexpr int64_t LEX_TIME_UNKNOWN = INT64_MIN;

struct LexImageTable {
    uint64_t capacity;
    uint64_t size;
    uint64_t total;
    uint64_t slotsOffset;
    // 0 when no entry has a value: the values are then never read, so they
    // need no checking at load.
    uint64_t hasValues;
};

struct LexImageEntry {
    uint32_t count;
    uint32_t value;  // string offset; 0 = no value
    // the key follows
};

struct LexImageHeader {
    char magic[8];
    uint32_t version;
    uint32_t headerBytes;
    uint64_t imageBytes;
    // Of the bytes after this field up to imageBytes.
    uint64_t checksum;
    LexImageSource sources[LEX_FILE_COUNT];
    LexImageTable tables[LEX_IMAGE_TABLES];
    uint64_t stringsOffset;
    uint64_t stringsBytes;
};

// Fletcher-style sum over 64-bit words, fast enough to run over the whole
// image at every start.
uint64_t lex_checksum(const void* bytes, size_t length);

// Null when the image is whole and every offset lies inside it; otherwise
// what is wrong with it, in English.
const char* lex_image_check(const void* bytes, size_t length);

// Null when the image was made from the files of dataDir as they are now.
const char* lex_image_source_mismatch(const LexImageHeader& header, const char* dataDir);

// Puts the tables of a checked image in place of the (empty) tables it
// holds; the bytes must outlive them. Returns the entries of the files it was made from,
// or -1 when it was made from none.
int lex_image_use(const void* bytes);

// What lex_image_load returns when the folder's image was not used.
constexpr int LEX_IMAGE_UNUSED = -2;

// Maps dataDir's image and puts its tables in place when it is whole and was
// made from the folder's files as they are, and the tables it holds are empty
// (loading again merges, which only the files can do). Returns the entries,
// or LEX_IMAGE_UNUSED with the reason in engine_data_problem().
int lex_image_load(const char* dataDir);

// Loads dataDir's files afresh and writes their tables as an image; 1 / 0.
int lex_image_write(const char* dataDir, const char* imagePath);

}  // namespace miradot
