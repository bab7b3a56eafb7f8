// The processor's lifecycle: activation and deactivation in their fixed order,
// the sinks it advises and forwards, and the Vietnamese/English switch kept in
// a global compartment so that one switch reaches every application.
#include "text_input_processor.h"

#include "contained.h"
#include "diagnostics_log.h"
#include "engine_host.h"
#include "guids.h"
#include "module.h"
#include "mouse_hook.h"
#include "settings_launcher.h"

#include <new>

HRESULT create_text_input_processor(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_INVALIDARG;
    *ppv = nullptr;
    auto* processor = new (std::nothrow) miradot::TextInputProcessor();
    if (!processor)
        return E_OUTOFMEMORY;
    HRESULT hr = processor->QueryInterface(riid, ppv);
    processor->Release();
    return hr;
}

namespace miradot {

namespace {

constexpr wchar_t TOGGLE_DESCRIPTION[] = L"miraDot: Vietnamese / English";

const TF_PRESERVEDKEY TOGGLE_KEY = {VK_SPACE, TF_MOD_CONTROL | TF_MOD_SHIFT};

ComPtr<ITfKeystrokeMgr> keystroke_manager(ITfThreadMgr* thread_mgr)
{
    ComPtr<ITfKeystrokeMgr> keystrokes;
    if (thread_mgr)
        thread_mgr->QueryInterface(IID_ITfKeystrokeMgr, keystrokes.out_void());
    return keystrokes;
}

HRESULT unadvise(IUnknown* source_object, DWORD& cookie)
{
    ComPtr<ITfSource> source;
    HRESULT hr = E_FAIL;
    if (cookie != TF_INVALID_COOKIE && source_object
        && SUCCEEDED(source_object->QueryInterface(IID_ITfSource, source.out_void())))
        hr = source->UnadviseSink(cookie);
    cookie = TF_INVALID_COOKIE;
    return hr;
}

HRESULT advise(IUnknown* source_object, REFIID riid, IUnknown* sink, DWORD& cookie)
{
    cookie = TF_INVALID_COOKIE;
    ComPtr<ITfSource> source;
    if (!source_object || FAILED(source_object->QueryInterface(IID_ITfSource, source.out_void())))
        return E_FAIL;
    HRESULT hr = source->AdviseSink(riid, sink, &cookie);
    if (FAILED(hr))
        cookie = TF_INVALID_COOKIE;
    return hr;
}

}  // namespace

TextInputProcessor::TextInputProcessor()
    : settings_(read_settings()), typing_(static_cast<ITfTextInputProcessorEx*>(this),
                                          static_cast<ITfCompositionSink*>(this), static_cast<LanguageSwitch*>(this))
{
    module_lock();
}

TextInputProcessor::~TextInputProcessor() { module_unlock(); }

STDMETHODIMP TextInputProcessor::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_INVALIDARG;
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_ITfTextInputProcessor)
        || IsEqualIID(riid, IID_ITfTextInputProcessorEx))
        *ppv = static_cast<ITfTextInputProcessorEx*>(this);
    else if (IsEqualIID(riid, IID_ITfThreadMgrEventSink))
        *ppv = static_cast<ITfThreadMgrEventSink*>(this);
    else if (IsEqualIID(riid, IID_ITfKeyEventSink))
        *ppv = static_cast<ITfKeyEventSink*>(this);
    else if (IsEqualIID(riid, IID_ITfCompositionSink))
        *ppv = static_cast<ITfCompositionSink*>(this);
    else if (IsEqualIID(riid, IID_ITfTextEditSink))
        *ppv = static_cast<ITfTextEditSink*>(this);
    else if (IsEqualIID(riid, IID_ITfCompartmentEventSink))
        *ppv = static_cast<ITfCompartmentEventSink*>(this);
    else if (IsEqualIID(riid, IID_ITfDisplayAttributeProvider))
        *ppv = static_cast<ITfDisplayAttributeProvider*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) TextInputProcessor::AddRef() { return ++refs_; }

