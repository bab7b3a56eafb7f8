// The lexicon's files read into the tables: one line a key, a tab and its
// count or value; "#total" lines give a table's total.
#include "lexicon_loader.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "composer.h"
#include "engine.h"
#include "file_io.h"
#include "letters.h"
#include "lexicon.h"
#include "lexicon_image.h"

namespace miradot {

const LexFile LEX_FILES[LEX_FILE_COUNT] = {{"vi.tsv", Table::Syllables},
                                           {"vi_freq.tsv", Table::SyllableFrequencies},
                                           {"en.tsv", Table::English},
                                           {"corrections.tsv", Table::Corrections},
                                           {"corrections_ctx.tsv", Table::Corrections},
                                           {"corrections_keep.tsv", Table::KeptPairs},
                                           {"shorthand.tsv", Table::Shorthand}};

namespace {

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
// the Vietnamese words (vi.tsv) or the plain words (vi_freq.tsv). Returns whether the line counts.
bool insert_vietnamese(Table table, LexiconTable* own, const char* key, size_t keyLength, uint32_t count,
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
    if (table == Table::Syllables && parses)
        lex_insert(lex_table(Table::VietnameseWords), key, keyLength, nullptr, 0, 0);
    if (table == Table::SyllableFrequencies && all_ascii_lower(key, keyLength))
        lex_insert(lex_table(Table::PlainWords), key, keyLength, nullptr, 0, count);
    return false;
}

}  // namespace

int lex_parse_file(Table table, const char* bytes, size_t length)
{
    LexiconTable* t = lex_table(table);
    if (!t)
        return 0;
    bool textValue = table == Table::Corrections || table == Table::Shorthand;
    uint64_t ownSum = 0;
    int entries = 0;
    const char* end = bytes + length;
    lex_reserve(t, count_lines(bytes, end));
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
        bool skip = keyLength == 0 || (!tab && (table == Table::Corrections || line[0] == '#'));
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
                if (table == Table::Syllables || table == Table::SyllableFrequencies) {
                    if (insert_vietnamese(table, t, line, keyLength, count, &ownSum))
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

int lex_load_file(Table table, const char* path)
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
    return lex_parse_file(table, image.get(), got);
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
        int entries = lex_load_file(file.table, path);
        if (entries < 0)
            continue;
        anyLoaded = true;
        total += entries;
    }
    return anyLoaded ? total : -1;
}
