#include "lexicon_image.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "engine.h"
#include "file_io.h"
#include "lexicon.h"

namespace miradot {

namespace {

constexpr size_t CHECKED_FROM = offsetof(LexImageHeader, checksum) + sizeof(uint64_t);

MappedFile g_image;
char g_problem[192];

void note_problem(const char* problem, const char* detail = "")
{
    std::snprintf(g_problem, sizeof g_problem, "%s: %s%s; the lexicon files were read instead", LEX_IMAGE_NAME, problem,
                  detail);
}

bool join_path(const char* dir, const char* name, char (&path)[1024])
{
    int n = std::snprintf(path, sizeof path, "%s/%s", dir, name);
    return n > 0 && n < static_cast<int>(sizeof path);
}

bool file_digest(const char* path, int64_t size, uint64_t* digest)
{
    if (size == 0) {
        *digest = lex_checksum(nullptr, 0);
        return true;
    }
    MappedFile file;
    if (!map_file(path, &file))
        return false;
    *digest = lex_checksum(file.bytes, file.length);
    unmap_file(&file);
    return true;
}

// Whether [offset, offset + count * unit) lies inside an image of `length` bytes.
bool inside(uint64_t offset, uint64_t count, uint64_t unit, uint64_t length)
{
    return offset <= length && count <= (length - offset) / unit;
}

const char* check_table(const LexImageHeader& header, const unsigned char* bytes, size_t length,
                        const LexImageTable& table)
{
    if (table.capacity == 0)
        return table.size == 0 ? nullptr : "a table larger than its slots";
    if ((table.capacity & (table.capacity - 1)) != 0)
        return "a table whose capacity is not a power of two";
    if (table.size >= table.capacity)
        return "a table without an empty slot";
    if (table.slotsOffset < header.headerBytes || table.slotsOffset % sizeof(uint32_t) != 0
        || !inside(table.slotsOffset, table.capacity, sizeof(uint32_t), length))
        return "a table offset out of range";
    const auto* slots = reinterpret_cast<const uint32_t*>(bytes + table.slotsOffset);
    const unsigned char* strings = bytes + header.stringsOffset;
    // An entry, its key's first byte and so its NUL (the strings end with one)
    // lie inside the strings.
    uint64_t entryLimit = header.stringsBytes - sizeof(LexImageEntry);
    // Without branches: the slots of a hash table are used at random, and
    // mispredicted jumps would cost more than the reading.
    uint64_t used = 0;
    uint32_t outside = 0;
    for (uint64_t i = 0; i < table.capacity; ++i) {
        uint32_t entry = slots[i];
        used += entry != 0;
        outside |= (entry % alignof(LexImageEntry) != 0) | (entry >= entryLimit);
    }
    if (outside)
        return "an entry offset out of range";
    for (uint64_t i = 0; table.hasValues && i < table.capacity; ++i) {
        uint32_t value;
        std::memcpy(&value, strings + slots[i] + offsetof(LexImageEntry, value), sizeof value);
        if (slots[i] && value >= header.stringsBytes)
            return "a string offset out of range";
    }
    return used == table.size ? nullptr : "a table size that does not match its slots";
}

}  // namespace

uint64_t lex_checksum(const void* bytes, size_t length)
{
    const auto* p = static_cast<const unsigned char*>(bytes);
    uint64_t sum = 1;
    uint64_t sumOfSums = 0;
    size_t i = 0;
    for (; i + sizeof(uint64_t) <= length; i += sizeof(uint64_t)) {
        uint64_t word;
        std::memcpy(&word, p + i, sizeof word);
        sum += word;
        sumOfSums += sum;
    }
    uint64_t tail = 0;
    if (i < length)
        std::memcpy(&tail, p + i, length - i);
    sum += tail ^ length;
    sumOfSums += sum;
    return sum ^ (sumOfSums * 0x9E3779B97F4A7C15ull);
}

const char* lex_image_check(const void* image, size_t length)
{
    const auto* bytes = static_cast<const unsigned char*>(image);
    LexImageHeader header;
    if (length < sizeof header)
        return "truncated";
    std::memcpy(&header, bytes, sizeof header);
    if (std::memcmp(header.magic, LEX_IMAGE_MAGIC, sizeof header.magic) != 0)
        return "not a lexicon image";
    if (header.version != LEX_IMAGE_VERSION)
        return "wrong version";
    if (header.headerBytes != sizeof header)
        return "wrong header size";
    if (header.imageBytes > length)
        return "truncated";
    if (header.imageBytes != length || length % sizeof(uint64_t) != 0)
        return "wrong size";
    if (lex_checksum(bytes + CHECKED_FROM, length - CHECKED_FROM) != header.checksum)
        return "wrong checksum";
    if (header.stringsOffset < header.headerBytes || header.stringsOffset % alignof(LexImageEntry) != 0
        || header.stringsBytes <= sizeof(LexImageEntry) || header.stringsBytes > UINT32_MAX
        || !inside(header.stringsOffset, header.stringsBytes, 1, length))
        return "a string offset out of range";
    const unsigned char* strings = bytes + header.stringsOffset;
    if (strings[0] != 0 || strings[header.stringsBytes - 1] != 0)
        return "strings without their end";
    for (const LexImageTable& table : header.tables) {
        if (const char* problem = check_table(header, bytes, length, table))
            return problem;
    }
    return nullptr;
}

const char* lex_image_source_mismatch(const LexImageHeader& header, const char* dataDir)
{
    for (int i = 0; i < LEX_FILE_COUNT; ++i) {
        const LexImageSource& source = header.sources[i];
        char path[1024];
        int64_t size = -1;
        int64_t modified = 0;
        if (!join_path(dataDir, LEX_FILES[i].name, path) || !file_stamp(path, &size, &modified))
            size = -1;
        if (size != source.size)
            return LEX_FILES[i].name;
        if (size < 0 || modified == source.modified)
            continue;
        // Copied files keep their bytes but not always their time.
        uint64_t digest;
        if (!file_digest(path, size, &digest) || digest != source.digest)
            return LEX_FILES[i].name;
    }
    return nullptr;
}

int lex_image_use(const void* image)
{
    const auto* bytes = static_cast<const unsigned char*>(image);
    LexImageHeader header;
    std::memcpy(&header, bytes, sizeof header);
    for (int i = 0; i < LEX_IMAGE_TABLES; ++i) {
        LexiconTable* t = lex_table(LEX_IMAGE_TABLE_ORDER[i]);
        const LexImageTable& table = header.tables[i];
        *t = LexiconTable{};
        t->capacity = table.capacity;
        t->size = table.size;
        t->total = table.total;
        if (table.capacity) {
            t->imageSlots = reinterpret_cast<const uint32_t*>(bytes + table.slotsOffset);
            t->imageStrings = reinterpret_cast<const char*>(bytes + header.stringsOffset);
            t->imageValues = table.hasValues != 0;
        }
    }
    int entries = 0;
    bool anySource = false;
    for (const LexImageSource& source : header.sources) {
        if (source.size < 0)
            continue;
        anySource = true;
        entries += static_cast<int>(source.entries);
    }
    return anySource ? entries : -1;
}

int lex_image_load(const char* dataDir)
{
    g_problem[0] = 0;
    for (Table table : LEX_IMAGE_TABLE_ORDER) {
        if (lex_table(table)->capacity || lex_total(table))
            return LEX_IMAGE_UNUSED;
    }
    char path[1024];
    MappedFile image;
    if (!join_path(dataDir, LEX_IMAGE_NAME, path) || !map_file(path, &image))
        return LEX_IMAGE_UNUSED;
    const char* problem = lex_image_check(image.bytes, image.length);
    LexImageHeader header;
    if (!problem)
        std::memcpy(&header, image.bytes, sizeof header);
    const char* changed = problem ? nullptr : lex_image_source_mismatch(header, dataDir);
    if (problem || changed) {
        if (problem)
            note_problem(problem);
        else
            note_problem("made from another version of ", changed);
        unmap_file(&image);
        return LEX_IMAGE_UNUSED;
    }
    // No table refers to the previous image: they were all empty.
    unmap_file(&g_image);
    g_image = image;
    return lex_image_use(g_image.bytes);
}

int lex_image_write(const char* dataDir, const char* imagePath)
{
    LexImageHeader header{};
    std::memcpy(header.magic, LEX_IMAGE_MAGIC, sizeof header.magic);
    header.version = LEX_IMAGE_VERSION;
    header.headerBytes = sizeof header;
    for (Table table : LEX_IMAGE_TABLE_ORDER)
        lex_clear(table);
    bool anySource = false;
    for (int i = 0; i < LEX_FILE_COUNT; ++i) {
        LexImageSource& source = header.sources[i];
        source.size = -1;
        char path[1024];
        if (!join_path(dataDir, LEX_FILES[i].name, path) || !file_stamp(path, &source.size, &source.modified))
            continue;
        int entries = lex_load_file(LEX_FILES[i].table, path);
        if (entries < 0 || !file_digest(path, source.size, &source.digest))
            return 0;
        source.entries = entries;
        // Checked by its bytes at every load, as a time within the clock's
        // grain proves nothing.
        if (source.modified > static_cast<int64_t>(std::time(nullptr)) - 3)
            source.modified = LEX_TIME_UNKNOWN;
        anySource = true;
    }
    if (!anySource)
        return 0;

    std::string strings(alignof(LexImageEntry), '\0');
    auto add_value = [&strings](const char* text) -> uint32_t {
        if (!text)
            return 0;
        auto offset = static_cast<uint32_t>(strings.size());
        strings.append(text, std::strlen(text) + 1);
        return offset;
    };
    auto add_entry = [&strings](const char* key, uint32_t value, uint32_t count) -> uint32_t {
        strings.resize((strings.size() + alignof(LexImageEntry) - 1) & ~(alignof(LexImageEntry) - 1));
        auto offset = static_cast<uint32_t>(strings.size());
        LexImageEntry entry{count, value};
        strings.append(reinterpret_cast<const char*>(&entry), sizeof entry);
        strings.append(key, std::strlen(key) + 1);
        return offset;
    };
    std::vector<std::vector<uint32_t>> slots(LEX_IMAGE_TABLES);
    uint64_t offset = sizeof header;
    for (int i = 0; i < LEX_IMAGE_TABLES; ++i) {
        const LexiconTable* t = lex_table(LEX_IMAGE_TABLE_ORDER[i]);
        slots[i].assign(t->capacity, 0);
        bool hasValues = false;
        for (uint64_t slot = 0; slot < t->capacity; ++slot) {
            if (!t->keys[slot])
                continue;
            slots[i][slot] = add_entry(t->keys[slot], add_value(t->values[slot]), t->counts[slot]);
            hasValues = hasValues || t->values[slot];
        }
        header.tables[i] = LexImageTable{t->capacity, t->size, t->total, offset, hasValues};
        offset += t->capacity * sizeof(uint32_t);
        offset = (offset + 7) & ~uint64_t(7);
    }
    if (strings.size() > UINT32_MAX)
        return 0;
    header.stringsOffset = offset;
    header.stringsBytes = strings.size();
    header.imageBytes = (offset + strings.size() + 7) & ~uint64_t(7);

    std::vector<unsigned char> image(header.imageBytes, 0);
    for (int i = 0; i < LEX_IMAGE_TABLES; ++i) {
        if (!slots[i].empty())
            std::memcpy(image.data() + header.tables[i].slotsOffset, slots[i].data(),
                        slots[i].size() * sizeof(uint32_t));
    }
    std::memcpy(image.data() + header.stringsOffset, strings.data(), strings.size());
    std::memcpy(image.data(), &header, sizeof header);
    header.checksum = lex_checksum(image.data() + CHECKED_FROM, image.size() - CHECKED_FROM);
    std::memcpy(image.data(), &header, sizeof header);

    std::string partial = std::string(imagePath) + ".part";
    FILE* file = open_utf8_path(partial.c_str(), "wb");
    if (!file)
        return 0;
    bool written = std::fwrite(image.data(), 1, image.size(), file) == image.size();
    written = std::fclose(file) == 0 && written;
    return written && replace_file(partial.c_str(), imagePath) ? 1 : 0;
}

}  // namespace miradot

const char* engine_data_problem() { return miradot::g_problem[0] ? miradot::g_problem : nullptr; }
