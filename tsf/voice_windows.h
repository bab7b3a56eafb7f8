// The voice client's two windows: a message-only window that brings the
// worker's replies to the processor's thread and times the note, and the
// note shown near the caret.
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

// Registers both window classes when needed and creates the message window
// of class "miraDotVoiceMsg" for `sink`; null on failure.
HWND create_voice_message_window(VoiceWindowSink* sink);

// Detaches the sink, frees the reply copies still queued for the window (no
// reply can be posted any more once the worker is detached) and destroys it.
// Returns how many queued replies were freed.
int destroy_voice_message_window(HWND window);

// The note of class "miraDotVoiceNote": a topmost popup that never
// activates, hung below the caret; `timer_window` times its hiding.
class VoiceNote {
public:
    // Shows the text (at most 159 characters) until replaced or hidden, or for
    // `duration_ms` when that is not 0. False when no window could be made.
    bool show(const wchar_t* text, UINT duration_ms, HWND timer_window);
    void hide();
    void destroy();
    HWND window() const { return window_; }

private:
    HWND window_ = nullptr;
    HFONT font_ = nullptr;
};

}  // namespace miradot
