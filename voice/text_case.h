// UTF-8/UTF-16 conversion and letter case with the platform's Unicode tables.
#pragma once

#include <string>
#include <string_view>

std::u16string utf8_to_utf16(std::string_view utf8);
std::string utf16_to_utf8(const std::u16string& text);
void lower_case(std::u16string& text);
void upper_case_first(std::u16string& text);
