// downloads: the HTTPS session, the verified download and the files under every installer and the update.
// The translation installers' downloads: every file held to its published
// size and SHA-256 digest, and a file already on disk with both kept.
#pragma once

#include <windows.h>

#include <string>

#include "download_item.h"
#include "https_download.h"

// The installers' line for a download's outcome, nullptr when it is done;
// refused: the line for a server that answered with another status.
const wchar_t* download_failure_text(DownloadOutcome outcome, const wchar_t* refused);

// The target exists with exactly the item's size and digest.
bool is_verified_file(const DownloadItem& item, const std::wstring& target);

// Keeps a verified target as it is; otherwise downloads the item through
// "<target>.part" and moves it onto the target once size and digest match,
// posting "Đang tải <fileNumber>/<fileCount> · n %…" to the dialog as the
// per cent changes. nullptr, or the error text to report; the ".part" file
// never outlives a failure.
const wchar_t* download_verified_file(HWND dialog, const DownloadItem& item, const std::wstring& target, int fileNumber,
                                      int fileCount);
