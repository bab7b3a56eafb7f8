// One processor's typing: the engine session, the composition holder, the
// option word the engine works with, the key routing that feeds the engine
// and the edits that carry its answers into the document.
#pragma once

#include "com_ptr.h"
#include "caret_note.h"
#include "composition.h"
#include "document_writer.h"
#include "edit_request.h"
#include "edit_session.h"
#include "language_switch.h"
#include "tsf_interfaces.h"

#include "engine.h"

#include <deque>
#include <memory>
#include <vector>

namespace miradot {

// One key as it was typed: the character it gives (0 for none) and the
// modifiers that were down, so that a key sent again means what it meant.
struct KeyPress {
    WPARAM key = 0;
    LPARAM lparam = 0;
    wchar_t character = 0;
    bool shift = false;
    bool ctrl = false;
    bool alt = false;             // Alt or a Windows key
    ComPtr<ITfContext> context;   // where a held key was typed
    bool languageSwitch = false;  // the Vietnamese/English switch, held with the keys
    bool english = false;         // held in English: the application takes its character as it was
};

class TypingSession {
public:
    // `owner` is the processor: edit sessions keep it alive while they wait,
    // and it hears of compositions the application ends (`sink`).
    TypingSession(IUnknown* owner, ITfCompositionSink* sink, LanguageSwitch* language);

    // False when there was no memory for the composition holder.
    bool ready() const { return static_cast<bool>(holder_); }
    // Creates the engine context on the first activation; it lives until the
    // processor is destroyed. False when there is no memory for it.
    bool start(TfClientId client);
    void set_display_attribute(TfGuidAtom atom) { writer_.set_display_attribute(atom); }
    // At deactivation: commits the word being typed and forgets the caret.
    void stop();

    // The option word: the settings' options, OPT_ENGLISH_MODE while the
    // switch is on English, without OPT_LEARN in a private field.
    void set_settings(uint32_t method, uint32_t options);
    void set_english(bool english);
    bool english() const { return english_; }
    bool started() const { return static_cast<bool>(engine_); }

    // A word is being composed, or the composition still keeps characters.
    bool has_pending_word() const { return composing_ || holder_->keeps_characters(); }
    bool composing() const { return composing_; }

    // Key routing: whether keys of `context` are typing keys at all, then the
    // key itself (in test mode only what a key that is not eaten needs).
    bool takes_keys_of(ITfContext* context, WPARAM key);
    // A fault was contained while typing in `context`: the word ends as
    // shown, and typing is off there, with a note, until the next activation.
    void contain_fault(ITfContext* context) noexcept;
    bool faulted_in(ITfContext* context) const;
    bool handle_key(ITfContext* context, WPARAM key, LPARAM lparam, bool test);
    // The Vietnamese/English switch waits behind keys held in `context`; false when none are.
    bool hold_language_switch(ITfContext* context);
    // After each key: the hint follows the engine's alternative.
    void refresh_hint_after(ITfContext* context, WPARAM key, bool test, bool eaten);
    void refresh_hint(ITfContext* context);

    // Commits the word with its word-end decisions into `context`.
    void finish_word(ITfContext* context, DWORD flags);
    // Commits the word into the context it was typed in; new typing starts a new composition.
    void commit_pending_word(DWORD flags);
    // The focus moved to another document, whose top context is `focus`.
    void focus_changed(ITfContext* focus);
    // A click in a legacy control: ends the word as shown; false when there was none.
    bool end_word_for_click();
    // Text that was not typed (a voice transcript) goes in as committed text
    // at the selection of `context`, request by request. A refused request is
    // carried by the next write in that context, so the rest is not sent: it
    // would be merged into it and cut.
    void insert_text(ITfContext* context, const EditRequest* requests, size_t count);

    // Sinks, forwarded by the processor.
    void selection_changed(ITfContext* context, TfEditCookie ec);
    void composition_terminated(TfEditCookie ec, ITfComposition* composition);

    CaretNote& hint() { return hint_; }
    void show_hint(ITfContext* context, const wchar_t* text) { show_note(hint_, context, text); }
    void hide_hint() { hint_.hide(); }
    // Shows `note` below the selection of `context`, or at the caret when
    // the selection's place cannot be had.
    void show_note(CaretNote& note, ITfContext* context, const wchar_t* text);
    // Forgets the word being typed (the document keeps what it shows).
    void drop_word();
    // Reads the field's input scope; true for password and private fields.
    bool field_is_private(ITfContext* context);

private:
    struct EngineDeleter {
        void operator()(EngineContext* engine) const { engine_destroy(engine); }
    };

    void push_options();
    uint32_t option_word() const;
    EngineOutput flush();

