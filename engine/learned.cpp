// The learned-data file: the learned choices and the accepted words
// tables, saved by writing a new file and moving it over the old one.
#include <cstdio>
#include <cstring>

#include "learned.h"

#include "engine.h"
#include "file_io.h"
#include "letters.h"
#include "lexicon.h"

using namespace miradot;

namespace {

constexpr char HEADER[] = "# miraDot learned data v1\n";
constexpr int LINE_LIMIT = 511;

struct SaveState {
    FILE* file;
    int lines;
    bool failed;
};

// A key holding a field or line separator would corrupt the file.
bool storable(const char* key) { return !std::strpbrk(key, "\t\r\n"); }

// A letter the file may hold; anything else reads as English, the keys as
// typed.
LearnedChoice choice_from_letter(char letter)
{
    if (letter == static_cast<char>(LearnedChoice::Vietnamese))
        return LearnedChoice::Vietnamese;
    if (letter == static_cast<char>(LearnedChoice::NoShorthand))
        return LearnedChoice::NoShorthand;
    return LearnedChoice::English;
}

const char* choice_value(LearnedChoice choice)
{
    switch (choice) {
    case LearnedChoice::Vietnamese:
        return "v";
    case LearnedChoice::NoShorthand:
        return "n";
    default:
        return "e";
    }
}

void write_choice(const char* key, const char* value, uint32_t count, void* user)
{
    auto* state = static_cast<SaveState*>(user);
    if (!storable(key))
        return;
    if (std::fprintf(state->file, "o\t%s\t%s\t%u\n", key, value ? value : "e", count) < 0)
        state->failed = true;
    ++state->lines;
}

void write_accepted(const char* key, const char*, uint32_t count, void* user)
{
    auto* state = static_cast<SaveState*>(user);
    if (!storable(key))
        return;
    if (std::fprintf(state->file, "p\t%s\t%u\n", key, count) < 0)
        state->failed = true;
    ++state->lines;
}

uint32_t leading_number(const char* text)
{
    uint64_t value = 0;
    for (; is_ascii_digit(static_cast<unsigned char>(*text)); ++text) {
        value = value * 10 + static_cast<unsigned>(*text - '0');
        if (value > UINT32_MAX)
            value = UINT32_MAX;
    }
    return static_cast<uint32_t>(value);
}

// Reads one line into buffer; the rest of an over-long line is dropped so it
// cannot pose as a record of its own. False at the end of the file.
bool read_line(FILE* file, char (&buffer)[LINE_LIMIT + 1])
{
    if (!std::fgets(buffer, sizeof buffer, file))
        return false;
    if (!std::strchr(buffer, '\n')) {
        int c;
        while ((c = std::fgetc(file)) != EOF && c != '\n') {
        }
    }
    buffer[std::strcspn(buffer, "\r\n")] = 0;
    return true;
}

bool load_record(char* line)
{
    if (line[0] == '#')
        return false;
    char* tab1 = std::strchr(line, '\t');
    char* tab2 = tab1 ? std::strchr(tab1 + 1, '\t') : nullptr;
    if (!tab2)
        return false;
    *tab1 = *tab2 = 0;
    const char* key = tab1 + 1;
    const char* third = tab2 + 1;
    if (std::strcmp(line, "p") == 0)
        return lex_add(Table::AcceptedWords, key, nullptr, leading_number(third));
    if (std::strcmp(line, "o") != 0)
        return false;
    char* tab3 = std::strchr(tab2 + 1, '\t');
    if (!tab3)
        return false;
    return lex_add(Table::LearnedChoices, key, choice_value(choice_from_letter(third[0])), leading_number(tab3 + 1));
}

}  // namespace

namespace miradot {

LearnedChoice learned_choice(const char* keysLower)
{
    const char* value = lex_value(Table::LearnedChoices, keysLower);
    return value && value[0] ? static_cast<LearnedChoice>(value[0]) : LearnedChoice::None;
}

void learn_choice(const char* keysLower, LearnedChoice choice)
{
    lex_add(Table::LearnedChoices, keysLower, choice_value(choice), 1);
}

}  // namespace miradot

int learned_save(const char* path)
{
    char tempPath[1100];
    int n = std::snprintf(tempPath, sizeof tempPath, "%s.tmp", path);
    if (n < 0 || n >= static_cast<int>(sizeof tempPath))
        return -1;
    FILE* file = open_utf8_path(tempPath, "wb");
    if (!file)
        return -1;
    SaveState state{file, 0, std::fputs(HEADER, file) < 0};
    lex_for_each(Table::LearnedChoices, write_choice, &state);
    lex_for_each(Table::AcceptedWords, write_accepted, &state);
    bool written = !state.failed && !std::ferror(file) && flush_to_disk(file);
    bool closed = std::fclose(file) == 0;
    if (!written || !closed || !replace_file(tempPath, path)) {
        std::remove(tempPath);
        return -1;
    }
    return state.lines;
}

int learned_load(const char* path)
{
    FILE* file = open_utf8_path(path, "rb");
    if (!file)
        return -1;
    char line[LINE_LIMIT + 1];
    int records = 0;
    while (read_line(file, line)) {
        if (load_record(line))
            ++records;
    }
    std::fclose(file);
    return records;
}

void learned_clear()
{
    lex_clear(Table::LearnedChoices);
    lex_clear(Table::AcceptedWords);
}

int learned_count() { return static_cast<int>(lex_size(Table::LearnedChoices) + lex_size(Table::AcceptedWords)); }
