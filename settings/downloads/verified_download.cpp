// downloads: the HTTPS session, the verified download and the files under every installer and the update.
#include "verified_download.h"

#include <windows.h>

#include "file_digest.h"
#include "file_tree.h"
#include "utf.h"

namespace {

// Far above any file the installers fetch without a published size; only a
// runaway body reaches it.
constexpr uint64_t UNSIZED_MAX_BYTES = 1000000000;

struct Progress {
    const FileProgress* report;
    uint64_t expected;  // 0: the announced length
    uint64_t total;
    uint64_t announced;
    int lastPercent;
};

void report_progress(void* context, uint64_t total, uint64_t announced)
{
    auto* p = static_cast<Progress*>(context);
    p->total = total;
    p->announced = announced;
    const uint64_t expected = p->expected ? p->expected : announced;
    const int percent = expected ? int(total * 100 / expected) : 0;
    if (percent == p->lastPercent)
        return;
    p->lastPercent = percent;
    (*p->report)(WorkStage::Downloading, percent);
}

}  // namespace

Outcome download_outcome(DownloadOutcome outcome)
{
    switch (outcome) {
    case DOWNLOAD_DONE:
        return Outcome::Done;
    case DOWNLOAD_NO_CONNECTION:
        return Outcome::NoNetwork;
    case DOWNLOAD_REFUSED:
        return Outcome::Refused;
    case DOWNLOAD_TOO_LARGE:
        return Outcome::WrongFile;
    case DOWNLOAD_INCOMPLETE:
        return Outcome::Incomplete;
    case DOWNLOAD_NO_MEMORY:  // the transfer buffer: nothing could be written
    case DOWNLOAD_CANNOT_WRITE:
        break;
    }
    return Outcome::CannotWrite;
}

bool is_verified_file(const DownloadItem& item, const std::wstring& target)
{
    return file_has_size(target, item.size) && file_has_sha256(target.c_str(), item.sha256.c_str());
}

Outcome download_verified_file(const DownloadItem& item, const std::wstring& target, const FileProgress& progress)
{
    // Nothing unverified is ever installed.
    if (item.sha256.size() != 64)
        return Outcome::Unverifiable;
    if (item.size && is_verified_file(item, target))
        return Outcome::Done;
    const std::wstring part = target + L".part";
    Progress state{&progress, item.size, 0, 0, -1};
    const std::string url = miradot::wide_to_utf8(item.url);
    const uint64_t maxBytes = item.size ? item.size : UNSIZED_MAX_BYTES;
    const Outcome fetched
        = download_outcome(download_to_file(url.c_str(), part.c_str(), maxBytes, item.size, report_progress, &state));
    if (fetched != Outcome::Done)
        return fetched;
    if (!item.size && state.announced && state.total != state.announced) {
        DeleteFileW(part.c_str());
        return Outcome::Incomplete;
    }
    progress(WorkStage::Checking, -1);
    if (!file_has_sha256(part.c_str(), item.sha256.c_str())) {
        DeleteFileW(part.c_str());
        return Outcome::WrongFile;
    }
    if (!MoveFileExW(part.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileW(part.c_str());
        return Outcome::CannotWrite;
    }
    return Outcome::Done;
}
