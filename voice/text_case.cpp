#include "text_case.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cwctype>
#include <locale.h>
#endif

namespace miradot {

#ifdef _WIN32

void lower_case(std::u16string& text)
{
    CharLowerBuffW(reinterpret_cast<wchar_t*>(text.data()), static_cast<DWORD>(text.size()));
}

void upper_case_first(std::u16string& text)
{
    if (!text.empty())
        CharUpperBuffW(reinterpret_cast<wchar_t*>(text.data()), 1);
}

#else

namespace {

locale_t unicode_locale()
{
    static locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
    return locale;
}

char16_t map_unit(char16_t unit, bool upper)
{
    if (unit >= 0xD800 && unit <= 0xDFFF)
        return unit;
    wint_t mapped = upper ? towupper_l(unit, unicode_locale()) : towlower_l(unit, unicode_locale());
    return mapped <= 0xFFFF ? static_cast<char16_t>(mapped) : unit;
}

}  // namespace

void lower_case(std::u16string& text)
{
    for (char16_t& unit : text)
        unit = map_unit(unit, false);
}

void upper_case_first(std::u16string& text)
{
    if (!text.empty())
        text[0] = map_unit(text[0], true);
}

#endif

}  // namespace miradot
