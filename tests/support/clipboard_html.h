// The clipboard's "HTML Format" around a fragment, as browsers and word
// processors write it: a header of ten-digit byte offsets, then the document.
#pragma once

#include <cstdio>
#include <string>

inline std::string clipboard_html(const std::string& fragment)
{
    const std::string before = "<html><body><!--StartFragment-->", after = "<!--EndFragment--></body></html>";
    const char* header = "Version:0.9\r\nStartHTML:%010zu\r\nEndHTML:%010zu\r\nStartFragment:%010zu\r\n"
                         "EndFragment:%010zu\r\n";
    char text[256];
    const size_t header_size = std::snprintf(text, sizeof text, header, size_t(0), size_t(0), size_t(0), size_t(0));
    const size_t start = header_size + before.size(), end = start + fragment.size();
    std::snprintf(text, sizeof text, header, header_size, end + after.size(), start, end);
    return text + before + fragment + after;
}
