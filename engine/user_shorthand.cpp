#include "user_shorthand.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <unordered_map>

#include "file_io.h"
#include "letters.h"

namespace miradot {

namespace {

constexpr char ABBREVIATION_MARKS[] = ".-_@&";
// The first line of the file says what it is; it also keeps a line read
// from elsewhere in the file from landing first, where a byte-order mark at
// its start would be taken for the file's.
constexpr std::string_view HEADER = "# miraDot shorthand v1";

// The next code point of well-formed UTF-8 (no overlong forms, surrogates or
// values beyond Unicode); false at a broken sequence.
bool next_codepoint(std::string_view text, size_t* at, uint32_t* c)
{
    auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(*at);
    int extra = lead < 0x80 ? 0 : (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0 || *at + extra >= text.size())
        return false;
    uint32_t value = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int i = 1; i <= extra; ++i) {
        unsigned char b = byte(*at + i);
        if ((b & 0xC0) != 0x80)
            return false;
        value = (value << 6) | (b & 0x3F);
    }
    static const uint32_t smallest[] = {0, 0x80, 0x800, 0x10000};
    if (value < smallest[extra] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return false;
    *at += extra + 1;
    *c = value;
    return true;
}

bool abbreviation_char(uint32_t c)
{
    if (c < 0x80)
        return is_ascii_letter(c) || is_ascii_digit(c) || (c && std::strchr(ABBREVIATION_MARKS, static_cast<int>(c)));
    return is_word_codepoint(c);
}

// No control character, no line break of any kind, and no U+FFFD, which
// stands for what a broken file lost.
bool expansion_char(uint32_t c)
{
    return c >= 0x20 && !(c >= 0x7F && c < 0xA0) && c != 0x2028 && c != 0x2029 && c != REPLACEMENT_CHAR;
}

// Code points of well-formed text whose characters all pass `allowed`, or -1.
template <typename Allowed>
int count_allowed(std::string_view text, Allowed allowed)
{
    int count = 0;
    for (size_t at = 0; at < text.size(); ++count) {
        uint32_t c;
        if (!next_codepoint(text, &at, &c) || !allowed(c))
            return -1;
    }
    return count;
}

bool ends_with_cr(std::string_view line) { return !line.empty() && line.back() == '\r'; }

// Calls take(line, number) for each line of text (numbers from 1), without
// its line feed and the carriage returns before it.
template <typename Take>
void for_each_line(std::string_view text, Take take)
{
    int number = 0;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        while (ends_with_cr(line))
            line.remove_suffix(1);
        take(line, ++number);
    }
}

// Every mark at the start: a file saved by an editor that keeps the mark it
// read and adds its own must not grow a mark at each round.
std::string_view without_utf8_mark(std::string_view bytes)
{
    while (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    return bytes;
}

void append_utf8(std::string* out, uint32_t c)
{
    char buffer[4];
    int n = encode_utf8_char(c, buffer, sizeof buffer);
    out->append(buffer, static_cast<size_t>(n));
}

// UTF-16 LE after its mark; an unpaired surrogate becomes U+FFFD, which the
// checks then refuse with its line.
std::string utf16le_to_utf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    auto unit = [&](size_t i) {
        return static_cast<uint32_t>(static_cast<unsigned char>(bytes[i]))
               | static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
    };
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        uint32_t c = unit(i);
        if (c >= 0xD800 && c <= 0xDBFF && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 && unit(i + 2) <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = REPLACEMENT_CHAR;
        }
        append_utf8(&out, c);
    }
    return out;
}

