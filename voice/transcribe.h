// Turns a 16 kHz mono recording into the helper's transcription reply.
#pragma once

#include <string>
#include <vector>

#include "helper_state.h"

namespace miradot {

// Needs state.recognizer and state.engine.
std::string transcribe(VoiceHelperState& state, const std::vector<float>& samples);

}  // namespace miradot
