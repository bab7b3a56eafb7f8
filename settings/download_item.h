// One file that an installer downloads and verifies.
#pragma once

#include <cstdint>

struct DownloadItem {
    const wchar_t* url;   // full HTTPS address
    const wchar_t* name;  // display and file name
    uint64_t size;        // expected bytes; 0 when not known
    const char* sha256;   // 64 lower-case hex characters; "" when not known
};

// Only a file whose size and digest are both known can ever be installed.
inline bool download_item_known(const DownloadItem& item) { return item.size != 0 && item.sha256[0] != '\0'; }
