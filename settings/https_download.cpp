#include "https_download.h"

#include "update_check.h"

#include <cstdlib>

DownloadOutcome download_to_file(const char* url, const wchar_t* path, uint64_t max_bytes, uint64_t stated_size,
                                 DownloadProgress progress, void* context)
{
    constexpr DWORD CHUNK = 65536;
    HINTERNET session = open_internet_session();
    if (!session)
        return DOWNLOAD_NO_CONNECTION;
    char error[HTTP_ERROR_SIZE];
    HINTERNET request = open_https_url(session, url, error);
    if (!request) {
        InternetCloseHandle(session);
        return DOWNLOAD_NO_CONNECTION;
    }
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    char* buffer = static_cast<char*>(std::malloc(CHUNK));
    DownloadOutcome outcome = DOWNLOAD_DONE;
    if (!buffer)
        outcome = DOWNLOAD_NO_MEMORY;
    else if (file == INVALID_HANDLE_VALUE)
        outcome = DOWNLOAD_CANNOT_WRITE;
    uint64_t total = 0;
    bool ended_by_data = false;
    while (outcome == DOWNLOAD_DONE) {
        DWORD got = 0;
        if (!InternetReadFile(request, buffer, CHUNK, &got) || got == 0) {
            ended_by_data = true;
            break;
        }
        total += got;
        if (total > max_bytes || (stated_size && total > stated_size)) {
            outcome = DOWNLOAD_TOO_LARGE;
            break;
        }
        DWORD written = 0;
        if (!WriteFile(file, buffer, got, &written, nullptr) || written != got) {
            outcome = DOWNLOAD_CANNOT_WRITE;
            break;
        }
        if (progress)
            progress(context, total);
    }
    std::free(buffer);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    InternetCloseHandle(request);
    InternetCloseHandle(session);
    if (ended_by_data && (total == 0 || (stated_size && total != stated_size)))
        outcome = DOWNLOAD_INCOMPLETE;
    if (outcome != DOWNLOAD_DONE && file != INVALID_HANDLE_VALUE)
        DeleteFileW(path);
    return outcome;
}
