#include "lexicon.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "composer.h"
#include "engine.h"
#include "file_io.h"
#include "letters.h"
#include "lexicon_image.h"

namespace miradot {

namespace {

constexpr char TABLE_CODES[] = "vflrecksop";
constexpr int TABLE_COUNT = 10;
constexpr uint64_t FIRST_CAPACITY = 1024;

LexiconTable g_tables[TABLE_COUNT];

uint32_t fnv1a(const char* key, size_t length)
{
    uint32_t hash = 0x811C9DC5u;
    for (size_t i = 0; i < length; ++i) {
        hash ^= static_cast<unsigned char>(key[i]);
        hash *= 16777619u;
    }
    return hash;
}

}  // namespace

struct KeyBlock {
    KeyBlock* next;
    size_t used;
    size_t size;
    char* bytes() { return reinterpret_cast<char*>(this + 1); }
};

namespace {

constexpr size_t KEY_BLOCK_BYTES = 64 * 1024;

char* store_key(LexiconTable* t, const char* key, size_t length)
{
    KeyBlock* block = t->keyBlocks;
    if (!block || block->size - block->used < length + 1) {
        size_t size = std::max(KEY_BLOCK_BYTES, length + 1);
        block = static_cast<KeyBlock*>(std::malloc(sizeof(KeyBlock) + size));
        if (!block)
            return nullptr;
        *block = KeyBlock{t->keyBlocks, 0, size};
        t->keyBlocks = block;
    }
    char* copy = block->bytes() + block->used;
    std::memcpy(copy, key, length);
    copy[length] = 0;
    block->used += length + 1;
    return copy;
}

char* copy_bytes(const char* bytes, size_t length)
{
    char* copy = static_cast<char*>(std::malloc(length + 1));
    if (!copy)
        return nullptr;
    std::memcpy(copy, bytes, length);
    copy[length] = 0;
    return copy;
}

// Of a used slot of a table of the image.
const LexImageEntry& image_entry(const LexiconTable& t, uint64_t slot)
{
    return *reinterpret_cast<const LexImageEntry*>(t.imageStrings + t.imageSlots[slot]);
}

const char* image_key(const LexiconTable& t, uint32_t entryOffset)
{
    return t.imageStrings + entryOffset + sizeof(LexImageEntry);
}

const char* key_at(const LexiconTable& t, uint64_t slot)
{
    if (!t.imageSlots)
        return t.keys[slot];
    uint32_t offset = t.imageSlots[slot];
    return offset ? image_key(t, offset) : nullptr;
}

const char* value_at(const LexiconTable& t, uint64_t slot)
{
    if (!t.imageSlots)
        return t.values[slot];
    if (!t.imageValues)
        return nullptr;
    uint32_t offset = image_entry(t, slot).value;
    return offset ? t.imageStrings + offset : nullptr;
}

uint32_t count_at(const LexiconTable& t, uint64_t slot)
{
    return t.imageSlots ? image_entry(t, slot).count : t.counts[slot];
}

bool same_key(const char* stored, const char* key, size_t length)
{
    return (length == 0 || stored[0] == key[0]) && std::strncmp(stored, key, length) == 0 && stored[length] == 0;
}

int64_t probe_image(const LexiconTable& t, const char* key, size_t length, uint32_t hash)
{
    uint64_t mask = t.capacity - 1;
    uint64_t slot = hash & mask;
    while (uint32_t offset = t.imageSlots[slot]) {
        if (same_key(image_key(t, offset), key, length))
            return static_cast<int64_t>(slot);
        slot = (slot + 1) & mask;
    }
    return static_cast<int64_t>(slot);
}

// Slot of the key, or of the empty slot where it would go; -1 when the table
// has no slots.
int64_t probe(const LexiconTable& t, const char* key, size_t length, uint32_t hash)
{
    if (t.capacity == 0)
        return -1;
    if (t.imageSlots)
        return probe_image(t, key, length, hash);
    uint64_t mask = t.capacity - 1;
    uint64_t slot = hash & mask;
    while (t.keys[slot]) {
        if (same_key(t.keys[slot], key, length))
            return static_cast<int64_t>(slot);
        slot = (slot + 1) & mask;
    }
    return static_cast<int64_t>(slot);
}

int64_t probe(const LexiconTable& t, const char* key, size_t length)
{
    return probe(t, key, length, fnv1a(key, length));
}

// Rehashes into `capacity` slots (a power of two above the current one).
bool rehash(LexiconTable* t, uint64_t capacity)
{
    auto* keys = static_cast<char**>(std::calloc(capacity, sizeof(char*)));
    auto* values = static_cast<char**>(std::calloc(capacity, sizeof(char*)));
    auto* counts = static_cast<uint32_t*>(std::calloc(capacity, sizeof(uint32_t)));
    if (!keys || !values || !counts) {
        std::free(keys);
        std::free(values);
        std::free(counts);
        return false;
    }
    LexiconTable grown{keys, values, counts, capacity, t->size, t->total, t->keyBlocks, nullptr, nullptr, false};
    for (uint64_t i = 0; i < t->capacity; ++i) {
        if (!t->keys[i])
            continue;
        auto slot = static_cast<uint64_t>(probe(grown, t->keys[i], std::strlen(t->keys[i])));
        grown.keys[slot] = t->keys[i];
        grown.values[slot] = t->values[i];
        grown.counts[slot] = t->counts[i];
    }
    std::free(t->keys);
    std::free(t->values);
    std::free(t->counts);
    *t = grown;
    return true;
}

bool grow(LexiconTable* t) { return rehash(t, t->capacity ? t->capacity * 2 : FIRST_CAPACITY); }

// Empties a table; the image's own bytes are not the table's to free.
void free_table(LexiconTable* t)
{
    if (t->imageSlots) {
        *t = LexiconTable{};
        return;
    }
    for (uint64_t i = 0; t->values && i < t->capacity; ++i)
        std::free(t->values[i]);
    for (KeyBlock* block = t->keyBlocks; block;) {
        KeyBlock* next = block->next;
        std::free(block);
        block = next;
    }
    std::free(t->keys);
    std::free(t->values);
    std::free(t->counts);
    *t = LexiconTable{};
}

// Copies a table of the image into memory, slot for slot, before it changes.
bool own(LexiconTable* t)
{
    if (!t->imageSlots)
        return true;
    LexiconTable copy{};
    copy.keys = static_cast<char**>(std::calloc(t->capacity, sizeof(char*)));
    copy.values = static_cast<char**>(std::calloc(t->capacity, sizeof(char*)));
    copy.counts = static_cast<uint32_t*>(std::calloc(t->capacity, sizeof(uint32_t)));
    copy.capacity = t->capacity;
    copy.size = t->size;
    copy.total = t->total;
    bool copied = copy.keys && copy.values && copy.counts;
    for (uint64_t i = 0; copied && i < t->capacity; ++i) {
        const char* key = key_at(*t, i);
        if (!key)
            continue;
        const char* value = value_at(*t, i);
        copy.keys[i] = store_key(&copy, key, std::strlen(key));
        copy.values[i] = value ? copy_bytes(value, std::strlen(value)) : nullptr;
        copy.counts[i] = count_at(*t, i);
        copied = copy.keys[i] && (!value || copy.values[i]);
    }
    if (!copied) {
        free_table(&copy);
        return false;
    }
    *t = copy;
    return true;
}

// Sizes the table once for a file's lines instead of doubling many times.
void reserve(LexiconTable* t, uint64_t extraKeys)
{
    if (!own(t))
        return;
    uint64_t capacity = t->capacity ? t->capacity : FIRST_CAPACITY;
    while (capacity < 2 * (t->size + extraKeys) + 2)
        capacity *= 2;
    if (capacity > t->capacity)
        rehash(t, capacity);
}

// Finds or creates the key's slot; -1 when memory runs out.
int64_t claim_slot(LexiconTable* t, const char* key, size_t length)
{
    if (!own(t))
        return -1;
    if (t->capacity < 2 * t->size + 2 && !grow(t))
        return -1;
    int64_t slot = probe(*t, key, length);
    if (!t->keys[slot]) {
        char* copy = store_key(t, key, length);
        if (!copy)
            return -1;
        t->keys[slot] = copy;
        ++t->size;
    }
    return slot;
}

bool set_value(LexiconTable* t, int64_t slot, const char* value, size_t length)
{
    char* copy = copy_bytes(value, length);
    if (!copy)
        return false;
    std::free(t->values[slot]);
    t->values[slot] = copy;
    return true;
}

// A key looked up in two tables (v, then f) is hashed once.
struct HashedKey {
    const char* key;
    size_t length;
    uint32_t hash;
};

HashedKey hashed(const char* key)
{
    size_t length = std::strlen(key);
    return HashedKey{key, length, fnv1a(key, length)};
}

int64_t find(const LexiconTable* t, const HashedKey& key)
{
    if (!t || t->capacity == 0)
        return -1;
    int64_t slot = probe(*t, key.key, key.length, key.hash);
    return key_at(*t, slot) ? slot : -1;
}

int64_t find(char code, const char* key) { return find(lex_table(code), hashed(key)); }

uint64_t count_lines(const char* bytes, const char* end)
{
    uint64_t lines = 1;
    for (const char* p = bytes; (p = static_cast<const char*>(std::memchr(p, '\n', end - p))); ++p)
        ++lines;
    return lines;
}

uint32_t leading_number(const char* text, const char* end)
{
    uint64_t value = 0;
    for (; text < end && is_ascii_digit(static_cast<unsigned char>(*text)); ++text) {
        value = value * 10 + static_cast<unsigned>(*text - '0');
        if (value > UINT32_MAX)
            value = UINT32_MAX;
    }
    return static_cast<uint32_t>(value);
}

uint64_t leading_number64(const char* text, const char* end)
{
    uint64_t value = 0;
    for (; text < end && is_ascii_digit(static_cast<unsigned char>(*text)); ++text) {
        value = value * 10 + static_cast<unsigned>(*text - '0');
    }
    return value;
}

bool all_ascii_lower(const char* key, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        if (!is_ascii_lower(static_cast<unsigned char>(key[i])))
            return false;
    }
    return length > 0;
}

// Vietnamese lines: valid syllables go to the file's own table, the rest to
// table l (vi.tsv) or r (vi_freq.tsv). Returns whether the line counts.
bool insert_vietnamese(char code, LexiconTable* own, const char* key, size_t keyLength, uint32_t count,
                       uint64_t* ownSum)
{
    if (keyLength >= 96)
        return false;
    char word[96];
    std::memcpy(word, key, keyLength);
    word[keyLength] = 0;
    Syllable s;
    bool parses = parse_word(word, &s);
    if (parses && is_valid_syllable(s)) {
        if (!lex_insert(own, key, keyLength, nullptr, 0, count))
            return false;
        *ownSum += count;
        return true;
    }
    if (code == 'v' && parses)
        lex_insert(lex_table('l'), key, keyLength, nullptr, 0, 0);
    if (code == 'f' && all_ascii_lower(key, keyLength))
        lex_insert(lex_table('r'), key, keyLength, nullptr, 0, count);
    return false;
}

}  // namespace

