// installers: the speech model, the translation runtime and the language packs put on disk.
// The language packs on disk: which are installed, and removing one.
#pragma once

#include <cstdint>
#include <string>

#include "download_item.h"
#include "mt_catalog.h"
#include "worker_report.h"

// Both "model.bin" files of the pack ("en-<code>" and "<code>-en") exist
// below the translation home.
bool is_language_installed(const std::wstring& home, const std::string& code);

// The remove job: asks the translation service to unload its models (and to
// quit when a model file stays locked), then deletes both model folders.
// Its last report.
WorkerReport remove_language(const std::string& code);

// A model file's download: the hub's "/<repository>/resolve/<revision>/<file>",
// named "<model>/<file>", with its expected size and digest.
DownloadItem model_file_item(const ModelRow& model, const ModelFile& file);

// "<home>\<model>\<file>"
std::wstring model_file_path(const std::wstring& home, const ModelRow& model, const ModelFile& file);

// The catalogue now: the built-in rows with those of the last signed
// manifest whose signature verifies against the built-in key.
ModelCatalog current_catalog();

// Both models of the language are in the catalogue with every file's size
// and digest known, so that it can be installed.
bool is_language_available(const ModelCatalog& catalog, const std::string& code);

// What an install job must fetch: both models, the runtime when it is
// missing or of another version, the files counted for the progress and the
// bytes still to come.
struct InstallPlan {
    std::wstring home;
    ModelRow models[2];
    bool runtimeNeeded;
    int fileCount;
    uint64_t bytesNeeded;
    std::wstring shortage;  // the NoSpace line with its figures
};

// The install job's checks before any download: a translation home, a
// language with two models in the catalogue whose every file can be
// verified, and the free space.
Outcome plan_install(const ModelCatalog& catalog, const std::string& code, InstallPlan& plan);

// The install job: the checks of plan_install, the runtime when it is needed,
// then every file of both models (kept when already verified), reporting on
// the way. Its last report says "Đã cài · n MB" when it succeeded; what was
// verified stays for a retry.
WorkerReport install_language(const std::string& code, const ReportSink& report);
