// downloads: the HTTPS session, the verified download and the files under every installer and the update.
#include "https_download.h"

#include "diagnostics_log.h"

#include "version_number.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr DWORD NETWORK_TIMEOUT_MS = 10000;

constexpr int MAX_REDIRECTS = 8;

// The file stores that the release and model hosts redirect their downloads
// to; any other hop must stay on the first address's host and port.
constexpr const char* REDIRECT_HOSTS[] = {
    "objects.githubusercontent.com",
    "release-assets.githubusercontent.com",
    "cdn-lfs.hf.co",
    "cdn-lfs-us-1.hf.co",
    "cdn-lfs-eu-1.hf.co",
    "cas-bridge.xethub.hf.co",
};

bool starts_with_https(const char* url) { return std::strncmp(url, "https://", 8) == 0; }

struct Origin {
    std::string host;  // lower case; empty when the address does not parse
    INTERNET_PORT port = 0;
};

Origin origin_of(const std::string& url)
{
    char host[256];
    URL_COMPONENTSA parts{};
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = host;
    parts.dwHostNameLength = sizeof host;
    Origin origin;
    if (!InternetCrackUrlA(url.c_str(), DWORD(url.size()), 0, &parts) || parts.nScheme != INTERNET_SCHEME_HTTPS)
        return origin;
    origin.host.assign(host, parts.dwHostNameLength);
    for (char& c : origin.host)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    origin.port = parts.nPort;
    return origin;
}

bool is_redirect(DWORD code) { return code == 301 || code == 302 || code == 303 || code == 307 || code == 308; }

// The redirect's address made whole against the address that sent it; empty
// when the answer names none.
std::string redirect_target(HINTERNET request, const std::string& address)
{
    char location[2048];
    DWORD length = sizeof location;
    if (!HttpQueryInfoA(request, HTTP_QUERY_LOCATION, location, &length, nullptr) || length == 0)
        return {};
    char combined[2048];
    DWORD combined_length = sizeof combined;
    if (!InternetCombineUrlA(address.c_str(), location, combined, &combined_length, ICU_NO_ENCODE))
        return {};
    return std::string(combined, combined_length);
}

bool redirect_allowed(const Origin& first, const std::string& next)
{
    if (!starts_with_https(next.c_str()))
        return false;
    const Origin hop = origin_of(next);
    if (hop.host.empty())
        return false;
    if (hop.host == first.host && hop.port == first.port)
        return true;
    for (const char* host : REDIRECT_HOSTS)
        if (hop.host == host && hop.port == INTERNET_DEFAULT_HTTPS_PORT)
            return true;
    return false;
}

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

namespace {

HINTERNET open_checking_every_hop(HINTERNET session, const char* url, char* error, bool* refused)
{
    if (refused)
        *refused = false;
    if (!starts_with_https(url)) {
        std::snprintf(error, HTTP_ERROR_SIZE, "url not allowed");
        return nullptr;
    }
    // WinINet's own redirects would follow a hop to plain HTTP before anyone
    // could look: each hop is checked here before it is requested.
    const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE
                        | INTERNET_FLAG_SECURE | INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_COOKIES
                        | INTERNET_FLAG_NO_AUTH | INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_AUTO_REDIRECT;
    const Origin first = origin_of(url);
    std::string address = url;
    for (int hop = 0;; ++hop) {
        HINTERNET request = InternetOpenUrlA(session, address.c_str(), nullptr, 0, flags, 0);
        if (!request) {
            std::snprintf(error, HTTP_ERROR_SIZE, "connect failed (%lu)", GetLastError());
            return nullptr;
        }
        DWORD code = 0;
        DWORD size = sizeof code;
        if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &size, nullptr))
            code = 0;
        if (code == 200)
            return request;
        std::string next;
        if (is_redirect(code))
            next = redirect_target(request, address);
        InternetCloseHandle(request);
        if (refused)
            *refused = true;
        if (next.empty()) {
            std::snprintf(error, HTTP_ERROR_SIZE, "HTTP %lu", code);
            return nullptr;
        }
        if (!redirect_allowed(first, next)) {
            std::snprintf(error, HTTP_ERROR_SIZE, "url not allowed");
            return nullptr;
        }
        if (hop == MAX_REDIRECTS) {
            std::snprintf(error, HTTP_ERROR_SIZE, "too many redirects");
            return nullptr;
        }
        address = next;
    }
}

}  // namespace

HINTERNET open_https_url(HINTERNET session, const char* url, char* error, bool* refused)
{
    HINTERNET request = open_checking_every_hop(session, url, error, refused);
    if (!request)
        miradot::log_event("download %s: %s", url, error);
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
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DownloadOutcome outcome = download_to_open_file(url, file, max_bytes, stated_size, progress, context);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    if (outcome != DOWNLOAD_DONE && file != INVALID_HANDLE_VALUE)
        DeleteFileW(path);
    return outcome;
}

DownloadOutcome download_to_open_file(const char* url, HANDLE file, uint64_t max_bytes, uint64_t stated_size,
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
    InternetCloseHandle(request);
    InternetCloseHandle(session);
    if (ended_by_data && (total == 0 || (stated_size && total != stated_size)))
        outcome = DOWNLOAD_INCOMPLETE;
    miradot::log_event("download %s: outcome %d, %llu bytes, stated %llu", url, outcome,
                       static_cast<unsigned long long>(total), static_cast<unsigned long long>(stated_size));
    return outcome;
}
