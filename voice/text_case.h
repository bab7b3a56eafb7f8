// Letter case with the platform's Unicode tables.
#pragma once

#include <string>

namespace miradot {

void lower_case(std::u16string& text);
void upper_case_first(std::u16string& text);

}  // namespace miradot
