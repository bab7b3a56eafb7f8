// downloads: the HTTPS session, the verified download and the files under every installer and the update.
// Where the installers download from, fixed when the program is built: the
// shipped build names the real hosts with the published sizes and digests,
// the test build a loopback server and the test archives' own.
#pragma once

#include <cstdint>
#include <string>

#include "download_item.h"

// "https://host" with no slash at the end.
std::wstring python_download_host();
std::wstring package_file_host();
std::wstring model_hub_host();
std::wstring speech_release_host();

// The item with its expected size and digest (in the test build, those the
// test lists for a file of that name, when it lists one).
DownloadItem verified_item(const std::wstring& url, const std::wstring& name, uint64_t size, const char* sha256);
