#include "https_download.h"

#include "diagnostics_log.h"

#include "version_number.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr DWORD NETWORK_TIMEOUT_MS = 10000;

bool starts_with_https(const char* url) { return std::strncmp(url, "https://", 8) == 0; }

}  // namespace

HINTERNET open_internet_session()
{
    char agent[32];
    std::snprintf(agent, sizeof agent, "miraDot/%s", MIRADOT_VERSION);
    HINTERNET session = InternetOpenA(agent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (!session)
        return nullptr;
    DWORD timeout = NETWORK_TIMEOUT_MS;
    InternetSetOptionA(session, INTERNET_OPTION_CONNECT_TIMEOUT, &timeout, sizeof timeout);
    InternetSetOptionA(session, INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof timeout);
    InternetSetOptionA(session, INTERNET_OPTION_SEND_TIMEOUT, &timeout, sizeof timeout);
    return session;
}

HINTERNET open_https_url(HINTERNET session, const char* url, char* error, bool* refused)
{
    if (refused)
        *refused = false;
    if (!starts_with_https(url)) {
        std::snprintf(error, HTTP_ERROR_SIZE, "url not allowed");
        return nullptr;
    }
    const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE
                        | INTERNET_FLAG_SECURE | INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_COOKIES
                        | INTERNET_FLAG_NO_AUTH | INTERNET_FLAG_NO_UI;
    HINTERNET request = InternetOpenUrlA(session, url, nullptr, 0, flags, 0);
    if (!request) {
        std::snprintf(error, HTTP_ERROR_SIZE, "connect failed (%lu)", GetLastError());
        miradot::log_event("download %s: %s", url, error);
        return nullptr;
    }
    // A redirect may have left HTTPS; nothing is read over plain HTTP.
    char final_url[1024];
    DWORD length = sizeof final_url;
    if (InternetQueryOptionA(request, INTERNET_OPTION_URL, final_url, &length) && !starts_with_https(final_url)) {
        InternetCloseHandle(request);
        std::snprintf(error, HTTP_ERROR_SIZE, "url not allowed");
        return nullptr;
    }
    DWORD code = 0;
    DWORD size = sizeof code;
    if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &size, nullptr))
        code = 0;
    if (code != 200) {
        if (refused)
            *refused = true;
        std::snprintf(error, HTTP_ERROR_SIZE, "HTTP %lu", code);
        miradot::log_event("download %s: %s", url, error);
        InternetCloseHandle(request);
        return nullptr;
    }
    return request;
}

char* fetch_body(HINTERNET session, const char* url, size_t cap, size_t* size, char* error)
{
    *size = 0;
    HINTERNET request = open_https_url(session, url, error);
    if (!request)
        return nullptr;
    char* body = static_cast<char*>(std::malloc(cap + 1));
    if (!body) {
        std::snprintf(error, HTTP_ERROR_SIZE, "out of memory");
        InternetCloseHandle(request);
        return nullptr;
    }
    size_t total = 0;
    while (total < cap + 1) {
        DWORD got = 0;
        // A failed read ends the body like its end: the signature catches a cut.
        if (!InternetReadFile(request, body + total, DWORD(cap + 1 - total), &got) || got == 0)
            break;
        total += got;
    }
    InternetCloseHandle(request);
    if (total > cap) {
        std::snprintf(error, HTTP_ERROR_SIZE, "more than %u bytes", unsigned(cap));
        std::free(body);
        return nullptr;
    }
    *size = total;
    return body;
}

DownloadOutcome download_to_file(const char* url, const wchar_t* path, uint64_t max_bytes, uint64_t stated_size,
                                 DownloadProgress progress, void* context)
{
    constexpr DWORD CHUNK = 65536;
    HINTERNET session = open_internet_session();
    if (!session)
        return DOWNLOAD_NO_CONNECTION;
    char error[HTTP_ERROR_SIZE];
    bool refused = false;
    HINTERNET request = open_https_url(session, url, error, &refused);
    if (!request) {
        InternetCloseHandle(session);
        return refused ? DOWNLOAD_REFUSED : DOWNLOAD_NO_CONNECTION;
    }
    DWORD announced = 0;
    DWORD announced_size = sizeof announced;
    if (!HttpQueryInfoW(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &announced, &announced_size,
                        nullptr))
        announced = 0;
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
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
            progress(context, total, announced);
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
    miradot::log_event("download %s: outcome %d, %llu bytes, stated %llu", url, outcome,
                       static_cast<unsigned long long>(total), static_cast<unsigned long long>(stated_size));
    return outcome;
}
