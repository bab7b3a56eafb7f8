// Loads the sherpa-onnx library from the helper's "voice" folder, finds the
// speech model and creates the offline recogniser; also loads the typing
// engine used for transcript clean-up, once per process.
#pragma once

#include <filesystem>
#include <string>

#include "helper_state.h"

namespace miradot {

constexpr const char* DEFAULT_MODEL_NAME = "sherpa-onnx-zipformer-vi-30M-int8-2026-02-09";

// Sets state.recognizer, or leaves it null with state.load_error set. Does
// nothing once a recogniser exists.
void load_recognizer(VoiceHelperState& state);

// The model folder under LOCALAPPDATA; true when it holds "tokens.txt".
bool default_model_dir(std::filesystem::path& folder);

// The first name in ascending order that starts with prefix and ends with
// suffix, as a full path; empty when none does.
std::filesystem::path find_model_file(const std::filesystem::path& folder, const std::string& prefix,
                                      const std::string& suffix);

int recognizer_threads(unsigned logicalProcessors);

}  // namespace miradot
