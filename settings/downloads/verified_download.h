// downloads: the HTTPS session, the verified download and the files under every installer and the update.
// The installers' downloads: every file held to its SHA-256 digest and to
// its published size (or, when none is published, to the length the server
// announces), and a file already on disk with both kept.
#pragma once

#include <functional>
#include <string>

#include "download_item.h"
#include "https_download.h"
#include "outcome_texts.h"
#include "worker_report.h"

// The outcome a download's end comes to.
Outcome download_outcome(DownloadOutcome outcome);

// The target exists with exactly the item's size and digest.
bool is_verified_file(const DownloadItem& item, const std::wstring& target);

// Told Downloading with each new per cent of the file (0 while the length is
// unknown), then Checking before the digest is taken.
using FileProgress = std::function<void(WorkStage stage, int percent)>;

// Keeps a verified target as it is; otherwise downloads the item through
// "<target>.part" and moves it onto the target once size and digest match.
// An item without a digest is never fetched. The ".part" file never
// outlives a failure.
Outcome download_verified_file(const DownloadItem& item, const std::wstring& target, const FileProgress& progress);