LexiconTable* lex_table(char code)
{
    // Every lookup starts here: an index, not a search of the codes.
    static constexpr auto INDEX = [] {
        std::array<int8_t, 128> index{};
        index.fill(-1);
        for (int i = 0; i < TABLE_COUNT; ++i)
            index[static_cast<unsigned char>(TABLE_CODES[i])] = static_cast<int8_t>(i);
        return index;
    }();
    auto byte = static_cast<unsigned char>(code);
    int at = byte < INDEX.size() ? INDEX[byte] : -1;
    return at >= 0 ? &g_tables[at] : nullptr;
}

int lex_insert(LexiconTable* t, const char* key, size_t keyLength, const char* value, size_t valueLength,
               uint32_t count)
{
    if (!t)
        return 0;
    keyLength = strnlen(key, keyLength);  // keys are C strings wherever they are looked up
    int64_t slot = claim_slot(t, key, keyLength);
    if (slot < 0)
        return 0;
    if (value && !set_value(t, slot, value, valueLength))
        return 0;
    if (count > t->counts[slot])
        t->counts[slot] = count;
    return 1;
}

int lex_add(char code, const char* key, const char* value, uint32_t amount)
{
    LexiconTable* t = lex_table(code);
    if (!t || !key || !*key)
        return 0;
    int64_t slot = claim_slot(t, key, std::strlen(key));
    if (slot < 0)
        return 0;
    if (value && !set_value(t, slot, value, std::strlen(value)))
        return 0;
    uint64_t sum = uint64_t(t->counts[slot]) + amount;
    t->counts[slot] = sum > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(sum);
    t->total += amount;
    return 1;
}

