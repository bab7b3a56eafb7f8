// Where the speech model lives and when it counts as installed; shared by the
// voice helper, which loads it, and the settings program, which installs it.
#pragma once

#include <filesystem>
#include <string>

namespace miradot {

constexpr const char* DEFAULT_MODEL_NAME = "sherpa-onnx-zipformer-vi-30M-int8-2026-02-09";

// The models folder "LOCALAPPDATA\miraDot\models"; false when LOCALAPPDATA is
// unset or too long for the names below it. Nothing is created: only an
// install makes the folders (make_speech_models_folder).
bool speech_models_folder(std::filesystem::path& folder);

// The models folder as above, both levels created when missing; false also
// when they cannot be.
bool make_speech_models_folder(std::filesystem::path& folder);

// The model folder under the models folder; true when it holds every file
// the recogniser needs.
bool default_model_dir(std::filesystem::path& folder);

// "tokens.txt" and an encoder, a decoder and a joiner: a half-unpacked
// archive must not count as an installed model.
bool speech_model_complete(const std::filesystem::path& folder);

// The first name in ascending order that starts with prefix and ends with
// suffix, as a full path; empty when none does.
std::filesystem::path find_model_file(const std::filesystem::path& folder, const std::string& prefix,
                                      const std::string& suffix);

}  // namespace miradot
