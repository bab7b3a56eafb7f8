// The voice client's message-only window, which brings the worker's replies
// to the processor's thread and times the note.
#pragma once

#include <windows.h>

namespace miradot {

// Receives what reaches the message window, on the processor's thread.
class VoiceWindowSink {
public:
    virtual void on_voice_reply(int command, const char* reply) = 0;
    virtual void on_note_timeout() = 0;

protected:
    ~VoiceWindowSink() = default;
};

constexpr UINT_PTR VOICE_NOTE_TIMER = 1;

// Registers the window class when needed and creates the message window of
// class "miraDotVoiceMsg" for `sink`; null on failure.
HWND create_voice_message_window(VoiceWindowSink* sink);

// Detaches the sink, frees the reply copies still queued for the window (no
// reply can be posted any more once the worker is detached) and destroys it.
// Returns how many queued replies were freed.
int destroy_voice_message_window(HWND window);

}  // namespace miradot
