// UTF-8 and UTF-16, converted the same way on every platform: text inside the
// engine and on the pipes is UTF-8, text handed to Windows is UTF-16.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace miradot {

// Ill-formed sequences become U+FFFD.
std::u16string utf8_to_utf16(std::string_view utf8);

// Nothing when the text is not well-formed UTF-8 (overlong forms, surrogates
// and code points above U+10FFFF included).
std::optional<std::u16string> utf8_to_utf16_checked(std::string_view utf8);

// Lone surrogates become U+FFFD.
std::string utf16_to_utf8(std::u16string_view text);

// Into a buffer of `capacity` units, terminator included: as much as fits,
// never half a surrogate pair. Units written; 0 and an empty text for a null,
// empty or ill-formed text.
int utf8_to_utf16(const char* text, char16_t* buffer, int capacity);

#ifdef _WIN32
static_assert(sizeof(wchar_t) == sizeof(char16_t));

inline int utf8_to_utf16(const char* text, wchar_t* buffer, int capacity)
{
    return utf8_to_utf16(text, reinterpret_cast<char16_t*>(buffer), capacity);
}

inline std::wstring utf8_to_wide(std::string_view utf8)
{
    std::u16string text = utf8_to_utf16(utf8);
    return std::wstring(text.begin(), text.end());
}

inline std::string wide_to_utf8(std::wstring_view text)
{
    return utf16_to_utf8(std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}
#endif

}  // namespace miradot
