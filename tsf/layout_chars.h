#pragma once

#include <windows.h>

namespace miradot {

// The character of a key under the Windows Vietnamese layout, whose own
// characters are not meant for the engine: letters, space, and the digit and
// punctuation keys of the US layout. 0 for any other key.
wchar_t vietnamese_layout_char(WPARAM key, bool shift, bool caps_lock);

}  // namespace miradot
