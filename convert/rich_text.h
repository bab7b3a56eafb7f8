// The text inside the clipboard's rich formats, converted where it stands:
// RTF ("Rich Text Format") and the clipboard's HTML ("HTML Format", UTF-8
// with a header of byte offsets). Markup stays as it is; legacy text is the
// Windows-1252 reading a document in a legacy font gives.
#pragma once

#include <string>
#include <string_view>

#include "charset.h"

namespace miradot {

std::string convert_rtf_text(std::string_view rtf, Charset from, Charset to);

// The header's offsets are written again for the new lengths.
std::string convert_clipboard_html(std::string_view html, Charset from, Charset to);

}  // namespace miradot
