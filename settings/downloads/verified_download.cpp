// downloads: the HTTPS session, the verified download and the files under every installer and the update.
#include "verified_download.h"

#include "dialog_report.h"
#include "file_digest.h"
#include "file_tree.h"
#include "https_download.h"
#include "outcome_texts.h"
#include "mt_texts.h"
#include "utf.h"

namespace {

struct Progress {
    HWND dialog;
    uint64_t expected;
    int fileNumber;
    int fileCount;
    int lastPercent;
};

void report_progress(void* context, uint64_t total, uint64_t)
{
    auto* p = static_cast<Progress*>(context);
    const int percent = int(total * 100 / p->expected);
    if (percent == p->lastPercent)
        return;
    p->lastPercent = percent;
    post_text(p->dialog, WM_TRANSLATION_REPORT, JOB_PROGRESS,
              download_progress_text(p->fileNumber, p->fileCount, percent).c_str());
}

}  // namespace

const wchar_t* download_failure_text(DownloadOutcome outcome, const wchar_t* refused)
{
    switch (outcome) {
    case DOWNLOAD_DONE:
        return nullptr;
    case DOWNLOAD_NO_CONNECTION:
        return MT_ERR_NO_NETWORK;
    case DOWNLOAD_REFUSED:
        return refused;
    case DOWNLOAD_TOO_LARGE:
        return MT_ERR_WRONG_FILE;
    case DOWNLOAD_INCOMPLETE:
        return MT_ERR_INCOMPLETE;
    case DOWNLOAD_NO_MEMORY:  // the transfer buffer: nothing could be written
    case DOWNLOAD_CANNOT_WRITE:
        break;
    }
    return MT_ERR_CANNOT_WRITE;
}

bool is_verified_file(const DownloadItem& item, const std::wstring& target)
{
    return file_has_size(target, item.size) && file_has_sha256(target.c_str(), item.sha256.c_str());
}

const wchar_t* download_verified_file(HWND dialog, const DownloadItem& item, const std::wstring& target, int fileNumber,
                                      int fileCount)
{
    // Nothing unverified is ever installed: a row without a published size
    // and digest cannot be fetched.
    if (!download_item_known(item))
        return MT_ERR_UNVERIFIABLE;
    if (is_verified_file(item, target))
        return nullptr;
    const std::wstring part = target + L".part";
    Progress progress{dialog, item.size, fileNumber, fileCount, -1};
    const std::string url = miradot::wide_to_utf8(item.url);
    if (const wchar_t* failure = download_failure_text(
            download_to_file(url.c_str(), part.c_str(), item.size, item.size, report_progress, &progress),
            MT_ERR_REFUSED))
        return failure;
    if (!file_has_sha256(part.c_str(), item.sha256.c_str())) {
        DeleteFileW(part.c_str());
        return MT_ERR_WRONG_FILE;
    }
    if (!MoveFileExW(part.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileW(part.c_str());
        return MT_ERR_CANNOT_WRITE;
    }
    return nullptr;
}
