// installers: the speech model, the translation runtime and the language packs put on disk.
// Installing the speech model from the settings dialog: download, digest,
// unpack, and the texts of the voice status line.
#pragma once

#include "download_item.h"
#include "worker_report.h"

constexpr const wchar_t* VOICE_INSTALLED_TEXT = L"Đã cài, chạy ngay trên máy, không cần mạng.";
constexpr const wchar_t* VOICE_NOT_INSTALLED_TEXT = L"Chưa cài. Tải khoảng 26 MB một lần.";
constexpr const wchar_t* VOICE_DOWNLOADING_TEXT = L"Đang tải…";

// The model archive on the speech recogniser's release host.
DownloadItem speech_model_item();

// The whole install, reporting "Đang tải… n %" and "Đang kiểm tra…" on the
// way. The download file is gone afterwards on every path, and after a
// failure the models folder too when it holds nothing else; an installed
// model stays as it was.
Outcome install_speech_model(const ReportSink& report);
