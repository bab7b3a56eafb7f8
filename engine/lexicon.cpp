#include "lexicon.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "engine.h"
#include "lexicon_image.h"

namespace miradot {

namespace {

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

// A key looked up in two tables (syllables, then their frequencies) is
// hashed once.
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

int64_t find(Table table, const char* key) { return find(lex_table(table), hashed(key)); }

}  // namespace

LexiconTable* lex_table(Table table)
{
    auto at = static_cast<size_t>(table);
    return at < TABLE_COUNT ? &g_tables[at] : nullptr;
}

void lex_reserve(LexiconTable* t, uint64_t extraKeys)
{
    if (!own(t))
        return;
    uint64_t capacity = t->capacity ? t->capacity : FIRST_CAPACITY;
    while (capacity < 2 * (t->size + extraKeys) + 2)
        capacity *= 2;
    if (capacity > t->capacity)
        rehash(t, capacity);
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

int lex_add(Table table, const char* key, const char* value, uint32_t amount)
{
    LexiconTable* t = lex_table(table);
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

int lex_contains(Table table, const char* key) { return find(table, key) >= 0; }

uint32_t lex_raw_count(Table table, const char* key)
{
    int64_t slot = find(table, key);
    return slot >= 0 ? count_at(*lex_table(table), slot) : 0;
}

uint32_t lex_count(Table table, const char* key)
{
    HashedKey k = hashed(key);
    const LexiconTable* t = lex_table(table);
    int64_t slot = find(t, k);
    if (slot < 0)
        return 0;
    uint32_t count;
    if (table == Table::Syllables) {
        const LexiconTable* frequencies = lex_table(Table::SyllableFrequencies);
        int64_t frequency = find(frequencies, k);
        count = frequency >= 0 ? count_at(*frequencies, frequency) : 0;
    } else {
        count = count_at(*t, slot);
    }
    return count ? count : 1;
}

const char* lex_value(Table table, const char* key)
{
    int64_t slot = find(table, key);
    return slot >= 0 ? value_at(*lex_table(table), slot) : nullptr;
}

const char* lex_correction(const char* key) { return lex_value(Table::Corrections, key); }

uint64_t lex_total(Table table)
{
    LexiconTable* t = lex_table(table);
    return t ? t->total : 0;
}

uint64_t lex_total_or_one(Table table)
{
    uint64_t total = lex_total(table == Table::Syllables ? Table::SyllableFrequencies : table);
    return total ? total : 1;
}

uint64_t lex_size(Table table)
{
    LexiconTable* t = lex_table(table);
    return t ? t->size : 0;
}

bool lex_loaded(Table table) { return lex_size(table) != 0; }

void lex_clear(Table table)
{
    LexiconTable* t = lex_table(table);
    if (t)
        free_table(t);
}

uint64_t lex_for_each(Table table, LexVisitor visit, void* user)
{
    LexiconTable* t = lex_table(table);
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
