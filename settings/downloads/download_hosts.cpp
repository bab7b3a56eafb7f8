// downloads: the HTTPS session, the verified download and the files under every installer and the update.
#include "download_hosts.h"

std::wstring python_download_host() { return L"https://www.python.org"; }
std::wstring package_file_host() { return L"https://files.pythonhosted.org"; }
std::wstring model_hub_host() { return L"https://huggingface.co"; }
std::wstring speech_release_host() { return L"https://github.com"; }

DownloadItem verified_item(const std::wstring& url, const std::wstring& name, uint64_t size, const char* sha256)
{
    return {url, name, size, sha256};
}