    KeyPress next_key_press(WPARAM key, LPARAM lparam);
    bool handle_press(ITfContext* context, const KeyPress& press, bool test);
    // `holdable`: the key may wait for this context's writes and be sent again after them.
    bool finish_word_and_repost(ITfContext* context, const KeyPress& press, bool test, bool from_backspace,
                                bool holdable = true);
    bool handle_backspace(ITfContext* context, const KeyPress& press, bool test);
    bool handle_tab(ITfContext* context, const KeyPress& press, bool test);
    bool handle_character(ITfContext* context, wchar_t c, bool test);
    // Whether the caret is where our last write left it; the application
    // may have written or moved it without a word to us.
    enum class Caret { Ours, Moved, Unknown };
    Caret caret_now(ITfContext* context);
    // The swap, once a session shows the caret is still ours; the keys after
    // Tab wait for it.
    void swap_when_caret_is_ours(ITfContext* context, bool backspace);
    // Tab's alternative, or with backspace the keys of the expansion just made.
    EngineOutput swap(int& span, bool backspace);
    // The same for a key that finds one on offer; false when it does not.
    bool put_in_place_of_last_word(ITfContext* context, bool offered, bool test, bool backspace);
    DocumentWriter::Written write_now(TfEditCookie ec, ITfContext* context, const EditRequest& request,
                                      CompositionHolder& holder);

    // Keys that would reach the application while writes of ours still wait
    // in its document are held and sent again, in order, once those ran;
    // every key after a held one is held too.
    int waiting_in(ITfContext* context) const;
    void count_waiting(ITfContext* context, int change);
    void session_ran(ITfContext* context, CompositionHolder* holder);
    bool holds_keys_of(ITfContext* context) const;
    bool hold(ITfContext* context, const KeyPress& press, bool test);
    // Sends the key again now, or after the writes it must follow.
    bool repost(ITfContext* context, const KeyPress& press);
    // Sends the held keys again up to the first that comes back here (all of them with `all`).
    void send_held_keys(bool all);
    void send_held_keys_when_due();

    // Edit sessions on `holder` (the current one when null).
    // The holder an edit works on, which takes the edit's context at its
    // first edit; null when no edit can be made.
    ComPtr<CompositionHolder> holder_for(ITfContext* context, ComPtr<CompositionHolder> holder);
    HRESULT write(ITfContext* context, const EditRequest& request, DWORD flags, ComPtr<CompositionHolder> holder = {});
    HRESULT end_composition(ITfContext* context, DWORD flags, ComPtr<CompositionHolder> holder = {});
    // Writes what holders let go of in `context` were refused.
    void write_owed(ITfContext* context, DWORD flags);
    void read_field_scope(ITfContext* context);
    // True when `note_window`'s note was placed below the selection now.
    bool place_at_selection(HWND note_window, ITfContext* context);
    // `counted`: a write on this holder, counted while it waits to run.
    EditSessionResult run(ITfContext* context, DWORD flags, EditWork work, ComPtr<CompositionHolder> counted = {});
    // Finishes the current composition in its own context while new typing
    // starts a new one.
    void detach_and_finish(const EditRequest& request, DWORD flags);
    void detach_and_end_composition(DWORD flags);
    ComPtr<CompositionHolder> detach();
    // The caret was moved away: the word ends as shown where it was typed.
    void detach_for_caret_move();

    IUnknown* owner_;  // the processor, which owns this session
    LanguageSwitch* language_;
    TfClientId clientId_ = TF_CLIENTID_NULL;
    std::unique_ptr<EngineContext, EngineDeleter> engine_;
    ComPtr<CompositionHolder> holder_;
    DocumentWriter writer_;
    CaretNote hint_{HINT_LOOK};
    bool composing_ = false;
    WPARAM repostKey_ = 0;  // the key whose real key-down is to be re-posted
    struct Waiting {
        ComPtr<ITfContext> context;
        int count;
    };
    std::vector<Waiting> waiting_;  // write sessions granted for later, per context
    struct HeldKey {
        KeyPress press;
        HWND window;
    };
    std::vector<HeldKey> held_;
    ComPtr<ITfContext> heldContext_;
    std::deque<KeyPress> replaying_;  // sent again, not yet back
    bool replayingNow_ = false;       // the key being handled is one sent again
    ComPtr<ITfContext> faultedContext_;
    std::vector<ComPtr<CompositionHolder>> owing_;  // let go of while a refused write waits in them
    uint32_t method_ = TELEX;
    uint32_t options_ = DEFAULT_OPTIONS;
    bool english_ = false;
    bool privateField_ = false;
};

}  // namespace miradot
