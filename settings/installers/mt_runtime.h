// installers: the speech model, the translation runtime and the language packs put on disk.
// The translation runtime: an embedded Python with the CTranslate2 and
// SentencePiece packages, assembled in a staging folder beside the active
// runtime and swapped in only once complete.
#pragma once

#include <array>
#include <string>

#include "download_item.h"
#include "worker_report.h"

constexpr int RUNTIME_PACKAGE_COUNT = 4;
constexpr unsigned long long RUNTIME_SPACE_BYTES = 200000000;

// The four packages in unpacking order: "python.zip", "ctranslate2.whl",
// "sentencepiece.whl", "msvc_runtime.whl".
std::array<DownloadItem, RUNTIME_PACKAGE_COUNT> runtime_packages();

// Unpacks the packages found in "<home>\dl" into "<home>\runtime.new" and
// completes its layout and marker.
Outcome assemble_runtime(const std::wstring& home);

// Asks a running translation service to quit, then replaces "<home>\runtime"
// with "<home>\runtime.new" and removes "<home>\dl". A runtime still in use
// stays whole, the new one stays staged.
Outcome swap_in_runtime(const std::wstring& home);

// One file of an install job, fileNumber of fileCount, through the verified
// download, reporting "Đang tải <fileNumber>/<fileCount> · n %…" as the per
// cent changes.
Outcome download_translation_file(const DownloadItem& item, const std::wstring& target, int fileNumber, int fileCount,
                                  const ReportSink& report);

// The runtime phase of an install job: fetches the packages into "<home>\dl"
// as files 1 to 4 of fileCount (keeping those already verified), then
// assembles and swaps in the runtime, reporting on the way. What was
// verified stays for a retry.
Outcome install_runtime(const ReportSink& report, int fileCount);
