// Shared pieces of the installer tests: the test archives, environment
// variables set for one test, the system tar taken away for a while, a
// log that collects what an installer reports to the dialog, and the
// runtime and model files served by the loopback HTTPS server.
#pragma once

#include <windows.h>

#include <filesystem>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "file_digest.h"
#include "https_test_server.h"
#include "mt_catalog.h"
#include "mt_models.h"
#include "mt_runtime.h"
#include "outcome_texts.h"
#include "process_support.h"
#include "system_tar.h"
#include "temp_folder.h"
#include "worker_report.h"

inline std::filesystem::path test_archive(const char* name) { return std::filesystem::path(ARCHIVE_DIR) / name; }

// True when an installer left nothing in the user's miraDot data folder but
// the diagnostics log, which every program writes there.
inline bool holds_only_the_log(const std::filesystem::path& folder)
{
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        if (entry.path().filename() != "logs")
            return false;
    return true;
}

// Variables set one by one for a test, restored in reverse order.
class ScopedEnvironment {
public:
    void set(const wchar_t* name, const std::wstring& value)
    {
        scopes_.push_back(std::make_unique<ScopedEnv>(name, value));
    }
    ~ScopedEnvironment()
    {
        while (!scopes_.empty())
            scopes_.pop_back();
    }

private:
    std::vector<std::unique_ptr<ScopedEnv>> scopes_;
};

// The system has no tar while this lives.
class NoSystemTar {
public:
    NoSystemTar() : aside_(system_tar_path() + L".aside")
    {
        MoveFileExW(system_tar_path().c_str(), aside_.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    ~NoSystemTar() { MoveFileExW(aside_.c_str(), system_tar_path().c_str(), MOVEFILE_REPLACE_EXISTING); }

private:
    std::wstring aside_;
};

inline std::ostream& operator<<(std::ostream& out, Outcome outcome) { return out << "outcome " << int(outcome); }

// Stands in for the settings dialog: collects what an installer reports, on
// the installer's own thread.
class ReportLog {
public:
    ReportSink sink()
    {
        return [this](const WorkerReport& report) { reports_.push_back(report); };
    }

    // The texts reported since the last call, in order.
    std::vector<std::wstring> reports()
    {
        std::vector<std::wstring> texts;
        for (const WorkerReport& report : reports_)
            texts.push_back(report.text);
        reports_.clear();
        return texts;
    }

private:
    std::vector<WorkerReport> reports_;
};

// A file's size and SHA-256 as the test build's download list names them:
// "name size digest".
inline std::string digest_line(const std::string& name, const std::filesystem::path& file)
{
    char digest[SHA256_HEX_SIZE] = "";
    sha256_file_hex(file.c_str(), digest);
    return name + " " + std::to_string(std::filesystem::file_size(file)) + " " + digest + "\n";
}

// The same for the speech model, whose release host publishes no size
// beside the digest.
inline std::string unsized_digest_line(const std::string& name, const std::filesystem::path& file)
{
    const std::string line = digest_line(name, file);
    return name + " 0 " + line.substr(line.rfind(' ') + 1);
}

// The path of an address on the test server.
inline std::string server_path(const std::wstring& url)
{
    const std::wstring path = url.substr(url.find(L'/', 8) + 1);
    return std::string(path.begin(), path.end());
}

// Serves the four runtime packages of the test archives where the runtime
// phase fetches them and lists their digests.
inline void offer_runtime(std::ostream& digests)
{
    for (const DownloadItem& package : runtime_packages()) {
        const std::string name(package.name.begin(), package.name.end());
        test_server::serve_at(server_path(package.url), test_server::read_file(test_archive(name.c_str())));
        digests << digest_line(name, test_archive(name.c_str()));
    }
}

// Serves every file of a language's two models, made below folder, and lists
// their digests; the weights are large enough to come in many chunks.
inline void offer_language(const TempFolder& folder, const std::string& code, std::ostream& digests)
{
    std::mt19937 random(7);
    for (const std::string& model : {"en-" + code, code + "-en"})
        for (const ModelFile& file : find_model(built_in_catalog(), model)->files) {
            const std::string name = model + "/" + file.name;
            std::string bytes = "test file " + name;
            if (file.name == "model.bin")
                for (bytes.resize(1000000); char& c : bytes)
                    c = char(random());
            const std::filesystem::path local = folder.write("files/" + name, bytes);
            test_server::serve_at(server_path(model_file_item(*find_model(built_in_catalog(), model), file).url),
                                  bytes);
            digests << digest_line(name, local);
        }
}
