// installers: the speech model, the translation runtime and the language packs put on disk.
#include "speech_install.h"

#include <windows.h>

#include <filesystem>

#include "download_hosts.h"
#include "mt_texts.h"
#include "speech_model.h"
#include "speech_unpack.h"
#include "utf.h"
#include "verified_download.h"

namespace {

void report_stage(const ReportSink& report, WorkStage stage, int percent)
{
    WorkerReport progress;
    progress.job = WorkerJob::Speech;
    progress.stage = stage;
    progress.percent = percent;
    progress.text = stage == WorkStage::Downloading ? speech_progress_text(percent) : L"Đang kiểm tra…";
    report(progress);
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

Outcome install_speech_model(const ReportSink& report)
{
    std::filesystem::path folder;
    if (!miradot::speech_models_folder(folder))
        return Outcome::NoFolder;
    const std::wstring archive = folder.wstring() + L"\\download.tar.bz2";
    Outcome outcome = download_verified_file(speech_model_item(), archive, [&](WorkStage stage, int percent) {
        report_stage(report, stage, percent);
    });
    if (outcome == Outcome::Done && !unpack_speech_model(archive, folder.wstring()))
        outcome = Outcome::Unpack;
    DeleteFileW(archive.c_str());
    // The folders the download made go with it; ones that hold anything stay.
    if (outcome != Outcome::Done && RemoveDirectoryW(folder.c_str()))
        RemoveDirectoryW(folder.parent_path().c_str());
    return outcome;
}