std::string_view trim_spaces(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

bool is_blank(std::string_view line) { return trim_spaces(line).empty(); }

// Abbreviation keys to expansions: open addressing over one block of
// strings, so that a list of thousands loads with a handful of allocations
// and a word that is in no list costs one probe of one slot array.
class KeyTable {
public:
    void clear()
    {
        strings_.clear();
        entries_.clear();
        std::fill(slots_.begin(), slots_.end(), 0);
    }
    void reserve(size_t entries, size_t bytes)
    {
        entries_.reserve(entries);
        strings_.reserve(bytes);
        while (slots_.size() < 2 * entries + 2)
            grow();
    }
    // False when the key is there already.
    bool insert(std::string_view key, std::string_view value)
    {
        if (slots_.size() < 2 * entries_.size() + 2)
            grow();
        uint32_t hash = fnv1a(key);
        size_t at = probe(key, hash);
        if (slots_[at])
            return false;
        Entry entry{static_cast<uint32_t>(strings_.size()), static_cast<uint32_t>(key.size()), 0};
        strings_.append(key).push_back(0);
        entry.value = static_cast<uint32_t>(strings_.size());
        strings_.append(value).push_back(0);
        entries_.push_back(entry);
        slots_[at] = uint64_t(hash) << 32 | entries_.size();
        return true;
    }
    const char* find(std::string_view key) const
    {
        if (entries_.empty())
            return nullptr;
        size_t at = probe(key, fnv1a(key));
        return slots_[at] ? strings_.data() + entries_[(slots_[at] & 0xFFFFFFFF) - 1].value : nullptr;
    }
    int size() const { return static_cast<int>(entries_.size()); }

private:
    struct Entry {
        uint32_t key, keyLength, value;
    };

    static uint32_t fnv1a(std::string_view key)
    {
        uint32_t hash = 0x811C9DC5;
        for (char c : key)
            hash = (hash ^ static_cast<unsigned char>(c)) * 0x01000193;
        return hash;
    }
    // The slot holding the key, or the empty one where it would go.
    size_t probe(std::string_view key, uint32_t hash) const
    {
        size_t mask = slots_.size() - 1;
        for (size_t at = hash & mask;; at = (at + 1) & mask) {
            uint64_t slot = slots_[at];
            if (!slot)
                return at;
            if (uint32_t(slot >> 32) == hash) {
                const Entry& e = entries_[(slot & 0xFFFFFFFF) - 1];
                if (std::string_view(strings_.data() + e.key, e.keyLength) == key)
                    return at;
            }
        }
    }
    void grow()
    {
        std::vector<uint64_t> old;
        old.swap(slots_);
        slots_.assign(old.empty() ? 64 : old.size() * 2, 0);
        size_t mask = slots_.size() - 1;
        for (uint64_t slot : old) {
            if (!slot)
                continue;
            size_t at = (slot >> 32) & mask;
            while (slots_[at])
                at = (at + 1) & mask;
            slots_[at] = slot;
        }
    }

    std::string strings_;
    std::vector<Entry> entries_;
    std::vector<uint64_t> slots_;
};

KeyTable& table()
{
    static KeyTable entries;
    return entries;
}

// The lower form of an abbreviation into buffer; plain ASCII without the
// word parser, which most lists are.
std::string_view lower_key(std::string_view abbreviation, char (&buffer)[256])
{
    size_t n = std::min(abbreviation.size(), sizeof buffer - 1);
    bool ascii = true;
    for (size_t i = 0; i < n; ++i) {
        buffer[i] = ascii_lower(abbreviation[i]);
        ascii = ascii && static_cast<unsigned char>(abbreviation[i]) < 0x80;
    }
    buffer[n] = 0;
    if (!ascii)
        to_lower_word(std::string(abbreviation).c_str(), buffer, sizeof buffer);
    return buffer;
}

// The lines of a list file: take_entry(abbreviation, expansion) for each
// line that is an entry by itself, which returns false when it refuses it
// (a duplicate); take_other(line, comment) for every other line.
template <typename TakeEntry, typename TakeOther>
void read_list_lines(std::string_view bytes, TakeEntry take_entry, TakeOther take_other)
{
    for_each_line(without_utf8_mark(bytes), [&](std::string_view line, int) {
        if (line.empty() || line == HEADER)
            return;
        size_t tab = line.find('\t');
        bool comment = line.front() == '#';
        if (!comment && tab != std::string_view::npos) {
            std::string_view abbreviation = line.substr(0, tab);
            std::string_view expansion = line.substr(tab + 1);
            if (check_shorthand_entry(abbreviation, expansion) == SHORTHAND_OK && take_entry(abbreviation, expansion))
                return;
        }
        take_other(line, comment);
    });
}

// The whole file; a missing one is empty. False when it cannot be read.
bool read_whole_file(const char* path, std::string* bytes)
{
    bytes->clear();
    int64_t size, modified;
    if (!file_stamp(path, &size, &modified))
        return true;
    FILE* file = open_utf8_path(path, "rb");
    if (!file)
        return false;
    if (size > 0)
        bytes->reserve(static_cast<size_t>(size));
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes->append(buffer, n);
    bool failed = std::ferror(file);
    std::fclose(file);
    return !failed;
}

}  // namespace

