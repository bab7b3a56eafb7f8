#include "user_shorthand.h"

#include <cstdio>
#include <cstring>
#include <unordered_map>

#include "file_io.h"
#include "letters.h"

namespace miradot {

namespace {

constexpr char ABBREVIATION_MARKS[] = ".-_@&";

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
// its line feed and the carriage return before it.
template <typename Take>
void for_each_line(std::string_view text, Take take)
{
    int number = 0;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (ends_with_cr(line))
            line.remove_suffix(1);
        take(line, ++number);
    }
}

std::string_view without_utf8_mark(std::string_view bytes)
{
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
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

struct KeyHash {
    using is_transparent = void;
    size_t operator()(std::string_view key) const { return std::hash<std::string_view>()(key); }
};

std::unordered_map<std::string, std::string, KeyHash, std::equal_to<>>& table()
{
    static std::unordered_map<std::string, std::string, KeyHash, std::equal_to<>> entries;
    return entries;
}

}  // namespace

std::string shorthand_key(std::string_view abbreviation)
{
    std::string text(abbreviation);
    char lower[256];
    to_lower_word(text.c_str(), lower, sizeof lower);
    return lower;
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
    int expansionChars = count_allowed(expansion, [](uint32_t c) { return c >= 0x20 && c != 0x7F; });
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
    std::unordered_map<std::string, int> seen;
    for_each_line(without_utf8_mark(bytes), [&](std::string_view line, int) {
        if (line.empty())
            return;
        size_t tab = line.find('\t');
        bool comment = line.front() == '#';
        if (!comment && tab != std::string_view::npos) {
            std::string_view abbreviation = line.substr(0, tab);
            std::string_view expansion = line.substr(tab + 1);
            if (check_shorthand_entry(abbreviation, expansion) == SHORTHAND_OK
                && seen.emplace(shorthand_key(abbreviation), 0).second) {
                list.entries.push_back({std::string(abbreviation), std::string(expansion)});
                return;
            }
        }
        list.otherLines.emplace_back(line);
        if (!comment)
            ++list.badLines;
    });
    return list;
}

std::string format_shorthand_list(const ShorthandList& list)
{
    std::string text;
    for (const ShorthandEntry& entry : list.entries)
        text.append(entry.abbreviation).append("\t").append(entry.expansion).append("\n");
    for (const std::string& line : list.otherLines)
        text.append(line).append("\n");
    return text;
}

bool read_shorthand_file(const char* path, ShorthandList* list)
{
    *list = ShorthandList{};
    int64_t size, modified;
    if (!file_stamp(path, &size, &modified))
        return true;
    FILE* file = open_utf8_path(path, "rb");
    if (!file)
        return false;
    std::string bytes;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, n);
    bool failed = std::ferror(file);
    std::fclose(file);
    if (failed)
        return false;
    *list = parse_shorthand_list(bytes);
    return true;
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
        size_t cut = line.find('\t');
        if (cut == std::string_view::npos)
            cut = line.find(':');
        if (cut == std::string_view::npos) {
            import.refused.push_back({number, SHORTHAND_EMPTY_EXPANSION});
            return;
        }
        std::string_view abbreviation = trim_spaces(line.substr(0, cut));
        std::string_view expansion = trim_spaces(line.substr(cut + 1));
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
    return format_shorthand_list(entriesOnly);
}

int user_shorthand_load(const char* path)
{
    ShorthandList list;
    bool read = read_shorthand_file(path, &list);
    user_shorthand_use(list);
    return read ? user_shorthand_count() : -1;
}

void user_shorthand_use(const ShorthandList& list)
{
    auto& entries = table();
    entries.clear();
    entries.reserve(list.entries.size());
    for (const ShorthandEntry& entry : list.entries)
        entries.emplace(shorthand_key(entry.abbreviation), entry.expansion);
}

int user_shorthand_count() { return static_cast<int>(table().size()); }

const char* user_shorthand_value(std::string_view lowerKey)
{
    const auto& entries = table();
    if (entries.empty())
        return nullptr;
    auto found = entries.find(lowerKey);
    return found == entries.end() ? nullptr : found->second.c_str();
}

}  // namespace miradot
