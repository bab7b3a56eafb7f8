// The JSON of the local pipes and of the update manifest: a string escaper
// for the writers, and one reader of the text (strings with every escape,
// numbers, objects, arrays) on which the pipes' member lookup and the
// manifest's reader are both built.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Escapes UTF-8 text for use inside a JSON string; multi-byte sequences pass
// through unchanged.
std::string json_escape(std::string_view text);

// Finds the member "name" of the object that json holds and copies its value,
// NUL-terminated, into out: a string unescaped, anything else as its text.
// A value that does not fit keeps the whole characters that do. Reading
// stops at the member, so text after it need not be complete; false when
// there is no such member before the text stops being JSON.
bool json_field(const char* json, const char* name, char* out, size_t capacity);

constexpr int JSON_MAX_DEPTH = 16;
constexpr size_t JSON_KEY_SIZE = 64;  // member names this long or longer read as ""

struct JsonCursor {
    const char* pos;
    const char* end;
    int depth;
};

// A string as read: whether a character was dropped for want of room, or a
// NUL was stored (which would silently shorten the C string).
struct JsonStringRead {
    size_t length = 0;
    bool cut = false;
};

void json_skip_whitespace(JsonCursor& c);

// Reads one string value into dest (capacity includes the NUL); from the
// first character that does not fit on, characters are dropped and reading
// goes on to the closing quote.
bool json_read_string(JsonCursor& c, char* dest, size_t capacity, JsonStringRead* read);

// A number's value when it is plain: a non-negative integer without fraction
// or exponent, below about 10^13. False when the text is no number.
bool json_read_number(JsonCursor& c, uint64_t* value, bool* plain);

bool json_skip_value(JsonCursor& c);

// An object's members, each handed to on_member(key) with the cursor at its
// value (whitespace skipped); on_member reads the value and answers whether
// the text is still valid.
template <typename OnMember> bool json_read_object(JsonCursor& c, OnMember on_member)
{
    if (c.pos >= c.end || *c.pos != '{' || c.depth >= JSON_MAX_DEPTH)
        return false;
    ++c.depth;
    ++c.pos;
    json_skip_whitespace(c);
    if (c.pos < c.end && *c.pos == '}') {
        ++c.pos;
        --c.depth;
        return true;
    }
    for (;;) {
        char key[JSON_KEY_SIZE];
        JsonStringRead read;
        json_skip_whitespace(c);
        if (!json_read_string(c, key, sizeof key, &read))
            return false;
        json_skip_whitespace(c);
        if (c.pos >= c.end || *c.pos != ':')
            return false;
        ++c.pos;
        json_skip_whitespace(c);
        if (!on_member(read.cut ? "" : key))
            return false;
        json_skip_whitespace(c);
        if (c.pos >= c.end)
            return false;
        if (*c.pos == ',') {
            ++c.pos;
            continue;
        }
        if (*c.pos != '}')
            return false;
        ++c.pos;
        --c.depth;
        return true;
    }
}

// An array's elements, each handed to on_element with the cursor at it.
template <typename OnElement> bool json_read_array(JsonCursor& c, OnElement on_element)
{
    if (c.pos >= c.end || *c.pos != '[' || c.depth >= JSON_MAX_DEPTH)
        return false;
    ++c.depth;
    ++c.pos;
    json_skip_whitespace(c);
    if (c.pos < c.end && *c.pos == ']') {
        ++c.pos;
        --c.depth;
        return true;
    }
    for (;;) {
        json_skip_whitespace(c);
        if (!on_element())
            return false;
        json_skip_whitespace(c);
        if (c.pos >= c.end)
            return false;
        if (*c.pos == ',') {
            ++c.pos;
            continue;
        }
        if (*c.pos != ']')
            return false;
        ++c.pos;
        --c.depth;
        return true;
    }
}
