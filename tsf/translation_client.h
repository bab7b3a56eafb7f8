// The translation hotkey's work in one text input processor: capture the
// selection or the line before the caret, have the translation service
// translate it on a worker thread, show the result near the caret, and on
// Tab put it in place of the text it was made from.
#pragma once

#include "caret_note.h"
#include "translation_capture.h"
#include "tsf_interfaces.h"

#include "settings_store.h"

#include <memory>
#include <string>

namespace miradot {

// What the client needs of its text input processor.
class TranslationHost {
public:
    // Shows `note` below the selection of `context`.
    virtual void show_note(CaretNote& note, ITfContext* context, const wchar_t* text) = 0;
    // The typing hint goes while a note of the client's is up.
    virtual void hide_hint() = 0;
    virtual void finish_word(ITfContext* context, DWORD flags) = 0;
    virtual void drop_word() = 0;
    // Reads the field's input scope; true for password and private fields.
    virtual bool field_is_private(ITfContext* context) = 0;
    // Read again when the key changed since (the partner language, the hotkey).
    virtual const ServiceSettings& current_settings() = 0;
    virtual TfClientId client_id() const = 0;

protected:
    ~TranslationHost() = default;
};

struct ReplaceJob;

// Owned by the processor through a shared pointer: edit sessions granted
// later keep the client alive.
class TranslationClient : public std::enable_shared_from_this<TranslationClient> {
public:
    enum State { TR_IDLE = 0, TR_BUSY = 1, TR_RESULT = 2 };

    explicit TranslationClient(TranslationHost& host);
    ~TranslationClient();
    TranslationClient(const TranslationClient&) = delete;
    TranslationClient& operator=(const TranslationClient&) = delete;

    // The translation hotkey: start, or put the shown result in place.
    void hotkey(ITfContext* context);
    // A key while a note may be up; true when the key is the client's (Esc
    // while busy or showing, Tab on a result). Any other key drops the note.
    bool key(WPARAM key, bool test);
    // Focus moved elsewhere: whatever is shown or awaited is dropped.
    void dismiss();
    // Deactivation: nothing of this client acts any more.
    void shutdown();

    State state() const { return state_; }

    // Edit-session work.
    void read_with_tsf(TfEditCookie ec, ITfContext* context, UINT generation);
    void replace_with_tsf(TfEditCookie ec, ITfContext* context, ReplaceJob& job);
    // The window's messages.
    void on_timer(UINT_PTR id);
    void on_reply(UINT generation, const char* reply);

private:
    bool ensure_window();
    void reset();
    // Shows the text until dismissed, or for `ms`.
    void show_note(ITfContext* context, const std::wstring& text, UINT ms);
    void show(ITfContext* context, const wchar_t* text);
    void start(ITfContext* context);
    void capture_from_control();
    void send(ITfContext* context);
    void apply(ITfContext* context);
    void finish_replacement(ITfContext* context, bool replaced);

    TranslationHost& host_;
    bool active_ = true;
    HWND window_ = nullptr;
    State state_ = TR_IDLE;
    CaretNote note_{TRANSLATION_LOOK};
    bool noteShown_ = false;
    UINT generation_ = 0;
    ITfContext* context_ = nullptr;
    std::wstring source_;
    bool fromSelection_ = false;
    std::wstring result_;
    WindowCapture control_;  // when captured with window messages
    bool readDenied_ = false;
    bool requesting_ = false;  // inside RequestEditSession: the caller handles the outcome
};

}  // namespace miradot
