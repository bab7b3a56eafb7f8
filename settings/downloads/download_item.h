// downloads: the HTTPS session, the verified download and the files under every installer and the update.
// One file that an installer downloads and verifies.
#pragma once

#include <cstdint>
#include <string>

struct DownloadItem {
    std::wstring url;    // full HTTPS address
    std::wstring name;   // display name
    uint64_t size;       // expected bytes; 0 when not known
    std::string sha256;  // 64 lower-case hex characters; empty when not known
};

// Only a file whose size and digest are both known can ever be installed.
inline bool download_item_known(const DownloadItem& item) { return item.size != 0 && item.sha256.size() == 64; }
