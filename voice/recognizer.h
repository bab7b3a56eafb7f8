// Loads the sherpa-onnx library from the helper's "voice" folder, finds the
// speech model and creates the offline recogniser; also loads the typing
// engine used for transcript clean-up, once per process.
#pragma once

#include <filesystem>
#include <string>

#include "helper_state.h"
#include "speech_model.h"

namespace miradot {

// Sets state.recognizer, or leaves it null with state.load_error set. Does
// nothing once a recogniser exists.
void load_recognizer(VoiceHelperState& state);

int recognizer_threads(unsigned logicalProcessors);

}  // namespace miradot