std::string shorthand_key(std::string_view abbreviation)
{
    char buffer[256];
    return std::string(lower_key(abbreviation, buffer));
}

ShorthandCheck check_shorthand_entry(std::string_view abbreviation, std::string_view expansion)
{
    if (abbreviation.empty())
        return SHORTHAND_EMPTY_ABBREVIATION;
    int abbreviationChars = count_allowed(abbreviation, abbreviation_char);
    if (abbreviationChars < 0)
        return SHORTHAND_BAD_ABBREVIATION;
    if (abbreviationChars > SHORTHAND_MAX_ABBREVIATION)
        return SHORTHAND_LONG_ABBREVIATION;
    if (is_blank(expansion))
        return SHORTHAND_EMPTY_EXPANSION;
    int expansionChars = count_allowed(expansion, expansion_char);
    if (expansionChars < 0)
        return SHORTHAND_BAD_EXPANSION;
    if (expansionChars > SHORTHAND_MAX_EXPANSION)
        return SHORTHAND_LONG_EXPANSION;
    return SHORTHAND_OK;
}

int find_shorthand(const ShorthandList& list, std::string_view abbreviation)
{
    std::string key = shorthand_key(abbreviation);
    for (size_t i = 0; i < list.entries.size(); ++i) {
        if (shorthand_key(list.entries[i].abbreviation) == key)
            return static_cast<int>(i);
    }
    return -1;
}

ShorthandCheck check_shorthand_change(const ShorthandList& list, std::string_view abbreviation,
                                      std::string_view expansion, int editing)
{
    ShorthandCheck check = check_shorthand_entry(abbreviation, expansion);
    if (check != SHORTHAND_OK)
        return check;
    int found = find_shorthand(list, abbreviation);
    return found >= 0 && found != editing ? SHORTHAND_DUPLICATE : SHORTHAND_OK;
}

ShorthandList parse_shorthand_list(std::string_view bytes)
{
    ShorthandList list;
    KeyTable seen;
    read_list_lines(
        bytes,
        [&](std::string_view abbreviation, std::string_view expansion) {
            char key[256];
            if (!seen.insert(lower_key(abbreviation, key), {}))
                return false;
            list.entries.push_back({std::string(abbreviation), std::string(expansion)});
            return true;
        },
        [&](std::string_view line, bool comment) {
            list.otherLines.emplace_back(line);
            list.badLines += !comment;
        });
    return list;
}

namespace {

std::string format_lines(const ShorthandList& list, bool header)
{
    std::string text;
    if (header)
        text.append(HEADER).append("\n");
    for (const ShorthandEntry& entry : list.entries)
        text.append(entry.abbreviation).append("\t").append(entry.expansion).append("\n");
    for (const std::string& line : list.otherLines)
        text.append(line).append("\n");
    return text;
}

}  // namespace

std::string format_shorthand_list(const ShorthandList& list) { return format_lines(list, true); }

bool read_shorthand_file(const char* path, ShorthandList* list)
{
    std::string bytes;
    bool read = read_whole_file(path, &bytes);
    *list = read ? parse_shorthand_list(bytes) : ShorthandList{};
    return read;
}

bool write_shorthand_file(const char* path, const ShorthandList& list)
{
    std::string tempPath = std::string(path) + ".tmp";
    FILE* file = open_utf8_path(tempPath.c_str(), "wb");
    if (!file)
        return false;
    std::string text = format_shorthand_list(list);
    bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size() && flush_to_disk(file);
    bool closed = std::fclose(file) == 0;
    if (!written || !closed || !replace_file(tempPath.c_str(), path)) {
        std::remove(tempPath.c_str());
        return false;
    }
    return true;
}