STDMETHODIMP_(ULONG) TextInputProcessor::Release()
{
    ULONG left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

STDMETHODIMP TextInputProcessor::Activate(ITfThreadMgr* thread_mgr, TfClientId client_id)
{
    return ActivateEx(thread_mgr, client_id, 0);
}

STDMETHODIMP TextInputProcessor::ActivateEx(ITfThreadMgr* thread_mgr, TfClientId client_id, DWORD)
{
    bool finished = false;
    HRESULT hr = contained(
        [&] {
            HRESULT result = activate(thread_mgr, client_id);
            finished = true;
            return result;
        },
        E_OUTOFMEMORY);
    // A fault part-way: what was taken is given back.
    if (!finished)
        Deactivate();
    return hr;
}

HRESULT TextInputProcessor::activate(ITfThreadMgr* thread_mgr, TfClientId client_id)
{
    if (!thread_mgr)
        return E_INVALIDARG;
    if (!typing_.ready())
        return E_OUTOFMEMORY;
    threadMgr_ = ComPtr<ITfThreadMgr>::retain(thread_mgr);
    clientId_ = client_id;
    ensure_engine_data();
    if (!typing_.start(clientId_)) {
        Deactivate();
        return E_OUTOFMEMORY;
    }
    ensure_learned_data();
    settingsWatcher_.arm();
    apply_settings();
    update_check_trigger();

    if (FAILED(advise(threadMgr_.get(), IID_ITfThreadMgrEventSink, static_cast<ITfThreadMgrEventSink*>(this),
                      threadMgrSinkCookie_))) {
        Deactivate();
        return E_FAIL;
    }
    ComPtr<ITfKeystrokeMgr> keystrokes = keystroke_manager(threadMgr_.get());
    if (keystrokes) {
        keySinkAdvised_ = SUCCEEDED(keystrokes->AdviseKeyEventSink(clientId_, this, TRUE));
        toggleKeyPreserved_ = SUCCEEDED(
            keystrokes->PreserveKey(clientId_, GUID_MIRADOT_KEY_LANGUAGE, &TOGGLE_KEY, TOGGLE_DESCRIPTION, 29));
    }
    if (!keySinkAdvised_) {
        Deactivate();
        return E_FAIL;
    }
    register_feature_hotkeys(keystrokes.get(), clientId_, hotkeys_, settings_.voiceHotkey, settings_.translateHotkey);

    ComPtr<ITfCategoryMgr> categories;
    TfGuidAtom atom = 0;
    if (SUCCEEDED(CoCreateInstance(CLSID_TF_CategoryMgr, nullptr, CLSCTX_INPROC_SERVER, IID_ITfCategoryMgr,
                                   categories.out_void()))
        && FAILED(categories->RegisterGUID(GUID_MIRADOT_DISPLAY_ATTRIBUTE, &atom)))
        atom = 0;
    typing_.set_display_attribute(atom);

    advise_language_compartment();
    apply_language_compartment();
    add_language_bar_button();

    ComPtr<ITfDocumentMgr> focus;
    if (SUCCEEDED(threadMgr_->GetFocus(focus.out())))
        advise_text_edit_sink(focus.get());
    mouseHook_ = install_mouse_hook(&typing_);
    voice_.reset(new (std::nothrow) VoiceClient(*this));
    try {
        translation_ = std::make_shared<TranslationClient>(*this);
    } catch (const std::bad_alloc&) {
        // Without memory for it, the translation hotkey does nothing.
    }
    miradot::log_event("activation, key sink %s", keySinkAdvised_ ? "advised" : "refused");
    return S_OK;
}

STDMETHODIMP TextInputProcessor::Deactivate()
{
    return contained([&] { return deactivate(); });
}

HRESULT TextInputProcessor::deactivate()
{
    voice_.reset();  // cancels what is under way and lets the worker go
    if (translation_) {
        translation_->shutdown();
        translation_.reset();
    }
    typing_.hint().destroy();
    settingsWatcher_.close();
    remove_mouse_hook(&typing_, mouseHook_);
    mouseHook_ = nullptr;
    typing_.stop();
    unadvise_text_edit_sink();
    if (languageCompartment_) {
        unadvise(languageCompartment_.get(), compartmentSinkCookie_);
        languageCompartment_.reset();
    }
    remove_language_bar_button();
    if (toggleKeyPreserved_ || keySinkAdvised_) {
        ComPtr<ITfKeystrokeMgr> keystrokes = keystroke_manager(threadMgr_.get());
        if (keystrokes && toggleKeyPreserved_)
            keystrokes->UnpreserveKey(GUID_MIRADOT_KEY_LANGUAGE, &TOGGLE_KEY);
        unregister_feature_hotkeys(keystrokes.get(), hotkeys_);
        if (keystrokes && keySinkAdvised_)
            keystrokes->UnadviseKeyEventSink(clientId_);
    }
    if (threadMgr_) {
        unadvise(threadMgr_.get(), threadMgrSinkCookie_);
        threadMgr_.reset();
    }
    toggleKeyPreserved_ = false;
    keySinkAdvised_ = false;
    threadMgrSinkCookie_ = TF_INVALID_COOKIE;
    save_learned_if_due(true);
    return S_OK;
}

STDMETHODIMP TextInputProcessor::OnSetFocus(ITfDocumentMgr* focus, ITfDocumentMgr*)
{
    contained([&] { return focus_changed(focus); });
    return S_OK;
}

HRESULT TextInputProcessor::focus_changed(ITfDocumentMgr* focus)
{
    update_check_trigger();
    if (translation_)
        translation_->dismiss();
    ComPtr<ITfContext> top;
    if (focus && FAILED(focus->GetTop(top.out())))
        top.reset();
    typing_.focus_changed(top.get());
    unadvise_text_edit_sink();
    advise_text_edit_sink(focus);
    apply_settings();
    save_learned_if_due(false);
    return S_OK;
}

bool TextInputProcessor::key_down(ITfContext* context, WPARAM key, LPARAM lparam, bool test)
{
    // A translation note that is up takes Esc and Tab; any other key drops it.
    if (translation_ && translation_->key(key, test))
        return true;
    bool eaten;
    // While voice typing is under way every key belongs to it.
    if (voice_ && voice_->take_key(key, test)) {
        eaten = true;
    } else if (typing_.takes_keys_of(context, key)) {
        if (!typing_.composing() && settingsWatcher_.poll())
            apply_settings();
        refresh_user_shorthand();
        eaten = typing_.handle_key(context, key, lparam, test);
    } else {
        eaten = false;
    }
    // A fault's note stays up over the hint.
    if (!typing_.faulted_in(context))
        typing_.refresh_hint_after(context, key, test, eaten);
    return eaten;
}

BOOL TextInputProcessor::contained_key_down(ITfContext* context, WPARAM key, LPARAM lparam, bool test)
{
    bool eaten = false;
    if (FAILED(contained([&] {
            eaten = key_down(context, key, lparam, test);
            return S_OK;
        })))
        typing_.contain_fault(context);
    // A key whose handling failed, its edit session included, goes on to the
    // application, which keeps the document as it was.
    return eaten && !typing_.faulted_in(context);
}

STDMETHODIMP TextInputProcessor::OnTestKeyDown(ITfContext* context, WPARAM key, LPARAM lparam, BOOL* eaten)
{
    if (!eaten)
        return E_INVALIDARG;
    *eaten = contained_key_down(context, key, lparam, true);
    return S_OK;
}

STDMETHODIMP TextInputProcessor::OnKeyDown(ITfContext* context, WPARAM key, LPARAM lparam, BOOL* eaten)
{
    if (!eaten)
        return E_INVALIDARG;
    *eaten = contained_key_down(context, key, lparam, false);
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

STDMETHODIMP TextInputProcessor::OnPreservedKey(ITfContext* context, REFGUID guid, BOOL* eaten)
{
    if (!eaten)
        return E_INVALIDARG;
    *eaten = FALSE;
    if (host_is_settings_program())
        return S_OK;
    if (FAILED(contained([&] { return preserved_key(context, guid, eaten); })))
        typing_.contain_fault(context);
    return S_OK;
}

HRESULT TextInputProcessor::preserved_key(ITfContext* context, REFGUID guid, BOOL* eaten)
{
    if (IsEqualGUID(guid, GUID_MIRADOT_KEY_LANGUAGE)) {
        *eaten = TRUE;
        // Keys typed before the switch and still held are handled as they were typed.
        if (typing_.hold_language_switch(context))
            return S_OK;
        typing_.finish_word(context, EDIT_SYNC_WRITE);
        toggle();
        *eaten = TRUE;
    } else if (IsEqualGUID(guid, GUID_MIRADOT_KEY_VOICE)) {
        if (voice_)
            voice_->hotkey(context);
        *eaten = TRUE;
    } else if (IsEqualGUID(guid, GUID_MIRADOT_KEY_TRANSLATE)) {
        // Refused while voice typing is under way.
        if (translation_ && !voice_active())
            translation_->hotkey(context);
        *eaten = TRUE;
    }
    return S_OK;
}

STDMETHODIMP TextInputProcessor::OnEndEdit(ITfContext* context, TfEditCookie ec, ITfEditRecord* record)
{
    BOOL selection_changed = FALSE;
    if (context && record && SUCCEEDED(record->GetSelectionStatus(&selection_changed)) && selection_changed
        && FAILED(contained([&] {
               typing_.selection_changed(context, ec);
               return S_OK;
           })))
        typing_.contain_fault(context);
    return S_OK;
}

STDMETHODIMP TextInputProcessor::OnCompositionTerminated(TfEditCookie ec, ITfComposition* composition)
{
    contained([&] {
        typing_.composition_terminated(ec, composition);
        return S_OK;
    });
    return S_OK;
}

void TextInputProcessor::advise_text_edit_sink(ITfDocumentMgr* document)
{
    ComPtr<ITfContext> top;
    if (!document || FAILED(document->GetTop(top.out())) || !top)
        return;
    if (SUCCEEDED(advise(top.get(), IID_ITfTextEditSink, static_cast<ITfTextEditSink*>(this), editSinkCookie_)))
        editSinkContext_ = std::move(top);
}

void TextInputProcessor::unadvise_text_edit_sink()
{
    if (!editSinkContext_)
        return;
    unadvise(editSinkContext_.get(), editSinkCookie_);
    editSinkContext_.reset();
}

void TextInputProcessor::advise_language_compartment()
{
    ComPtr<ITfCompartmentMgr> global;
    if (FAILED(threadMgr_->GetGlobalCompartment(global.out()))
        || FAILED(global->GetCompartment(GUID_MIRADOT_LANGUAGE_COMPARTMENT, languageCompartment_.out()))) {
        languageCompartment_.reset();
        return;
    }
    advise(languageCompartment_.get(), IID_ITfCompartmentEventSink, static_cast<ITfCompartmentEventSink*>(this),
           compartmentSinkCookie_);
}

void TextInputProcessor::add_language_bar_button()
{
    ComPtr<ITfLangBarItemMgr> items;
    langBarButton_.attach(new (std::nothrow) LangBarButton(this));
    if (langBarButton_ && SUCCEEDED(threadMgr_->QueryInterface(IID_ITfLangBarItemMgr, items.out_void())))
        langBarButtonAdded_ = SUCCEEDED(items->AddItem(langBarButton_.get()));
}

void TextInputProcessor::remove_language_bar_button()
{
    if (!langBarButton_)
        return;
    ComPtr<ITfLangBarItemMgr> items;
    if (langBarButtonAdded_ && threadMgr_
        && SUCCEEDED(threadMgr_->QueryInterface(IID_ITfLangBarItemMgr, items.out_void())))
        items->RemoveItem(langBarButton_.get());
    langBarButtonAdded_ = false;
    langBarButton_->detach();
    langBarButton_.reset();
}

const ServiceSettings& TextInputProcessor::current_settings()
{
    if (!typing_.composing() && settingsWatcher_.poll())
        apply_settings();
    return settings_;
}

void TextInputProcessor::apply_settings()
{
    settings_ = read_settings();
    honour_clear_seq(settings_.clearSeq);
    typing_.set_settings(settings_.method, settings_.options);
    if (keySinkAdvised_) {
        ComPtr<ITfKeystrokeMgr> keystrokes = keystroke_manager(threadMgr_.get());
        register_feature_hotkeys(keystrokes.get(), clientId_, hotkeys_, settings_.voiceHotkey,
                                 settings_.translateHotkey);
    }
}

void TextInputProcessor::apply_language_compartment()
{
    bool english = false;
    if (languageCompartment_) {
        VARIANT value;
        VariantInit(&value);
        english = SUCCEEDED(languageCompartment_->GetValue(&value)) && value.vt == VT_I4 && value.lVal != 0;
        VariantClear(&value);
    }
    typing_.set_english(english);
    if (langBarButton_)
        langBarButton_->refresh();
}

bool TextInputProcessor::is_vietnamese() { return typing_.started() && !typing_.english(); }

void TextInputProcessor::toggle()
{
    if (!typing_.started())
        return;
    if (typing_.has_pending_word())
        typing_.commit_pending_word(EDIT_ASYNC_WRITE);
    bool english = !typing_.english();
    if (languageCompartment_) {
        VARIANT value;
        VariantInit(&value);
        value.vt = VT_I4;
        value.lVal = english ? 1 : 0;
        // The compartment's change event applies the state here and in every other
        // instance; without our own sink on it, this instance applies it itself.
        if (SUCCEEDED(languageCompartment_->SetValue(clientId_, &value))) {
            if (compartmentSinkCookie_ == TF_INVALID_COOKIE)
                apply_language_compartment();
            return;
        }
    }
    typing_.set_english(english);
    if (langBarButton_)
        langBarButton_->refresh();
}

STDMETHODIMP TextInputProcessor::OnChange(REFGUID guid)
{
    if (!IsEqualGUID(guid, GUID_MIRADOT_LANGUAGE_COMPARTMENT))
        return S_OK;
    contained([&] {
        if (typing_.started() && typing_.has_pending_word())
            typing_.commit_pending_word(EDIT_ASYNC_WRITE);
        apply_language_compartment();
        return S_OK;
    });
    return S_OK;
}

}  // namespace miradot
