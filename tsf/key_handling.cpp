// Decides for every key TSF offers whether it feeds the engine, ends the word
// or passes to the application, and turns the engine's answer into edits.
#include "processor.h"

#include "com_ptr.h"
#include "context_helpers.h"
#include "engine_host.h"
#include "layout_chars.h"
#include "utf.h"

#include <cwchar>

namespace {

constexpr WORD LANG_VIETNAMESE_LAYOUT = 0x042A;

bool is_ignored_key(WPARAM key)
{
    switch (key) {
    case VK_SHIFT: case VK_CONTROL: case VK_MENU: case VK_CAPITAL: case VK_LWIN: case VK_RWIN:
    case VK_APPS: case VK_NUMLOCK: case VK_SCROLL: case VK_LSHIFT: case VK_RSHIFT:
    case VK_LCONTROL: case VK_RCONTROL: case VK_LMENU: case VK_RMENU:
        return true;
    default:
        return false;
    }
}

bool is_word_ending_key(WPARAM key)
{
    return key == VK_RETURN || key == VK_ESCAPE || (key >= VK_PRIOR && key <= VK_DOWN)
           || key == VK_INSERT || key == VK_DELETE;
}

bool key_down(int vk) { return GetKeyState(vk) < 0; }

bool compartment_set(ITfCompartmentMgr* compartments, REFGUID guid)
{
    ComPtr<ITfCompartment> compartment;
    VARIANT value;
    VariantInit(&value);
    if (FAILED(compartments->GetCompartment(guid, compartment.out()))
        || FAILED(compartment->GetValue(&value)))
        return false;
    bool set = value.vt == VT_I4 && value.lVal != 0;
    VariantClear(&value);
    return set;
}

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

} // namespace

STDMETHODIMP TextInputProcessor::OnTestKeyDown(ITfContext* context, WPARAM key, LPARAM lparam, BOOL* eaten)
{
    if (!eaten)
        return E_INVALIDARG;
    *eaten = FALSE;
    *eaten = handle_key(context, key, lparam, true);
    if (!*eaten && !hint_.empty() && !is_ignored_key(key))
        refresh_hint(context);
    return S_OK;
}

STDMETHODIMP TextInputProcessor::OnKeyDown(ITfContext* context, WPARAM key, LPARAM lparam, BOOL* eaten)
{
    if (!eaten)
        return E_INVALIDARG;
    *eaten = FALSE;
    *eaten = handle_key(context, key, lparam, false);
    if (context && !is_ignored_key(key))
        refresh_hint(context);
    return S_OK;
}

STDMETHODIMP TextInputProcessor::OnTestKeyUp(ITfContext*, WPARAM, LPARAM, BOOL* eaten)
{
    if (!eaten)
        return E_INVALIDARG;
    *eaten = FALSE;
    return S_OK;
}

STDMETHODIMP TextInputProcessor::OnKeyUp(ITfContext*, WPARAM, LPARAM, BOOL* eaten)
{
    if (!eaten)
        return E_INVALIDARG;
    *eaten = FALSE;
    return S_OK;
}

bool TextInputProcessor::holder_keeps_characters() const
{
    return compositionHolder_
           && ((compositionHolder_->composition && compositionHolder_->keptLength > 0)
               || compositionHolder_->unwritten);
}

bool TextInputProcessor::context_disabled(ITfContext* context)
{
    ComPtr<ITfCompartmentMgr> compartments;
    if (FAILED(context->QueryInterface(IID_ITfCompartmentMgr, compartments.out_void())))
        return false;
    return compartment_set(compartments.get(), GUID_COMPARTMENT_KEYBOARD_DISABLED)
           || compartment_set(compartments.get(), GUID_COMPARTMENT_EMPTYCONTEXT);
}

void TextInputProcessor::drop_word()
{
    {
        EngineLock lock;
        engine_reset(engine_);
    }
    composing_ = false;
    hide_hint();
}

void TextInputProcessor::finish_word(ITfContext* context, DWORD flags)
{
    if (!engine_)
        return;
    EngineOutput output;
    {
        EngineLock lock;
        engine_flush(engine_, &output);
    }
    composing_ = false;
    ITfContext* owner = compositionHolder_ ? compositionHolder_->context : nullptr;
    if (owner && !same_object(owner, context)) {
        detach_and_finish(make_edit_request(output), EDIT_APPLY, EDIT_ASYNC_WRITE);
        return;
    }
    if (!context)
        return;
    EditRequest request = make_edit_request(output);
    if (request.commitLength > 0 || request.deleteCount > 0)
        request_edit_session(context, request, EDIT_APPLY, flags);
    else if (holder_keeps_characters())
        request_edit_session(owner ? owner : context, EditRequest{}, EDIT_END_COMPOSITION, EDIT_SYNC_WRITE);
}

bool TextInputProcessor::end_word_for_click()
{
    CompositionHolder* holder = compositionHolder_;
    if (!engine_ || !holder || !(composing_ || holder_keeps_characters()) || !holder->context
        || !is_transitory(holder->context))
        return false;
    drop_word();
    detach_and_finish(EditRequest{}, EDIT_END_COMPOSITION, EDIT_ASYNC_WRITE);
    return true;
}

