// The user's own shorthand: the list file (one entry a line, abbreviation
// TAB expansion), the checks an entry must pass, the import of the lists
// other programs export, and the process-wide table the word end consults.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace miradot {

// Limits in code points.
constexpr int SHORTHAND_MAX_ABBREVIATION = 32;
constexpr int SHORTHAND_MAX_EXPANSION = 1000;

// Why an entry is refused; SHORTHAND_OK when it is not.
enum ShorthandCheck {
    SHORTHAND_OK = 0,
    SHORTHAND_EMPTY_ABBREVIATION,
    SHORTHAND_EMPTY_EXPANSION,
    SHORTHAND_LONG_ABBREVIATION,
    SHORTHAND_LONG_EXPANSION,
    SHORTHAND_BAD_ABBREVIATION,  // a character other than letters, digits and . - _ @ &
    SHORTHAND_BAD_EXPANSION,     // a line break, a TAB, another control character, broken UTF-8 or U+FFFD
    SHORTHAND_DUPLICATE,         // the abbreviation (in any case) is in the list already
};

struct ShorthandEntry {
    std::string abbreviation;
    std::string expansion;
};

struct ShorthandList {
    std::vector<ShorthandEntry> entries;
    // Lines that are no entry (comments, hand-made mistakes), kept as they
    // were so that writing the list back loses nothing.
    std::vector<std::string> otherLines;
    int badLines = 0;  // of otherLines, those that are no comment
};

// The form abbreviations are compared and looked up in.
std::string shorthand_key(std::string_view abbreviation);

// The entry alone: characters and lengths.
ShorthandCheck check_shorthand_entry(std::string_view abbreviation, std::string_view expansion);
// The entry as a new one (editing -1) or in place of entry `editing` of list.
ShorthandCheck check_shorthand_change(const ShorthandList& list, std::string_view abbreviation,
                                      std::string_view expansion, int editing);
// Index of the entry with this abbreviation (any case), or -1.
int find_shorthand(const ShorthandList& list, std::string_view abbreviation);

// The list file's bytes; a UTF-8 byte-order mark and CR before LF are taken.
ShorthandList parse_shorthand_list(std::string_view bytes);
// What write_shorthand_file writes: a header line, the entries, then the
// other lines.
std::string format_shorthand_list(const ShorthandList& list);
// False when the file cannot be read; a missing file is an empty list.
bool read_shorthand_file(const char* path, ShorthandList* list);
// Writes a new file beside it and moves it over the old one: a reader sees
// the old list or the new one, never half of it.
bool write_shorthand_file(const char* path, const ShorthandList& list);

struct ShorthandRefusal {
    int line;  // from 1
    ShorthandCheck reason;
};

// What an import would do to a list; nothing changes until it is applied.
struct ShorthandImport {
    std::vector<ShorthandEntry> added;
    std::vector<ShorthandEntry> replaced;  // with the new expansion
    int unchanged = 0;                     // entries the list holds already as they are
    std::vector<ShorthandRefusal> refused;
};

// Reads `abbreviation:expansion` and TAB lines, `;` comment lines, in UTF-8
// (with or without a byte-order mark) or UTF-16 LE with its mark, CRLF or LF.
// A later line for the same abbreviation wins over an earlier one.
ShorthandImport preview_shorthand_import(const ShorthandList& list, std::string_view fileBytes);
void apply_shorthand_import(ShorthandList* list, const ShorthandImport& import);
// The entries in the TAB form, which preview_shorthand_import reads back.
std::string export_shorthand_list(const ShorthandList& list);

// How a typed abbreviation's case carries over to its expansion.
enum ShorthandCase {
    SHORTHAND_AS_WRITTEN,
    SHORTHAND_FIRST_CAPITAL,  // Vn, Kg: the first letter becomes a capital
    SHORTHAND_ALL_CAPITALS,   // VN: every letter
};
// Appends expansion in that case to the NUL-terminated buffer (size with the
// terminator), whole characters only; returns the new length.
int append_shorthand_expansion(char* buffer, int size, const char* expansion, ShorthandCase textCase);

// The table the word end consults, replaced whole by each call. Entries
// loaded, or -1 when the file cannot be read (the table is then empty).
int user_shorthand_load(const char* path);
void user_shorthand_use(const ShorthandList& list);
int user_shorthand_count();
// The expansion for a lower-case form of a typed word, or null.
const char* user_shorthand_value(std::string_view lowerKey);

}  // namespace miradot
