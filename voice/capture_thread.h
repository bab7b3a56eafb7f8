// One microphone recording thread, which can be waited for with a limit and
// then left to end on its own.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace miradot {

class CaptureThread {
public:
    // Null when no thread could be created.
    static CaptureThread* start(std::function<void()> body);

    // Waits up to timeoutMs for the body to return, then frees the object; a
    // body still running keeps its own share of the shared block and ends later.
    void finish(unsigned timeoutMs);

private:
    struct Shared {
        std::mutex lock;
        std::condition_variable done;
        bool finished = false;
    };
    std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
};

// The capture thread body (WASAPI): appends 16 kHz mono samples to the store
// while state.recording is REC_MICROPHONE; sets mic_error on failure.
struct VoiceHelperState;
void capture_thread_main(VoiceHelperState& state);

}  // namespace miradot