bool TextInputProcessor::finish_word_and_repost(ITfContext* context, WPARAM key, LPARAM lparam, bool test,
                                                bool from_backspace)
{
    if (!test && key == repostKey_) {
        repostKey_ = 0;
        return post_key_to_focus(key, lparam);
    }
    repostKey_ = 0;
    bool repost = (compositionHolder_->composition || composing_) && is_transitory(context) && GetFocus();
    if (!from_backspace)
        finish_word(context, EDIT_SYNC_WRITE);
    else if (holder_keeps_characters())
        request_edit_session(compositionHolder_->context ? compositionHolder_->context : context,
                             EditRequest{}, EDIT_END_COMPOSITION, EDIT_SYNC_WRITE);
    if (!repost)
        return false;
    if (test) {
        repostKey_ = key;
        return true;
    }
    return post_key_to_focus(key, lparam);
}

bool TextInputProcessor::handle_backspace(ITfContext* context, WPARAM key, LPARAM lparam, bool test)
{
    EngineOutput output;
    if (composing_) {
        if (test)
            return true;
        int taken;
        {
            EngineLock lock;
            taken = engine_backspace(engine_, &output);
        }
        note_learning_change();
        if (!taken)
            return false;
        composing_ = output.preedit[0] != 0;
        EditRequest request = make_edit_request(output);
        request.emptiedWord = request.commitLength == 0 && request.compositionLength == 0;
        request_edit_session(context, request, EDIT_APPLY, EDIT_SYNC_WRITE);
        return true;
    }
    bool reposted = compositionHolder_->composition && is_transitory(context) && GetFocus();
    if (!test || !reposted) {
        {
            EngineLock lock;
            engine_backspace(engine_, &output);
        }
        note_learning_change();
    }
    return finish_word_and_repost(context, key, lparam, test, true);
}

bool TextInputProcessor::handle_tab(ITfContext* context, WPARAM key, LPARAM lparam, bool test)
{
    bool hint = false;
    if (!key_down(VK_SHIFT) && !composing_) {
        EngineLock lock;
        hint = engine_alternative(engine_, nullptr, 0) != 0;
    }
    if (!hint)
        return finish_word_and_repost(context, key, lparam, test, false);
    if (test)
        return true;
    EngineOutput output;
    int span;
    {
        EngineLock lock;
        engine_swap(engine_, &output);
        span = engine_pending_span(engine_);
    }
    note_learning_change();
    composing_ = output.preedit[0] != 0;
    EditRequest request = make_edit_request(output);
    request.keepCount = keep_count(output, span, engine_get_options(engine_), false);
    request_edit_session(context, request, EDIT_APPLY, EDIT_SYNC_WRITE);
    return true;
}

bool TextInputProcessor::handle_character(ITfContext* context, wchar_t c, bool test)
{
    if (test)
        return true;
    if (!composing_) {
        // A new word: the field's input scope decides whether learning records it.
        request_edit_session(context, EditRequest{}, EDIT_READ_SCOPE, EDIT_SYNC_READ);
        push_engine_options();
    }
    EngineOutput output;
    int taken, span;
    bool hint;
    {
        EngineLock lock;
        taken = engine_key(engine_, c, &output);
        span = engine_pending_span(engine_);
        hint = engine_alternative(engine_, nullptr, 0) != 0;
    }
    note_learning_change();
    composing_ = output.preedit[0] != 0;
    EditRequest request = make_edit_request(output);
    request.keepCount = keep_count(output, span, engine_get_options(engine_), hint);
    if (!taken && request.commitLength < 599) {
        request.commitText[request.commitLength++] = c;
        request.commitText[request.commitLength] = 0;
    }
    request_edit_session(context, request, EDIT_APPLY, EDIT_SYNC_WRITE);
    return true;
}

bool TextInputProcessor::handle_key(ITfContext* context, WPARAM key, LPARAM lparam, bool test)
{
    if (!context || !engine_ || context_disabled(context) || is_ignored_key(key))
        return false;
    if (!composing_ && settingsWatcher_.poll())
        apply_settings();
    ITfContext* owner = compositionHolder_->context;
    if (owner && !same_object(owner, context)) {
        EngineOutput output;
        {
            EngineLock lock;
            engine_flush(engine_, &output);
        }
        detach_and_finish(make_edit_request(output), EDIT_APPLY, EDIT_ASYNC_WRITE);
        drop_word();
    }
    if (key_down(VK_MENU) || key_down(VK_LWIN) || key_down(VK_RWIN)) {
        finish_word(context, EDIT_SYNC_WRITE);
        return false;
    }
    if (key_down(VK_CONTROL))
        return finish_word_and_repost(context, key, lparam, test, false);
    if (engine_get_options(engine_) & OPT_ENGLISH_MODE)
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

void TextInputProcessor::refresh_hint(ITfContext* context)
{
    char alternative[64];
    bool offered;
    {
        EngineLock lock;
        offered = engine_alternative(engine_, alternative, sizeof alternative) != 0;
    }
    if (!offered) {
        hide_hint();
        return;
    }
    wchar_t word[64];
    miradot::utf8_to_utf16(alternative, word, 64);
    wchar_t text[96];
    _snwprintf(text, 95, L"Tab \u2192 %ls", word);
    text[95] = 0;
    show_hint(context, text);
}

void TextInputProcessor::show_hint(ITfContext* context, const wchar_t* text)
{
    if (!hint_.set_text(text))
        return;
    hint_.clear_placed();
    if (context && !is_transitory(context))
        request_edit_session(context, EditRequest{}, EDIT_HINT_POSITION, EDIT_SYNC_READ);
    if (!hint_.placed())
        hint_.place(nullptr);
}

void TextInputProcessor::hide_hint() { hint_.hide(); }
