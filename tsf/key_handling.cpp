// Decides for every key TSF offers whether it feeds the engine, ends the word
// or passes to the application, and turns the engine's answer into edits.
#include "typing_session.h"

#include "context_helpers.h"
#include "engine_host.h"
#include "hotkey.h"
#include "layout_chars.h"
#include "utf.h"

#include <cwchar>

namespace miradot {

namespace {

constexpr WORD LANG_VIETNAMESE_LAYOUT = 0x042A;

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

bool post_key_to_focus(WPARAM key, LPARAM lparam)
{
    HWND focus = GetFocus();
    return focus && PostMessageW(focus, WM_KEYDOWN, key, lparam);
}

}  // namespace

bool TypingSession::takes_keys_of(ITfContext* context, WPARAM key)
{
    return context && engine_ && !is_disabled(context) && !is_modifier_or_lock_key(UINT(key));
}

bool TypingSession::finish_word_and_repost(ITfContext* context, WPARAM key, LPARAM lparam, bool test,
                                           bool from_backspace)
{
    if (!test && key == repostKey_) {
        repostKey_ = 0;
        return post_key_to_focus(key, lparam);
    }
    repostKey_ = 0;
    bool repost = (holder_->composition || composing_) && is_transitory(context) && GetFocus();
    if (!from_backspace)
        finish_word(context, EDIT_SYNC_WRITE);
    else if (holder_->keeps_characters())
        end_composition(holder_->context ? holder_->context.get() : context, EDIT_SYNC_WRITE);
    if (!repost)
        return false;
    if (test) {
        repostKey_ = key;
        return true;
    }
    return post_key_to_focus(key, lparam);
}

bool TypingSession::handle_backspace(ITfContext* context, WPARAM key, LPARAM lparam, bool test)
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
    bool reposted = holder_->composition && is_transitory(context) && GetFocus();
    if (!test || !reposted) {
        {
            EngineLock lock;
            engine_backspace(engine_.get(), &output);
        }
        note_learning_change();
    }
    return finish_word_and_repost(context, key, lparam, test, true);
}

bool TypingSession::handle_tab(ITfContext* context, WPARAM key, LPARAM lparam, bool test)
{
    bool hint = false;
    if (!key_down(VK_SHIFT) && !composing_) {
        EngineLock lock;
        hint = engine_alternative(engine_.get(), nullptr, 0) != 0;
    }
    if (!hint)
        return finish_word_and_repost(context, key, lparam, test, false);
    if (test)
        return true;
    EngineOutput output;
    int span;
    {
        EngineLock lock;
        engine_swap(engine_.get(), &output);
        span = engine_pending_span(engine_.get());
    }
    note_learning_change();
    composing_ = output.preedit[0] != 0;
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
    if (!taken && request.commitLength < 599) {
        request.commitText[request.commitLength++] = static_cast<char16_t>(c);
        request.commitText[request.commitLength] = 0;
    }
    write(context, request, EDIT_SYNC_WRITE);
    return true;
}

bool TypingSession::handle_key(ITfContext* context, WPARAM key, LPARAM lparam, bool test)
{
    ITfContext* owner = holder_->context.get();
    if (owner && !same_object(owner, context)) {
        detach_and_finish(make_edit_request(flush()), EDIT_ASYNC_WRITE);
        drop_word();
    }
    if (key_down(VK_MENU) || key_down(VK_LWIN) || key_down(VK_RWIN)) {
        finish_word(context, EDIT_SYNC_WRITE);
        return false;
    }
    if (key_down(VK_CONTROL))
        return finish_word_and_repost(context, key, lparam, test, false);
    if (english_)
        return false;
    if (is_word_ending_key(key))
        return finish_word_and_repost(context, key, lparam, test, false);
    if (key == VK_BACK)
        return handle_backspace(context, key, lparam, test);
    if (key == VK_TAB)
        return handle_tab(context, key, lparam, test);
    wchar_t c = key_to_char(key, lparam);
    if (c >= 0x20 && c != 0x7F && (c < 0xD800 || c > 0xDFFF))
        return handle_character(context, c, test);
    return finish_word_and_repost(context, key, lparam, test, false);
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
