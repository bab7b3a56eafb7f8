// installers: the speech model, the translation runtime and the language packs put on disk.
#include "mt_runtime.h"

#include <windows.h>

#include <cstring>

#include "download_hosts.h"
#include "file_tree.h"
#include "mt_home.h"
#include "mt_texts.h"
#include "pipe.h"
#include "system_tar.h"
#include "verified_download.h"

namespace {

constexpr unsigned RUNTIME_UNPACK_TIMEOUT_MS = 600000;
constexpr char MSVCP_MEMBER[] = "msvc_runtime-14.51.36231.data/data/msvcp140.dll";
constexpr char LICENSE_MEMBER[] = "msvc_runtime-14.51.36231.dist-info/licenses/LICENSE";

std::wstring wide(const char* ascii) { return std::wstring(ascii, ascii + strlen(ascii)); }

std::wstring below(std::wstring folder, const char* member)
{
    for (wchar_t& c : folder += L"\\" + wide(member))
        if (c == L'/')
            c = L'\\';
    return folder;
}

bool move_replacing(const std::wstring& from, const std::wstring& to)
{
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != 0;
}

}  // namespace

std::array<DownloadItem, RUNTIME_PACKAGE_COUNT> runtime_packages()
{
    const std::wstring python = python_download_host(), packages = package_file_host();
    const std::wstring urls[RUNTIME_PACKAGE_COUNT] = {
        python + L"/ftp/python/3.14.10/python-3.14.10-embed-amd64.zip",
        packages
            + L"/packages/f7/92/0c91d86357376c556e7be18bc06cee59d5587cabd47690f03c127b16c198/"
              L"ctranslate2-4.9.2-cp314-cp314-win_amd64.whl",
        packages
            + L"/packages/10/5f/54ded99266afba048f53d7cd0f6383178172415005dff5f298cb13786145/"
              L"sentencepiece-0.2.3-cp314-cp314-win_amd64.whl",
        packages
            + L"/packages/57/99/0571bb13baed5596b7b941254a51ed1bb70fa81e6f8d2bac25b104a84aa3/"
              L"msvc_runtime-14.51.36231-cp314-cp314-win_amd64.whl",
    };
    return {
        verified_item(urls[0], L"python.zip", 12619664,
                      "90905e64a840557d8c1bc4f5b74db3d7ee85e3ffb217611cac1c7813acea4159"),
        verified_item(urls[1], L"ctranslate2.whl", 23391005,
                      "93248dea53395f3d4abd3dcf4164fd94529c8dcaf176f2bd594a1a3956377db0"),
        verified_item(urls[2], L"sentencepiece.whl", 1774639,
                      "0d1235ccd36c3e8c2021355258b47866c694a55003a89f00701c513eac1aef06"),
        verified_item(urls[3], L"msvc_runtime.whl", 2110765,
                      "55a017355394fa78f87dbab6967cf2131398671ca0a77f8c97dadfc6c6f3de38"),
    };
}

Outcome assemble_runtime(const std::wstring& home)
{
    const std::wstring downloads = home + L"\\dl";
    const std::wstring staging = home + L"\\runtime.new";
    const std::wstring extracted = downloads + L"\\x";
    if (path_exists(staging))
        delete_tree(staging);
    if (path_exists(extracted))
        delete_tree(extracted);
    if (!make_folder(staging) || !make_folder(staging + L"\\site") || !make_folder(extracted))
        return Outcome::CannotWrite;

    auto archive = [&](const wchar_t* name) { return L"-xf \"" + downloads + L"\\" + name + L"\""; };
    const std::wstring unpacks[RUNTIME_PACKAGE_COUNT] = {
        archive(L"python.zip") + L" -C \"" + staging + L"\"",
        archive(L"ctranslate2.whl") + L" -C \"" + staging + L"\\site\"",
        archive(L"sentencepiece.whl") + L" -C \"" + staging + L"\\site\"",
        archive(L"msvc_runtime.whl") + L" -C \"" + extracted + L"\" " + wide(MSVCP_MEMBER) + L" "
            + wide(LICENSE_MEMBER),
    };
    for (const std::wstring& arguments : unpacks)
        if (!run_system_tar(arguments, RUNTIME_UNPACK_TIMEOUT_MS))
            return Outcome::Unpack;

    if (!move_replacing(below(extracted, MSVCP_MEMBER), staging + L"\\site\\ctranslate2\\msvcp140.dll"))
        return Outcome::Unpack;
    move_replacing(below(extracted, LICENSE_MEMBER), staging + L"\\LICENSE-msvc-runtime.txt");
    DeleteFileW((staging + L"\\site\\ctranslate2\\cudnn64_9.dll").c_str());

    if (!write_text_file(staging + L"\\python314._pth", "python314.zip\r\n.\r\nsite\r\n")
        || !CopyFileW((staging + L"\\pythonw.exe").c_str(), (staging + L"\\miraDot-Translate.exe").c_str(), FALSE)
        || !write_text_file(staging + L"\\ok", (std::string(RUNTIME_VERSION) + "\r\n").c_str()))
        return Outcome::CannotWrite;
    return Outcome::Done;
}

Outcome swap_in_runtime(const std::wstring& home)
{
    send_translation_control(PIPE_QUIT);
    Sleep(300);

    const std::wstring active = home + L"\\runtime";
    const std::wstring staging = home + L"\\runtime.new";
    const std::wstring old = home + L"\\runtime.old" + std::to_wstring(GetTickCount());
    const bool hadRuntime = path_exists(active);
    if (hadRuntime && !MoveFileExW(active.c_str(), old.c_str(), 0))
        return Outcome::RuntimeBusy;
    if (!MoveFileExW(staging.c_str(), active.c_str(), 0)) {
        // Never leave the user without the runtime that worked.
        if (hadRuntime)
            MoveFileExW(old.c_str(), active.c_str(), 0);
        return Outcome::CannotWrite;
    }
    if (hadRuntime)
        delete_tree(old);
    delete_tree(home + L"\\dl");
    return Outcome::Done;
}

Outcome download_translation_file(const DownloadItem& item, const std::wstring& target, int fileNumber, int fileCount,
                                  const ReportSink& report)
{
    return download_verified_file(item, target, [&](WorkStage stage, int percent) {
        // The digest takes a moment: the line keeps the download's last per cent.
        if (stage != WorkStage::Downloading)
            return;
        WorkerReport progress;
        progress.job = WorkerJob::Translation;
        progress.stage = stage;
        progress.file = fileNumber;
        progress.fileCount = fileCount;
        progress.percent = percent;
        progress.text = download_progress_text(fileNumber, fileCount, percent);
        report(progress);
    });
}

Outcome install_runtime(const ReportSink& report, int fileCount)
{
    std::wstring home;
    if (!mt_home_path(home))
        return Outcome::NoFolder;
    const std::wstring downloads = home + L"\\dl";
    if (!make_folder(downloads))
        return Outcome::CannotWrite;
    int fileNumber = 0;
    for (const DownloadItem& package : runtime_packages())
        if (const Outcome outcome = download_translation_file(package, downloads + L"\\" + package.name, ++fileNumber,
                                                              fileCount, report);
            outcome != Outcome::Done)
            return outcome;
    WorkerReport installing;
    installing.job = WorkerJob::Translation;
    installing.stage = WorkStage::Installing;
    installing.text = L"Đang cài…";
    report(installing);
    if (const Outcome outcome = assemble_runtime(home); outcome != Outcome::Done)
        return outcome;
    return swap_in_runtime(home);
}
