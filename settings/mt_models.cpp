#include "mt_models.h"

#include <windows.h>

#include "file_tree.h"
#include "mt_errors.h"
#include "mt_home.h"
#include "mt_texts.h"
#include "pipe.h"

namespace {

std::wstring wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

void ask_service(const char* command) {
    char reply[MT_CONTROL_REPLY];
    const std::string request = std::string("{\"cmd\":\"") + command + "\"}";
    pipe_request(PipeKind::Translation, request.c_str(), reply, sizeof reply, MT_CONTROL_TIMEOUT_MS,
                 MT_CONTROL_DEADLINE_MS);
}

std::wstring model_folder(const std::wstring& home, const std::string& model) { return home + L"\\" + wide(model); }

}  // namespace

bool is_language_installed(const std::wstring& home, const std::string& code) {
    return path_exists(model_folder(home, "en-" + code) + L"\\model.bin") &&
           path_exists(model_folder(home, code + "-en") + L"\\model.bin");
}

bool remove_language(const std::string& code, std::wstring& text) {
    std::wstring home;
    if (!mt_home_path(home)) {
        text = MT_ERR_NO_FOLDER;
        return false;
    }
    ask_service("unload");
    uint64_t removed = 0;
    for (const std::string& model : {"en-" + code, code + "-en"}) {
        const std::wstring folder = model_folder(home, model);
        if (!path_exists(folder)) continue;
        removed += tree_size(folder);
        const std::wstring weights = folder + L"\\model.bin";
        if (path_exists(weights) && !DeleteFileW(weights.c_str())) {
            ask_service("quit");
            Sleep(800);
            if (!DeleteFileW(weights.c_str())) {
                text = MT_ERR_MODEL_IN_USE;
                return false;
            }
        }
        if (!delete_tree(folder)) {
            text = MT_ERR_NOT_REMOVED;
            return false;
        }
    }
    text = removed_text(removed);
    return true;
}
