// Voice typing as the text service drives it: the voice hotkey starts
// listening, the same hotkey again inserts the transcript where listening
// began, Esc cancels, and a note near the caret says what is happening.
#pragma once

#include "caret_note.h"
#include "com_ptr.h"
#include "edit_request.h"
#include "tsf_interfaces.h"
#include "voice_windows.h"

#include "../common/hotkey.h"

#include <string>
#include <vector>

namespace miradot {

constexpr int VOICE_IDLE = 0;
constexpr int VOICE_STARTING = 1;      // the helper is being reached or started
constexpr int VOICE_LISTENING = 2;     // the helper records
constexpr int VOICE_TRANSCRIBING = 3;  // "stop" sent, waiting for the text

struct VoiceWorker;

// What the voice client needs of the processor it belongs to.
class VoiceHost {
public:
    // Commits the word being typed in `context` before listening starts.
    virtual void voice_finish_word(ITfContext* context) = 0;
    // Forgets the word being typed and writes the requests, in order, as
    // committed text at the selection of `context`.
    virtual void voice_write(ITfContext* context, const EditRequest* requests, size_t count) = 0;
    virtual Hotkey voice_hotkey_setting() = 0;

protected:
    ~VoiceHost() = default;
};

// Lives on the processor's thread from activation to deactivation.
class VoiceClient final : public VoiceWindowSink {
public:
    explicit VoiceClient(VoiceHost& host) : host_(host) {}
    ~VoiceClient() { shutdown(); }
    VoiceClient(const VoiceClient&) = delete;
    VoiceClient& operator=(const VoiceClient&) = delete;

    // The voice hotkey was pressed in `context`.
    void hotkey(ITfContext* context);
    // Esc while starting or listening.
    void cancel();
    // At deactivation: cancels, lets the worker go and destroys the windows.
    void shutdown();

    // While voice typing is under way every key belongs to it (Esc cancels),
    // and the translation hotkey must be refused.
    bool active() const { return state_ != VOICE_IDLE; }
    // True when the key is eaten; `test` for the test pass of a key.
    bool take_key(WPARAM key, bool test);
    int state() const { return state_; }

    // VoiceWindowSink
    void on_voice_reply(int command, const char* reply) override;
    void on_note_timeout() override { note_.hide(); }

private:
    bool ensure_client();
    // Queues a command; a dropped one ends the session with a note.
    void queue(int command);
    void show_note(const wchar_t* text, UINT duration_ms);
    void show_listening_note();
    void show_error(const std::string& error);
    void insert(const std::string& text);

    VoiceHost& host_;
    int state_ = VOICE_IDLE;
    // Opens whose session was cancelled before the helper answered.
    int staleOpens_ = 0;
    VoiceWorker* worker_ = nullptr;
    HWND messageWindow_ = nullptr;
    CaretNote note_{VOICE_NOTE_LOOK};
    ComPtr<ITfContext> context_;  // where listening began; the transcript goes there
};

// The transcript as edit requests that each fit one `EditRequest`, never
// splitting a surrogate pair; empty when the text is not valid UTF-8.
std::vector<EditRequest> transcript_requests(const std::string& text);

}  // namespace miradot
