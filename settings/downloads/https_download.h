// downloads: the HTTPS session, the verified download and the files under every installer and the update.
// The settings program's HTTPS reads, for the update check and every
// installer: a body into memory, or a download streamed into a new file with
// a bounded size, a stated size held to exactly, progress after each chunk,
// and nothing left on disk when it fails.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstddef>
#include <cstdint>

inline constexpr size_t HTTP_ERROR_SIZE = 160;

// HTTP with the product's user agent and 10 s time-outs. Errors go into a
// 160-byte text. refused, when given, tells a server that answered with
// another status than 200 (or none readable) from one that was not reached.
// Redirects are followed one hop at a time, each only to HTTPS on the first
// address's host and port or on a known file store of the download hosts;
// any other hop is "url not allowed" and is never requested.
HINTERNET open_internet_session();
HINTERNET open_https_url(HINTERNET session, const char* url, char* error, bool* refused = nullptr);
// A heap body (free with free()) of at most cap bytes, or null.
char* fetch_body(HINTERNET session, const char* url, size_t cap, size_t* size, char* error);

enum DownloadOutcome {
    DOWNLOAD_DONE,
    DOWNLOAD_NO_CONNECTION,  // the session or the connection
    DOWNLOAD_REFUSED,        // the server answered with a status other than 200
    DOWNLOAD_NO_MEMORY,      // the transfer buffer
    DOWNLOAD_CANNOT_WRITE,   // the file cannot be created, or a write fails or is short
    DOWNLOAD_TOO_LARGE,      // more than max_bytes, or more than a stated size
    DOWNLOAD_INCOMPLETE,     // nothing arrived, or not the stated size
};

// Called after each chunk with the bytes written so far and the length the
// server announced (0 when it announced none).
using DownloadProgress = void (*)(void* context, uint64_t total, uint64_t announced);

// Downloads url into path (created anew, replacing a file left there; not
// shared). stated_size 0 means not stated. On any outcome but DOWNLOAD_DONE
// the file is deleted.
DownloadOutcome download_to_file(const char* url, const wchar_t* path, uint64_t max_bytes, uint64_t stated_size,
                                 DownloadProgress progress, void* context);
// The same into a file the caller has opened for writing (and keeps, closes
// and deletes); the caller's own hold on the file lasts through the download.
DownloadOutcome download_to_open_file(const char* url, HANDLE file, uint64_t max_bytes, uint64_t stated_size,
                                      DownloadProgress progress, void* context);
