// Turns a 16 kHz mono recording into the helper's transcription reply.
#pragma once

#include <string>
#include <vector>

#include "helper_state.h"
#include "voice_reply.h"

namespace miradot {

// Needs state.recognizer and state.engine.
VoiceReply transcribe(VoiceHelperState& state, const std::vector<float>& samples);

}  // namespace miradot