int lex_parse_file(char code, const char* bytes, size_t length)
{
    LexiconTable* t = lex_table(code);
    if (!t)
        return 0;
    bool textValue = code == 'c' || code == 's';
    uint64_t ownSum = 0;
    int entries = 0;
    const char* end = bytes + length;
    reserve(t, count_lines(bytes, end));
    for (const char* line = bytes; line < end;) {
        const char* lineEnd = static_cast<const char*>(std::memchr(line, '\n', end - line));
        const char* next = lineEnd ? lineEnd + 1 : end;
        if (!lineEnd)
            lineEnd = end;
        if (lineEnd > line && lineEnd[-1] == '\r')
            --lineEnd;
        const char* tab = static_cast<const char*>(std::memchr(line, '\t', lineEnd - line));
        const char* keyEnd = tab ? tab : lineEnd;
        size_t keyLength = keyEnd - line;
        const char* rest = tab ? tab + 1 : lineEnd;
        bool skip = keyLength == 0 || (!tab && (code == 'c' || line[0] == '#'));
        if (!skip && line[0] == '#') {
            if (keyLength == 6 && std::memcmp(line, "#total", 6) == 0 && tab)
                t->total = leading_number64(rest, lineEnd);
            skip = true;
        }
        if (!skip) {
            if (textValue) {
                if (lex_insert(t, line, keyLength, rest, lineEnd - rest, 1))
                    ++entries;
            } else {
                uint32_t count = leading_number(rest, lineEnd);
                if (code == 'v' || code == 'f') {
                    if (insert_vietnamese(code, t, line, keyLength, count, &ownSum))
                        ++entries;
                } else if (lex_insert(t, line, keyLength, nullptr, 0, count)) {
                    ownSum += count;
                    ++entries;
                }
            }
        }
        line = next;
    }
    if (t->total == 0 && !textValue)
        t->total = ownSum;
    return entries;
}

