// The translation runtime: an embedded Python with the CTranslate2 and
// SentencePiece packages, assembled in a staging folder beside the active
// runtime and swapped in only once complete.
#pragma once

#include <string>

#include "download_item.h"

constexpr int RUNTIME_PACKAGE_COUNT = 4;
constexpr unsigned long long RUNTIME_SPACE_BYTES = 200000000;

// The four packages in unpacking order: "python.zip", "ctranslate2.whl",
// "sentencepiece.whl", "msvc_runtime.whl".
const DownloadItem* runtime_packages();

// Unpacks the packages found in "<home>\dl" into "<home>\runtime.new" and
// completes its layout and marker; nullptr, or the error text to report.
const wchar_t* assemble_runtime(const std::wstring& home);

// Asks a running translation service to quit, then replaces "<home>\runtime"
// with "<home>\runtime.new" and removes "<home>\dl"; nullptr, or the error
// text. A runtime still in use stays whole, the new one stays staged.
const wchar_t* swap_in_runtime(const std::wstring& home);
