// The voice pipe's command protocol: one request line in, one reply line out.
#pragma once

#include <string>

#include "helper_state.h"

namespace miradot {

struct VoiceReply {
    std::string line;
    bool goOn;
};

VoiceReply handle_voice_request(VoiceHelperState& state, const std::string& request);

// Ends a recording and drops what it captured (used by "cancel", "quit" and
// the end of the helper).
void stop_recording(VoiceHelperState& state);

std::string error_reply(const std::string& message);

}  // namespace miradot
