// installers: the speech model, the translation runtime and the language packs put on disk.
#include "mt_models.h"

#include <windows.h>

#include "download_hosts.h"
#include "file_tree.h"
#include "mt_home.h"
#include "mt_runtime.h"
#include "mt_texts.h"
#include "pipe.h"
#include "published_models.h"
#include "verified_download.h"

namespace {

std::wstring wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::wstring model_folder(const std::wstring& home, const std::string& model) { return home + L"\\" + wide(model); }

}  // namespace

bool is_language_installed(const std::wstring& home, const std::string& code)
{
    return path_exists(model_folder(home, "en-" + code) + L"\\model.bin")
           && path_exists(model_folder(home, code + "-en") + L"\\model.bin");
}

WorkerReport remove_language(const std::string& code)
{
    auto failed = [](Outcome outcome) { return job_end(WorkerJob::Translation, outcome); };
    std::wstring home;
    if (!mt_home_path(home))
        return failed(Outcome::NoFolder);
    send_translation_control(MT_UNLOAD);
    uint64_t removed = 0;
    for (const std::string& model : {"en-" + code, code + "-en"}) {
        const std::wstring folder = model_folder(home, model);
        if (!path_exists(folder))
            continue;
        removed += tree_size(folder);
        const std::wstring weights = folder + L"\\model.bin";
        if (path_exists(weights) && !DeleteFileW(weights.c_str())) {
            send_translation_control(PIPE_QUIT);
            Sleep(800);
            if (!DeleteFileW(weights.c_str()))
                return failed(Outcome::ModelInUse);
        }
        if (!delete_tree(folder))
            return failed(Outcome::NotRemoved);
    }
    return job_end(WorkerJob::Translation, Outcome::Done, removed_text(removed));
}

DownloadItem model_file_item(const ModelRow& model, const ModelFile& file)
{
    const std::wstring url = model_hub_host() + L"/" + wide(model.repository) + L"/resolve/" + wide(model.revision)
                             + L"/" + wide(file.name);
    return verified_item(url, wide(model.name + "/" + file.name), file.size, file.sha256.c_str());
}

std::wstring model_file_path(const std::wstring& home, const ModelRow& model, const ModelFile& file)
{
    return model_folder(home, model.name) + L"\\" + wide(file.name);
}

ModelCatalog current_catalog() { return catalog_with(read_published_models()); }

bool is_language_available(const ModelCatalog& catalog, const std::string& code)
{
    for (const std::string& name : {"en-" + code, code + "-en"}) {
        const ModelRow* model = find_model(catalog, name);
        if (!model)
            return false;
        for (const ModelFile& file : model->files)
            if (!download_item_known(model_file_item(*model, file)))
                return false;
    }
    return true;
}

Outcome plan_install(const ModelCatalog& catalog, const std::string& code, InstallPlan& plan)
{
    if (!mt_home_path(plan.home))
        return Outcome::NoFolder;
    const ModelRow* to = find_model(catalog, "en-" + code);
    const ModelRow* from = find_model(catalog, code + "-en");
    if (!to || !from)
        return Outcome::UnknownLanguage;
    if (!is_language_available(catalog, code))
        return Outcome::Unverifiable;
    plan.models[0] = *to;
    plan.models[1] = *from;
    plan.runtimeNeeded = !is_runtime_installed();
    plan.fileCount = plan.runtimeNeeded ? RUNTIME_PACKAGE_COUNT : 0;
    plan.bytesNeeded = plan.runtimeNeeded ? RUNTIME_SPACE_BYTES : 0;
    for (const ModelRow& model : plan.models) {
        for (const ModelFile& file : model.files) {
            const DownloadItem item = model_file_item(model, file);
            ++plan.fileCount;
            if (!file_has_size(model_file_path(plan.home, model, file), item.size))
                plan.bytesNeeded += item.size;
        }
    }
    plan.shortage = job_space_error(plan.bytesNeeded, free_space_bytes());
    return plan.shortage.empty() ? Outcome::Done : Outcome::NoSpace;
}

WorkerReport install_language(const std::string& code, const ReportSink& report)
{
    InstallPlan plan;
    if (const Outcome planned = plan_install(current_catalog(), code, plan); planned != Outcome::Done)
        return job_end(WorkerJob::Translation, planned, plan.shortage);
    auto failed = [&](Outcome outcome) {
        // Verified files stay for a retry; a folder the job made and left
        // empty goes.
        for (const ModelRow& model : plan.models)
            RemoveDirectoryW(model_folder(plan.home, model.name).c_str());
        RemoveDirectoryW((plan.home + L"\\dl").c_str());
        return job_end(WorkerJob::Translation, outcome);
    };
    int fileNumber = 0;
    if (plan.runtimeNeeded) {
        if (const Outcome outcome = install_runtime(report, plan.fileCount); outcome != Outcome::Done)
            return failed(outcome);
        fileNumber = RUNTIME_PACKAGE_COUNT;
    }
    for (const ModelRow& model : plan.models) {
        if (!make_folder(model_folder(plan.home, model.name)))
            return failed(Outcome::CannotWrite);
        for (const ModelFile& file : model.files)
            if (const Outcome outcome
                = download_translation_file(model_file_item(model, file), model_file_path(plan.home, model, file),
                                            ++fileNumber, plan.fileCount, report);
                outcome != Outcome::Done)
                return failed(outcome);
    }
    if (!is_language_installed(plan.home, code))
        return failed(Outcome::Unfinished);
    return job_end(WorkerJob::Translation, Outcome::Done, installed_text(language_row(find_language(code)).megabytes));
}
