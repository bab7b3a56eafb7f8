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

int hex_value(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads four hex digits the way "%4x" would: stops at the first non-digit.
unsigned read_hex4(const char* p)
{
    unsigned value = 0;
    for (int i = 0; i < 4 && hex_value(p[i]) >= 0; ++i)
        value = value * 16 + hex_value(p[i]);
    return value;
}

size_t put_utf8(unsigned cp, char* out)
{
    if (cp < 0x80) {
        out[0] = static_cast<char>(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = static_cast<char>(0xC0 | (cp >> 6));
        out[1] = static_cast<char>(0x80 | (cp & 0x3F));
        return 2;
    }
    out[0] = static_cast<char>(0xE0 | (cp >> 12));
    out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (cp & 0x3F));
    return 3;
}

void copy_string_value(const char* p, char* out, size_t capacity)
{
    size_t n = 0;
    while (*p && *p != '"' && n + 4 < capacity) {
        if (*p != '\\') {
            out[n++] = *p++;
            continue;
        }
        ++p;
        if (!*p)
            break;
        if (*p == 'n') {
            out[n++] = '\n';
            ++p;
        } else if (*p == 't') {
            out[n++] = '\t';
            ++p;
        } else if (*p == 'u' && p[1] && p[2] && p[3] && p[4]) {
            n += put_utf8(read_hex4(p + 1), out + n);
            p += 5;
        } else {
            out[n++] = *p++;
        }
    }
    out[n] = '\0';
}

void copy_bare_value(const char* p, char* out, size_t capacity)
{
    size_t n = 0;
    while (*p && *p != ',' && *p != '}' && n + 1 < capacity)
        out[n++] = *p++;
    out[n] = '\0';
}

}  // namespace

bool json_field(const char* json, const char* name, char* out, size_t capacity)
{
    if (capacity == 0)
        return false;
    out[0] = '\0';
    char pattern[64];
    int length = std::snprintf(pattern, sizeof pattern, "\"%s\":", name);
    if (length < 0 || static_cast<size_t>(length) >= sizeof pattern)
        return false;
    const char* p = std::strstr(json, pattern);
    if (!p)
        return false;
    p += length;
    while (*p == ' ')
        ++p;
    if (*p == '"') {
        copy_string_value(p + 1, out, capacity);
    } else {
        copy_bare_value(p, out, capacity);
    }
    return true;
}
