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
inline std::filesystem::path tiny_model_dir() { return TINY_MODEL_DIR; }
inline std::filesystem::path tiny_parts_dir() { return TINY_PARTS_DIR; }
inline std::filesystem::path speech_wav() { return SPEECH_WAV; }

class HelperFolder {
public:
    // Copies every file of the library's folder (its dependencies live next
    // to it) into voice/, the chosen library under the recogniser's name.
    void install_library(const std::filesystem::path& library)
    {
        std::filesystem::path voice = folder_.path() / "helper" / "voice";
        std::filesystem::create_directories(voice);
        for (const auto& entry : std::filesystem::directory_iterator(library.parent_path())) {
            if (entry.is_regular_file())
                link_or_copy(entry.path(), voice / entry.path().filename());
        }
        link_or_copy(library, voice / miradot::SHERPA_LIBRARY_NAME);
    }

    // A copy of the tiny model the real library decodes, with its own token
    // table when one is given.
    std::filesystem::path tiny_model(const std::string& tokens = "")
    {
        std::filesystem::path dir = folder_.path() / ("model" + std::to_string(models_++));
        std::filesystem::copy(tiny_model_dir(), dir);
        if (!tokens.empty())
            folder_.write(dir / "tokens.txt", tokens);
        return dir;
    }

    // The tiny model with the script the scripted library answers from.
    std::filesystem::path model(const std::string& script, bool withJoiner = true)
    {
        std::filesystem::path dir = tiny_model();
        if (!withJoiner)
            std::filesystem::remove(dir / "joiner-tiny.onnx");
        folder_.write(dir / "script.txt", script);
        return dir;
    }

    // The tiny model with one of its files replaced by the given content, or
    // by a part of the same name from the model parts.
    std::filesystem::path tiny_model_with(const std::string& file, const std::string& content)
    {
        std::filesystem::path dir = tiny_model();
        if (content.empty()) {
            std::filesystem::copy_file(tiny_parts_dir() / file, dir / (file.substr(0, file.find('-')) + "-tiny.onnx"),
                                       std::filesystem::copy_options::overwrite_existing);
        } else {
            folder_.write(dir / file, content);
        }
        return dir;
    }

    std::filesystem::path helperDir() const { return folder_.path() / "helper"; }
    TestFolder& folder() { return folder_; }

private:
    // Replaces what is there: copying onto an earlier link would write
    // through it into the linked file.
    static void link_or_copy(const std::filesystem::path& from, const std::filesystem::path& to)
    {
        std::filesystem::remove(to);
        std::error_code error;
        std::filesystem::create_symlink(from, to, error);
        if (error)
            std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
    }

    TestFolder folder_;
    int models_ = 0;
};
