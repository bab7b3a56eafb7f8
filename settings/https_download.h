// Streams an HTTPS download into a new file, for every installer of the
// settings program: bounded size, a stated size held to exactly, progress
// after each chunk, and nothing left on disk when it fails.
#pragma once

#include <cstdint>

enum DownloadOutcome {
    DOWNLOAD_DONE,
    DOWNLOAD_NO_CONNECTION,  // session, connection or a status other than 200
    DOWNLOAD_NO_MEMORY,      // the transfer buffer
    DOWNLOAD_CANNOT_WRITE,   // the file cannot be created, or a write fails or is short
    DOWNLOAD_TOO_LARGE,      // more than max_bytes, or more than a stated size
    DOWNLOAD_INCOMPLETE,     // nothing arrived, or not the stated size
};

// Called after each chunk with the bytes written so far.
using DownloadProgress = void (*)(void* context, uint64_t total);

// Downloads url into path (created new, not shared). stated_size 0 means not
// stated. On any outcome but DOWNLOAD_DONE the file is deleted.
DownloadOutcome download_to_file(const char* url, const wchar_t* path, uint64_t max_bytes, uint64_t stated_size,
                                 DownloadProgress progress, void* context);