int lex_load_file(char code, const char* path)
{
    FILE* file = open_utf8_path(path, "rb");
    if (!file)
        return -1;
    long size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0)
        size = std::ftell(file);
    if (size < 0 || std::fseek(file, 0, SEEK_SET) != 0) {
        std::fclose(file);
        return -1;
    }
    std::unique_ptr<char[]> image(new (std::nothrow) char[size > 0 ? size : 1]);
    size_t got = image ? std::fread(image.get(), 1, size, file) : 0;
    std::fclose(file);
    if (!image || got < static_cast<size_t>(size))
        return -1;
    return lex_parse_file(code, image.get(), got);
}

}  // namespace miradot

int engine_load_data(const char* dataDir)
{
    using namespace miradot;
    int fromImage = lex_image_load(dataDir);
    if (fromImage != LEX_IMAGE_UNUSED)
        return fromImage;
    int total = 0;
    bool anyLoaded = false;
    for (const auto& file : LEX_FILES) {
        char path[1024];
        int n = std::snprintf(path, sizeof path, "%s/%s", dataDir, file.name);
        if (n <= 0 || n >= static_cast<int>(sizeof path))
            continue;
        int entries = lex_load_file(file.code, path);
        if (entries < 0)
            continue;
        anyLoaded = true;
        total += entries;
    }
    return anyLoaded ? total : -1;
}

namespace miradot {

const LexFile LEX_FILES[LEX_FILE_COUNT]
    = {{"vi.tsv", 'v'},          {"vi_freq.tsv", 'f'},         {"en.tsv", 'e'},
       {"corrections.tsv", 'c'}, {"corrections_ctx.tsv", 'c'}, {"corrections_keep.tsv", 'k'},
       {"shorthand.tsv", 's'}};

int lex_contains(char code, const char* key) { return find(code, key) >= 0; }

uint32_t lex_raw_count(char code, const char* key)
{
    int64_t slot = find(code, key);
    return slot >= 0 ? count_at(*lex_table(code), slot) : 0;
}

uint32_t lex_count(char code, const char* key)
{
    HashedKey k = hashed(key);
    const LexiconTable* t = lex_table(code);
    int64_t slot = find(t, k);
    if (slot < 0)
        return 0;
    uint32_t count;
    if (code == 'v') {
        const LexiconTable* frequencies = lex_table('f');
        int64_t frequency = find(frequencies, k);
        count = frequency >= 0 ? count_at(*frequencies, frequency) : 0;
    } else {
        count = count_at(*t, slot);
    }
    return count ? count : 1;
}

const char* lex_value(char code, const char* key)
{
    int64_t slot = find(code, key);
    return slot >= 0 ? value_at(*lex_table(code), slot) : nullptr;
}

const char* lex_correction(const char* key) { return lex_value('c', key); }

uint64_t lex_total(char code)
{
    LexiconTable* t = lex_table(code);
    return t ? t->total : 0;
}

uint64_t lex_total_or_one(char code)
{
    uint64_t total = lex_total(code == 'v' ? 'f' : code);
    return total ? total : 1;
}

uint64_t lex_size(char code)
{
    LexiconTable* t = lex_table(code);
    return t ? t->size : 0;
}

bool lex_loaded(char code) { return lex_size(code) != 0; }

void lex_clear(char code)
{
    LexiconTable* t = lex_table(code);
    if (t)
        free_table(t);
}

uint64_t lex_for_each(char code, LexVisitor visit, void* user)
{
    LexiconTable* t = lex_table(code);
    if (!t)
        return 0;
    uint64_t visited = 0;
    for (uint64_t i = 0; i < t->capacity; ++i) {
        const char* key = key_at(*t, i);
        if (!key)
            continue;
        visit(key, value_at(*t, i), count_at(*t, i), user);
        ++visited;
    }
    return visited;
}

}  // namespace miradot
