// The minimal JSON used on the local pipes: a string escaper for the writer
// side and a member reader for flat one-line objects.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Escapes UTF-8 text for use inside a JSON string; multi-byte sequences pass
// through unchanged.
std::string json_escape(std::string_view text);

// Finds "name": in json (no space allowed before the colon) and copies its
// value, unescaped when it is a string, NUL-terminated into out. A string
// value keeps at most capacity - 4 bytes so a multi-byte escape always fits.
bool json_field(const char* json, const char* name, char* out, size_t capacity);