ShorthandImport preview_shorthand_import(const ShorthandList& list, std::string_view fileBytes)
{
    std::string converted;
    std::string_view text;
    if (fileBytes.size() >= 2 && fileBytes.substr(0, 2) == "\xFF\xFE") {
        converted = utf16le_to_utf8(fileBytes.substr(2));
        text = converted;
    } else {
        text = without_utf8_mark(fileBytes);
    }
    std::unordered_map<std::string, int> existing;
    for (size_t i = 0; i < list.entries.size(); ++i)
        existing.emplace(shorthand_key(list.entries[i].abbreviation), static_cast<int>(i));
    // The file's entries by key, each with the line that gave it last.
    std::vector<ShorthandEntry> taken;
    std::unordered_map<std::string, size_t> takenAt;
    ShorthandImport import;
    for_each_line(text, [&](std::string_view line, int number) {
        if (is_blank(line) || line.front() == ';')
            return;
        // A TAB line is exact, as the export writes it; around a colon
        // people put spaces they do not mean.
        size_t cut = line.find('\t');
        bool exact = cut != std::string_view::npos;
        if (!exact)
            cut = line.find(':');
        if (cut == std::string_view::npos) {
            import.refused.push_back({number, SHORTHAND_EMPTY_EXPANSION});
            return;
        }
        std::string_view abbreviation = line.substr(0, cut);
        std::string_view expansion = line.substr(cut + 1);
        if (!exact) {
            abbreviation = trim_spaces(abbreviation);
            expansion = trim_spaces(expansion);
        }
        ShorthandCheck check = check_shorthand_entry(abbreviation, expansion);
        if (check != SHORTHAND_OK) {
            import.refused.push_back({number, check});
            return;
        }
        auto [at, added] = takenAt.emplace(shorthand_key(abbreviation), taken.size());
        if (added)
            taken.push_back({std::string(abbreviation), std::string(expansion)});
        else
            taken[at->second].expansion = expansion;
    });
    for (const ShorthandEntry& entry : taken) {
        auto found = existing.find(shorthand_key(entry.abbreviation));
        if (found == existing.end())
            import.added.push_back(entry);
        else if (list.entries[static_cast<size_t>(found->second)].expansion == entry.expansion)
            ++import.unchanged;
        else
            import.replaced.push_back(entry);
    }
    return import;
}

void apply_shorthand_import(ShorthandList* list, const ShorthandImport& import)
{
    std::unordered_map<std::string, size_t> at;
    for (size_t i = 0; i < list->entries.size(); ++i)
        at.emplace(shorthand_key(list->entries[i].abbreviation), i);
    auto put = [&](const ShorthandEntry& entry) {
        auto [found, added] = at.emplace(shorthand_key(entry.abbreviation), list->entries.size());
        if (added)
            list->entries.push_back(entry);
        else
            list->entries[found->second].expansion = entry.expansion;
    };
    for (const ShorthandEntry& entry : import.replaced)
        put(entry);
    for (const ShorthandEntry& entry : import.added)
        put(entry);
}

std::string export_shorthand_list(const ShorthandList& list)
{
    ShorthandList entriesOnly;
    entriesOnly.entries = list.entries;
    return format_lines(entriesOnly, false);
}

int append_shorthand_expansion(char* buffer, int size, const char* expansion, ShorthandCase textCase)
{
    int used = static_cast<int>(std::strlen(buffer));
    bool upper = textCase != SHORTHAND_AS_WRITTEN;
    for (const char* cursor = expansion; *cursor;) {
        const char* start = cursor;
        uint32_t c = decode_utf8_char(&cursor);
        char piece[16];
        int length = static_cast<int>(cursor - start);
        std::memcpy(piece, start, static_cast<size_t>(length));
        piece[length] = 0;
        Syllable letter;
        if (upper && (is_ascii_letter(c) || c >= 0x80) && is_word_codepoint(c) && parse_word(piece, &letter) && letter.count == 1) {
            letter.letters[0].upper = 1;
            length = render_syllable(letter, false, false, piece, sizeof piece);
            upper = textCase == SHORTHAND_ALL_CAPITALS;
        }
        if (used + length >= size)
            break;
        std::memcpy(buffer + used, piece, static_cast<size_t>(length));
        used += length;
    }
    buffer[used] = 0;
    return used;
}

int user_shorthand_load(const char* path)
{
    std::string bytes;
    bool read = read_whole_file(path, &bytes);
    KeyTable& entries = table();
    entries.clear();
    if (!read)
        return -1;
    entries.reserve(static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1, bytes.size());
    read_list_lines(
        bytes,
        [&](std::string_view abbreviation, std::string_view expansion) {
            char key[256];
            return entries.insert(lower_key(abbreviation, key), expansion);
        },
        [](std::string_view, bool) {});
    return entries.size();
}

void user_shorthand_use(const ShorthandList& list)
{
    KeyTable& entries = table();
    entries.clear();
    for (const ShorthandEntry& entry : list.entries) {
        char key[256];
        entries.insert(lower_key(entry.abbreviation, key), entry.expansion);
    }
}

int user_shorthand_count() { return table().size(); }

const char* user_shorthand_value(std::string_view lowerKey) { return table().find(lowerKey); }

}  // namespace miradot
