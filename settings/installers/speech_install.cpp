// installers: the speech model, the translation runtime and the language packs put on disk.
#include "speech_install.h"

#include <filesystem>

#include "dialog_report.h"
#include "download_hosts.h"
#include "file_digest.h"
#include "https_download.h"
#include "outcome_texts.h"
#include "mt_texts.h"
#include "speech_model.h"
#include "speech_unpack.h"
#include "verified_download.h"
#include "utf.h"

namespace {

// Far above the 26 MB archive; only a runaway body reaches it.
constexpr uint64_t SPEECH_ARCHIVE_MAX_BYTES = 1000000000;

struct Progress {
    HWND dialog;
    uint64_t total;
    uint64_t announced;
    int lastPercent;
};

void report_progress(void* context, uint64_t total, uint64_t announced)
{
    auto* p = static_cast<Progress*>(context);
    p->total = total;
    p->announced = announced;
    const int percent = announced ? int(total * 100 / announced) : 0;
    if (percent == p->lastPercent)
        return;
    p->lastPercent = percent;
    post_text(p->dialog, WM_VOICE_INSTALL_REPORT, VOICE_PROGRESS, speech_progress_text(percent).c_str());
}

const wchar_t* download_and_unpack(HWND dialog, const DownloadItem& item, const std::wstring& archive,
                                   const std::wstring& modelsFolder)
{
    Progress progress{dialog, 0, 0, -1};
    const std::string url = miradot::wide_to_utf8(item.url);
    // The voice line has no text for a refusal: whatever the server sent
    // instead of the archive is a wrong file.
    if (const wchar_t* failure = download_failure_text(
            download_to_file(url.c_str(), archive.c_str(), SPEECH_ARCHIVE_MAX_BYTES, 0, report_progress, &progress),
            MT_ERR_WRONG_FILE))
        return failure;
    if (progress.announced && progress.total != progress.announced)
        return MT_ERR_INCOMPLETE;
    post_text(dialog, WM_VOICE_INSTALL_REPORT, VOICE_PROGRESS, L"Đang kiểm tra…");
    if (!file_has_sha256(archive.c_str(), item.sha256.c_str()))
        return MT_ERR_WRONG_FILE;
    if (!unpack_speech_model(archive, modelsFolder))
        return MT_ERR_UNPACK;
    return nullptr;
}

}  // namespace

DownloadItem speech_model_item()
{
    std::wstring name = miradot::utf8_to_wide(miradot::DEFAULT_MODEL_NAME) + L".tar.bz2";
    // The release host publishes no size beside the digest: the download is
    // held to the length the server announces.
    return verified_item(speech_release_host() + L"/k2-fsa/sherpa-onnx/releases/download/asr-models/" + name, name, 0,
                         "da8b637947091829d7ee9eda23da2a4ec7caa399233a3f4e34eb719fb2ea6b9b");
}

const wchar_t* install_speech_model(HWND dialog)
{
    std::filesystem::path folder;
    if (!miradot::speech_models_folder(folder))
        return MT_ERR_NO_FOLDER;
    const std::wstring archive = folder.wstring() + L"\\download.tar.bz2.part";
    const wchar_t* failure = download_and_unpack(dialog, speech_model_item(), archive, folder.wstring());
    DeleteFileW(archive.c_str());
    // The folders the download made go with it; ones that hold anything stay.
    if (failure && RemoveDirectoryW(folder.c_str()))
        RemoveDirectoryW(folder.parent_path().c_str());
    return failure;
}
