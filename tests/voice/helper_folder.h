// A helper install folder whose "voice" folder holds a chosen recogniser
// library, and a model folder, as the helper finds them at run time.
#pragma once

#include <filesystem>
#include <string>

#include "helper_state.h"
#include "shared_library.h"
#include "test_folder.h"

// Where the build put the libraries (set by the test's CMakeLists).
inline std::filesystem::path real_library_dir() { return SHERPA_LIBRARY_DIR; }
inline std::filesystem::path scripted_library() { return SCRIPTED_LIBRARY; }
inline std::filesystem::path partial_library() { return PARTIAL_LIBRARY; }

class HelperFolder {
public:
    // Copies every file of the library's folder (its dependencies live next
    // to it) into voice/, the chosen library under the recogniser's name.
    void install_library(const std::filesystem::path& library) {
        std::filesystem::path voice = folder_.path() / "helper" / "voice";
        std::filesystem::create_directories(voice);
        for (const auto& entry : std::filesystem::directory_iterator(library.parent_path())) {
            if (entry.is_regular_file()) link_or_copy(entry.path(), voice / entry.path().filename());
        }
        std::filesystem::remove(voice / SHERPA_LIBRARY_NAME);
        link_or_copy(library, voice / SHERPA_LIBRARY_NAME);
    }

    // A model folder with the three model files and a tokens.txt.
    std::filesystem::path model(const std::string& tokens, bool withJoiner = true) {
        std::filesystem::path dir = folder_.path() / ("model" + std::to_string(models_++));
        folder_.write(dir / "encoder-epoch-12.onnx", "not a model");
        folder_.write(dir / "decoder-epoch-12.onnx", "not a model");
        if (withJoiner) folder_.write(dir / "joiner-epoch-12.onnx", "not a model");
        folder_.write(dir / "tokens.txt", tokens);
        return dir;
    }

    std::filesystem::path helperDir() const { return folder_.path() / "helper"; }
    TestFolder& folder() { return folder_; }

private:
    static void link_or_copy(const std::filesystem::path& from, const std::filesystem::path& to) {
        std::error_code error;
        std::filesystem::create_symlink(from, to, error);
        if (error) std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
    }

    TestFolder folder_;
    int models_ = 0;
};
