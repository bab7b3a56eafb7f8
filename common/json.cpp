#include "json.h"

#include <cstdio>
#include <cstring>

std::string json_escape(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 8);
    for (unsigned char c : text) {
        if (c == '\n') {
            out += "\\n";
        } else if (c < 0x20) {
            char code[8];
            std::snprintf(code, sizeof code, "\\u%04x", c);
            out += code;
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

namespace {

constexpr uint64_t PLAIN_LIMIT = 1000000000000ull;

int hex_value(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return -1;
}

bool read_hex4(JsonCursor& c, uint32_t* value)
{
    if (c.end - c.pos < 4)
        return false;
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
        int h = hex_value(c.pos[i]);
        if (h < 0)
            return false;
        v = v << 4 | uint32_t(h);
    }
    c.pos += 4;
    *value = v;
    return true;
}

int utf8_encode(uint32_t cp, char out[4])
{
    if (cp < 0x80) {
        out[0] = char(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = char(0xC0 | cp >> 6);
        out[1] = char(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = char(0xE0 | cp >> 12);
        out[1] = char(0x80 | (cp >> 6 & 0x3F));
        out[2] = char(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = char(0xF0 | cp >> 18);
    out[1] = char(0x80 | (cp >> 12 & 0x3F));
    out[2] = char(0x80 | (cp >> 6 & 0x3F));
    out[3] = char(0x80 | (cp & 0x3F));
    return 4;
}

// The character after a backslash, as UTF-8; 0 bytes when the escape is bad.
int read_escape(JsonCursor& c, char bytes[4], JsonStringRead* read)
{
    if (c.pos >= c.end)
        return 0;
    char e = *c.pos++;
    switch (e) {
    case '"':
    case '\\':
    case '/':
        bytes[0] = e;
        return 1;
    case 'b':
        bytes[0] = '\b';
        return 1;
    case 'f':
        bytes[0] = '\f';
        return 1;
    case 'n':
        bytes[0] = '\n';
        return 1;
    case 'r':
        bytes[0] = '\r';
        return 1;
    case 't':
        bytes[0] = '\t';
        return 1;
    case 'u': {
        uint32_t cp;
        if (!read_hex4(c, &cp))
            return 0;
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            uint32_t low;
            if (c.end - c.pos < 2 || c.pos[0] != '\\' || c.pos[1] != 'u')
                return 0;
            c.pos += 2;
            if (!read_hex4(c, &low) || low < 0xDC00 || low > 0xDFFF)
                return 0;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        }
        if (cp == 0)
            read->cut = true;
        return utf8_encode(cp, bytes);
    }
    default:
        return 0;
    }
}

bool skip_word(JsonCursor& c, const char* word)
{
    size_t n = std::strlen(word);
    if (size_t(c.end - c.pos) < n || std::memcmp(c.pos, word, n) != 0)
        return false;
    c.pos += n;
    return true;
}

}  // namespace

void json_skip_whitespace(JsonCursor& c)
{
    while (c.pos < c.end && (*c.pos == ' ' || *c.pos == '\t' || *c.pos == '\n' || *c.pos == '\r'))
        ++c.pos;
}

bool json_read_string(JsonCursor& c, char* dest, size_t capacity, JsonStringRead* read)
{
    *read = JsonStringRead{};
    dest[0] = 0;
    if (c.pos >= c.end || *c.pos != '"')
        return false;
    ++c.pos;
    bool full = false;
    for (;;) {
        if (c.pos >= c.end)
            return false;
        unsigned char b = static_cast<unsigned char>(*c.pos++);
        if (b == '"')
            break;
        if (b < 0x20)
            return false;
        char bytes[4];
        int count = 1;
        bytes[0] = char(b);
        if (b == '\\') {
            count = read_escape(c, bytes, read);
            if (count == 0)
                return false;
        } else if (b >= 0xC0) {
            // A multi-byte sequence is kept or dropped whole.
            const int want = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
            while (count < want && c.pos < c.end && (static_cast<unsigned char>(*c.pos) & 0xC0) == 0x80)
                bytes[count++] = *c.pos++;
        }
        if (!full && read->length + count <= capacity - 1) {
            std::memcpy(dest + read->length, bytes, count);
            read->length += count;
        } else {
            full = true;  // a shorter character after it would leave a hole
            read->cut = true;
        }
    }
    dest[read->length] = 0;
    return true;
}

bool json_read_number(JsonCursor& c, uint64_t* value, bool* plain)
{
    *value = 0;
    *plain = true;
    if (c.pos < c.end && *c.pos == '-') {
        *plain = false;
        ++c.pos;
    }
    if (c.pos >= c.end || *c.pos < '0' || *c.pos > '9')
        return false;
    while (c.pos < c.end && *c.pos >= '0' && *c.pos <= '9') {
        if (*value > PLAIN_LIMIT)
            *plain = false;
        if (*plain)
            *value = *value * 10 + uint64_t(*c.pos - '0');
        ++c.pos;
    }
    if (c.pos < c.end && *c.pos == '.') {
        *plain = false;
        ++c.pos;
        while (c.pos < c.end && *c.pos >= '0' && *c.pos <= '9')
            ++c.pos;
    }
    if (c.pos < c.end && (*c.pos == 'e' || *c.pos == 'E')) {
        *plain = false;
        ++c.pos;
        if (c.pos < c.end && (*c.pos == '+' || *c.pos == '-'))
            ++c.pos;
        while (c.pos < c.end && *c.pos >= '0' && *c.pos <= '9')
            ++c.pos;
    }
    return true;
}

bool json_skip_value(JsonCursor& c)
{
    if (c.pos >= c.end)
        return false;
    switch (*c.pos) {
    case '"': {
        char scratch[2];
        JsonStringRead read;
        return json_read_string(c, scratch, sizeof scratch, &read);
    }
    case '{':
        return json_read_object(c, [&](const char*) { return json_skip_value(c); });
    case '[':
        return json_read_array(c, [&] { return json_skip_value(c); });
    case 't':
        return skip_word(c, "true");
    case 'f':
        return skip_word(c, "false");
    case 'n':
        return skip_word(c, "null");
    default: {
        uint64_t value;
        bool plain;
        return json_read_number(c, &value, &plain);
    }
    }
}

bool json_field(const char* json, const char* name, char* out, size_t capacity)
{
    if (capacity == 0)
        return false;
    out[0] = '\0';
    JsonCursor c{json, json + std::strlen(json), 0};
    json_skip_whitespace(c);
    bool found = false;
    json_read_object(c, [&](const char* key) {
        if (std::strcmp(key, name) != 0)
            return json_skip_value(c);
        if (c.pos < c.end && *c.pos == '"') {
            JsonStringRead read;
            found = json_read_string(c, out, capacity, &read);
        } else {
            const char* start = c.pos;
            found = json_skip_value(c);
            size_t n = found ? size_t(c.pos - start) : 0;
            if (n > capacity - 1)
                n = capacity - 1;
            std::memcpy(out, start, n);
            out[n] = '\0';
        }
        return false;  // the first member of the name is the answer
    });
    if (!found)
        out[0] = '\0';
    return found;
}
