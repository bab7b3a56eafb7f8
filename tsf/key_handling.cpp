// Decides for every key TSF offers whether it feeds the engine, ends the word
// or passes to the application, and turns the engine's answer into edits.
#include "typing_session.h"

#include "context_helpers.h"
#include "engine_host.h"
#include "fault_point.h"
#include "hotkey.h"
#include "layout_chars.h"
#include "utf.h"

#include <cwchar>

namespace miradot {

namespace {

constexpr WORD LANG_VIETNAMESE_LAYOUT = 0x042A;
// The key a held Vietnamese/English switch is sent again as: one no layout assigns.
constexpr WPARAM VK_HELD_SWITCH = 0xE8;

bool is_word_ending_key(WPARAM key)
{
    return key == VK_RETURN || key == VK_ESCAPE || (key >= VK_PRIOR && key <= VK_DOWN) || key == VK_INSERT
           || key == VK_DELETE;
}

bool key_down(int vk) { return GetKeyState(vk) < 0; }

wchar_t key_to_char(WPARAM key, LPARAM lparam)
{
    BYTE state[256];
    if (!GetKeyboardState(state))
        return 0;
    HKL layout = GetKeyboardLayout(0);
    if (LOWORD(reinterpret_cast<UINT_PTR>(layout)) != LANG_VIETNAMESE_LAYOUT) {
        wchar_t buffer[8];
        int units = ToUnicodeEx(static_cast<UINT>(key), (lparam >> 16) & 0xFF, state, buffer, 8, 4, layout);
        return units == 1 ? buffer[0] : 0;
    }
    return vietnamese_layout_char(key, (state[VK_SHIFT] & 0x80) != 0, (state[VK_CAPITAL] & 0x01) != 0);
}

}  // namespace

bool TypingSession::takes_keys_of(ITfContext* context, WPARAM key)
{
    return context && engine_ && !faulted_in(context) && !is_disabled(context) && !is_modifier_or_lock_key(UINT(key));
}

bool TypingSession::faulted_in(ITfContext* context) const
{
    return faultedContext_ && same_object(faultedContext_.get(), context);
}

void TypingSession::contain_fault(ITfContext* context) noexcept
{
    try {
        faultedContext_ = ComPtr<ITfContext>::retain(context);
        repostKey_ = 0;
        send_held_keys(true);
        drop_word();
        if (holder_ && (holder_->composition || holder_->waiting > 0))
            detach_and_end_composition(EDIT_ASYNC_WRITE);
        show_hint(context, L"miraDot g\u1EB7p s\u1EF1 c\u1ED1 n\u00EAn \u0111\u00E3 t\u1EAFt g\u00F5 "
                           L"ti\u1EBFng Vi\u1EC7t trong \u00F4 n\u00E0y.");
    } catch (...) {
        // Typing is off there already; the note is all that is missing.
    }
}

KeyPress TypingSession::next_key_press(WPARAM key, LPARAM lparam)
{
    // A key sent again comes back with the keyboard as it is now, not as it was.
    if (!replaying_.empty()) {
        if (replaying_.front().key == key && replaying_.front().lparam == lparam)
            return replaying_.front();
        replaying_.clear();  // lost on the way
    }
    KeyPress press;
    press.key = key;
    press.lparam = lparam;
    press.character = key_to_char(key, lparam);
    press.shift = key_down(VK_SHIFT);
    press.ctrl = key_down(VK_CONTROL);
    press.alt = key_down(VK_MENU) || key_down(VK_LWIN) || key_down(VK_RWIN);
    return press;
}

int TypingSession::waiting_in(ITfContext* context) const
{
    for (const Waiting& waiting : waiting_)
        if (same_object(waiting.context.get(), context))
            return waiting.count;
    return 0;
}

void TypingSession::count_waiting(ITfContext* context, int change)
{
    for (auto it = waiting_.begin(); it != waiting_.end(); ++it) {
        if (same_object(it->context.get(), context)) {
            it->count += change;
            if (it->count <= 0)
                waiting_.erase(it);
            return;
        }
    }
    if (change > 0)
        waiting_.push_back({ComPtr<ITfContext>::retain(context), change});
}

void TypingSession::session_ran(ITfContext* context, CompositionHolder* holder)
{
    --holder->waiting;
    count_waiting(context, -1);
    send_held_keys_when_due();
}

bool TypingSession::holds_keys_of(ITfContext* context) const
{
    return heldContext_ && same_object(heldContext_.get(), context);
}

bool TypingSession::hold(ITfContext* context, const KeyPress& press, bool test)
{
    if (test)
        return true;
    HWND window = held_.empty() ? context_window(context) : held_.back().window;
    if (!window)
        return false;
    if (!heldContext_)
        heldContext_ = ComPtr<ITfContext>::retain(context);
    // The language it comes back in: held switches before it apply first.
    bool english = english_;
    for (const HeldKey& held : held_)
        english = english != held.press.languageSwitch;
    // A key sent again that must wait once more keeps its place at the head.
    auto at = replayingNow_ ? held_.begin() : held_.end();
    at = held_.insert(at, {press, window});
    at->press.context = ComPtr<ITfContext>::retain(context);
    at->press.english = replayingNow_ ? press.english : english;
    return true;
}

bool TypingSession::hold_language_switch(ITfContext* context)
{
    if (!holds_keys_of(context))
        return false;
    KeyPress press;
    press.key = VK_HELD_SWITCH;
    press.languageSwitch = true;
    return hold(context, press, false);
}

void TypingSession::send_held_keys(bool all)
{
    while (!held_.empty()) {
        HeldKey held = std::move(held_.front());
        held_.erase(held_.begin());
        // A character typed in English goes to the application as the character it was:
        // the keyboard is not as it was when the key comes back.
        if (held.press.english && held.press.character >= 0x20) {
            PostMessageW(held.window, WM_CHAR, held.press.character, held.press.lparam);
        } else if (PostMessageW(held.window, WM_KEYDOWN, held.press.key, held.press.lparam)) {
            replaying_.push_back(held.press);
            // What it writes when it comes back, the keys after it wait for again.
            if (!all)
                break;
        }
    }
    if (held_.empty())
        heldContext_.reset();
}

void TypingSession::send_held_keys_when_due()
{
    if (heldContext_ && replaying_.empty() && waiting_in(heldContext_.get()) == 0)
        send_held_keys(false);
}

bool TypingSession::repost(ITfContext* context, const KeyPress& press)
{
    if (waiting_in(context) > 0)
        return hold(context, press, false);
    HWND focus = GetFocus();
    if (!focus || !PostMessageW(focus, WM_KEYDOWN, press.key, press.lparam))
        return false;
    replaying_.push_back(press);
    return true;
}

bool TypingSession::finish_word_and_repost(ITfContext* context, const KeyPress& press, bool test, bool from_backspace,
                                           bool holdable)
{
    if (!test && press.key == repostKey_) {
        repostKey_ = 0;
        return repost(context, press);
    }
    repostKey_ = 0;
    bool repost_key
        = (holder_->composition || composing_ || holder_->waiting > 0) && is_transitory(context) && GetFocus();
    if (!from_backspace)
        finish_word(context, EDIT_SYNC_WRITE);
    else if (holder_->keeps_characters())
        end_composition(holder_->context ? holder_->context.get() : context, EDIT_SYNC_WRITE);
    // A key that passed now would reach the document before our writes.
    repost_key = repost_key || (holdable && waiting_in(context) > 0 && context_window(context));
    if (!repost_key)
        return false;
    if (test) {
        repostKey_ = press.key;
        return true;
    }
    return repost(context, press);
}

bool TypingSession::handle_backspace(ITfContext* context, const KeyPress& press, bool test)
{
    EngineOutput output;
    if (composing_) {
        if (test)
            return true;
        int taken;
        {
            EngineLock lock;
            taken = engine_backspace(engine_.get(), &output);
        }
        note_learning_change();
        if (!taken)
            return false;
        composing_ = output.preedit[0] != 0;
        EditRequest request = make_edit_request(output);
        request.emptiedWord = request.commitLength == 0 && request.compositionLength == 0;
        write(context, request, EDIT_SYNC_WRITE);
        return true;
    }
    bool keysBack;
    {
        EngineLock lock;
        keysBack = engine_keys_back(engine_.get()) != 0;
    }
    if (put_in_place_of_last_word(context, keysBack, test, true))
        return true;
    // A key sent again reaches the engine when it comes back, once.
    bool reposted = ((holder_->composition || holder_->waiting > 0) && is_transitory(context) && GetFocus())
                    || (waiting_in(context) > 0 && context_window(context));
    if (test ? !reposted : press.key != repostKey_) {
        {
            EngineLock lock;
            engine_backspace(engine_.get(), &output);
        }
        note_learning_change();
    }
    return finish_word_and_repost(context, press, test, true);
}

TypingSession::Caret TypingSession::caret_now(ITfContext* context)
{
    if (is_transitory(context) || !holder_for(context, {}))
        return Caret::Ours;  // nothing there is reached back over
    Caret caret = Caret::Unknown;
    request_edit_session(
        context, clientId_, EDIT_SYNC_READ,
        [this, &caret, target = ComPtr<ITfContext>::retain(context)](TfEditCookie ec) {
            caret = writer_.caret_is_expected(ec, target.get()) ? Caret::Ours : Caret::Moved;
            return S_OK;
        },
        true);
    return caret;
}

EngineOutput TypingSession::swap(int& span, bool backspace)
{
    EngineOutput output;
    {
        EngineLock lock;
        if (backspace)
            engine_backspace(engine_.get(), &output);
        else
            engine_swap(engine_.get(), &output);
        span = engine_pending_span(engine_.get());
    }
    note_learning_change();
    composing_ = output.preedit[0] != 0;
    return output;
}

void TypingSession::swap_when_caret_is_ours(ITfContext* context, bool backspace)
{
    ComPtr<CompositionHolder> holder = holder_for(context, {});
    if (!holder)
        return;
    heldContext_ = ComPtr<ITfContext>::retain(context);
    run(
        context, EDIT_ASYNC_WRITE | TF_ES_ASYNC,
        [this, target = ComPtr<ITfContext>::retain(context), holder, backspace](TfEditCookie ec) {
            hide_hint();
            if (!writer_.caret_is_expected(ec, target.get())) {
                drop_word();
                return S_OK;
            }
            int span;
            EngineOutput output = swap(span, backspace);
            EditRequest request = make_edit_request(output);
            request.keepCount = keep_count(output, span, option_word(), false);
            return write_now(ec, target.get(), request, *holder).result;
        },
        holder);
    if (holder->waiting == 0)
        heldContext_.reset();  // it ran, or never will
}

bool TypingSession::handle_tab(ITfContext* context, const KeyPress& press, bool test)
{
    bool hint = false;
    if (!press.shift && !composing_) {
        EngineLock lock;
        hint = engine_alternative(engine_.get(), nullptr, 0) != 0;
    }
    return put_in_place_of_last_word(context, hint, test, false)
           || finish_word_and_repost(context, press, test, false);
}

bool TypingSession::put_in_place_of_last_word(ITfContext* context, bool offered, bool test, bool backspace)
{
    Caret caret = offered ? caret_now(context) : Caret::Ours;
    if (caret == Caret::Moved) {
        // The swap would replace text that is no longer the word before the caret.
        drop_word();
        offered = false;
    }
    if (!offered)
        return false;
    if (test)
        return true;
    if (caret == Caret::Unknown && context_window(context)) {
        swap_when_caret_is_ours(context, backspace);
        return true;
    }
    int span;
    EngineOutput output = swap(span, backspace);
    EditRequest request = make_edit_request(output);
    request.keepCount = keep_count(output, span, option_word(), false);
    write(context, request, EDIT_SYNC_WRITE);
    return true;
}

bool TypingSession::handle_character(ITfContext* context, wchar_t c, bool test)
{
    if (test)
        return true;
    if (!composing_) {
        // A new word: the field's input scope decides whether learning records it.
        read_field_scope(context);
        push_options();
    }
    EngineOutput output;
    int taken, span;
    bool hint;
    {
        EngineLock lock;
        taken = engine_key(engine_.get(), c, &output);
        span = engine_pending_span(engine_.get());
        hint = engine_alternative(engine_.get(), nullptr, 0) != 0;
    }
    note_learning_change();
    composing_ = output.preedit[0] != 0;
    EditRequest request = make_edit_request(output);
    request.keepCount = keep_count(output, span, option_word(), hint);
    if (!taken && request.commitLength < EDIT_COMMIT_UNITS) {
        request.commitText[request.commitLength++] = static_cast<char16_t>(c);
        request.commitText[request.commitLength] = 0;
    }
    write(context, request, EDIT_SYNC_WRITE);
    return true;
}

bool TypingSession::handle_key(ITfContext* context, WPARAM key, LPARAM lparam, bool test)
{
    fault_point(FaultSite::Key);
    KeyPress press = next_key_press(key, lparam);
    bool replayed = !replaying_.empty();
    // A held key belongs to its own document, even when the focus has left it meanwhile.
    ITfContext* target = replayed && press.context ? press.context.get() : context;
    bool eaten = true;
    replayingNow_ = replayed;
    if (!replayed || !press.languageSwitch) {
        eaten = handle_press(target, press, test);
    } else if (!test) {
        finish_word(target, EDIT_SYNC_WRITE);
        language_->toggle();
    }
    replayingNow_ = false;
    // A replayed key is done with once the application has it or it was handled for real.
    if (replayed && (!test || !eaten)) {
        replaying_.pop_front();
        send_held_keys_when_due();
    }
    return eaten;
}

bool TypingSession::handle_press(ITfContext* context, const KeyPress& press, bool test)
{
    ITfContext* owner = holder_->context.get();
    if (owner && !same_object(owner, context)) {
        detach_and_finish(make_edit_request(flush()), EDIT_ASYNC_WRITE);
        drop_word();
    }
    if (holds_keys_of(context) && !replayingNow_)
        return hold(context, press, test);
    if (press.alt) {
        finish_word(context, EDIT_SYNC_WRITE);
        return false;
    }
    // A key sent again would come back without its Ctrl: never held.
    if (press.ctrl)
        return finish_word_and_repost(context, press, test, false, false);
    if (english_) {
        // The application must not have it before the writes of ours that came first.
        if (waiting_in(context) > 0 && context_window(context))
            return hold(context, press, test);
        return false;
    }
    WPARAM key = press.key;
    if (is_word_ending_key(key))
        return finish_word_and_repost(context, press, test, false);
    if (key == VK_BACK)
        return handle_backspace(context, press, test);
    if (key == VK_TAB)
        return handle_tab(context, press, test);
    wchar_t c = press.character;
    if (c >= 0x20 && c != 0x7F && (c < 0xD800 || c > 0xDFFF))
        return handle_character(context, c, test);
    return finish_word_and_repost(context, press, test, false);
}

void TypingSession::refresh_hint_after(ITfContext* context, WPARAM key, bool test, bool eaten)
{
    if (is_modifier_or_lock_key(UINT(key)))
        return;
    if (test ? !eaten && !hint_.empty() : context != nullptr)
        refresh_hint(context);
}

void TypingSession::refresh_hint(ITfContext* context)
{
    if (!engine_)
        return;
    char alternative[64];
    bool offered;
    {
        EngineLock lock;
        offered = engine_alternative(engine_.get(), alternative, sizeof alternative) != 0;
    }
    if (!offered) {
        hide_hint();
        return;
    }
    wchar_t word[64];
    utf8_to_utf16(alternative, word, 64);
    wchar_t text[96];
    _snwprintf(text, 95, L"Tab \u2192 %ls", word);
    text[95] = 0;
    show_hint(context, text);
}

}  // namespace miradot
