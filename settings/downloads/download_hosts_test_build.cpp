// downloads: the HTTPS session, the verified download and the files under every installer and the update.
// The test build: every host is the loopback server that
// MIRADOT_DOWNLOAD_TEST_HOST names (its port is chosen when it starts), and
// MIRADOT_DOWNLOAD_TEST_DIGESTS names a list of "file size sha256" lines for
// the archives the test made, which take the place of the rows the program
// knows for those files.
#include "download_hosts.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <utility>

namespace {

std::wstring env(const wchar_t* name)
{
    wchar_t value[1024];
    DWORD length = GetEnvironmentVariableW(name, value, 1024);
    return length > 0 && length < 1024 ? std::wstring(value, length) : std::wstring();
}

std::wstring test_host()
{
    std::wstring host = env(L"MIRADOT_DOWNLOAD_TEST_HOST");
    return host.empty() ? L"https://localhost" : host;
}

// Read at each use: a test may list other files for each case.
std::map<std::wstring, std::pair<uint64_t, std::string>> test_digests()
{
    std::map<std::wstring, std::pair<uint64_t, std::string>> result;
    std::ifstream list(std::filesystem::path(env(L"MIRADOT_DOWNLOAD_TEST_DIGESTS")));
    std::string name, digest;
    uint64_t size;
    while (list >> name >> size >> digest)
        result[std::wstring(name.begin(), name.end())] = {size, digest};
    return result;
}

}  // namespace

std::wstring python_download_host() { return test_host(); }
std::wstring package_file_host() { return test_host(); }
std::wstring model_hub_host() { return test_host(); }
std::wstring speech_release_host() { return test_host(); }

DownloadItem verified_item(const std::wstring& url, const std::wstring& name, uint64_t size, const char* sha256)
{
    const auto digests = test_digests();
    auto found = digests.find(name);
    if (found == digests.end())
        return {url, name, size, sha256};
    return {url, name, found->second.first, found->second.second};
}
