// Native builds for tests have no audio capture: every recording fails the
// way a machine without a recording device does.
#include <mutex>

#include "capture_thread.h"
#include "helper_state.h"

namespace miradot {

void capture_thread_main(VoiceHelperState& state)
{
    std::lock_guard<std::mutex> guard(state.samples_lock);
    state.mic_error = "microphone error 0x80070490";
}

}  // namespace miradot
