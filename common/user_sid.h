// The string form of the calling process's user SID.
#pragma once

#include <string>

// False when the token cannot be read or the string has 128 characters or
// more (it must fit the pipe name).
namespace miradot {

bool user_sid_string(std::wstring& sid);

}  // namespace miradot
