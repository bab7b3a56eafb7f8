// Where the speech model lives and when it counts as installed; shared by the
// voice helper, which loads it, and the settings program, which installs it.
#pragma once

#include <filesystem>
#include <string>

namespace miradot {

constexpr const char* DEFAULT_MODEL_NAME = "sherpa-onnx-zipformer-vi-30M-int8-2026-02-09";

// The models folder "LOCALAPPDATA\miraDot\models", both levels created when
// missing; false when LOCALAPPDATA is unset or too long for the names below it.
bool speech_models_folder(std::filesystem::path& folder);

// The same path, nothing created: for what only looks.
bool speech_models_location(std::filesystem::path& folder);

// The model folder under the models folder; true when it holds every file
// the recogniser needs.
bool default_model_dir(std::filesystem::path& folder);

// Whether the model folder holds every file the recogniser needs, without
// making any folder on the way.
bool default_model_installed();

// "tokens.txt" and an encoder, a decoder and a joiner: a half-unpacked
// archive must not count as an installed model.
bool speech_model_complete(const std::filesystem::path& folder);

// The first name in ascending order that starts with prefix and ends with
// suffix, as a full path; empty when none does.
std::filesystem::path find_model_file(const std::filesystem::path& folder, const std::string& prefix,
                                      const std::string& suffix);

}  // namespace miradot
