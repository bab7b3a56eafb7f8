// The processor's lifecycle: activation and deactivation in their fixed order,
// the thread-manager and compartment sinks, and the Vietnamese/English switch
// kept in a global compartment so that one switch reaches every application.
#include "text_input_processor.h"

#include "com_ptr.h"
#include "engine_host.h"
#include "guids.h"
#include "language_bar.h"
#include "module.h"
#include "mouse_hook.h"
#include "processor.h"
#include "settings_launcher.h"

#include <new>

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

} // namespace

HRESULT create_text_input_processor(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_INVALIDARG;
    *ppv = nullptr;
    auto* processor = new (std::nothrow) TextInputProcessor();
    if (!processor)
        return E_OUTOFMEMORY;
    HRESULT hr = processor->QueryInterface(riid, ppv);
    processor->Release();
    return hr;
}

TextInputProcessor::TextInputProcessor()
    : compositionHolder_(CompositionHolder::create()), settings_(read_settings())
{
    module_lock();
}

TextInputProcessor::~TextInputProcessor()
{
    if (compositionHolder_)
        compositionHolder_->release();
    if (expectedCaret_)
        expectedCaret_->Release();
    if (engine_)
        engine_destroy(engine_);
    module_unlock();
}

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
    if (!thread_mgr)
        return E_INVALIDARG;
    if (!compositionHolder_)
        return E_OUTOFMEMORY;
    threadMgr_ = thread_mgr;
    threadMgr_->AddRef();
    clientId_ = client_id;
    ensure_engine_data();
    if (!engine_)
        engine_ = engine_create();
    if (!engine_) {
        Deactivate();
        return E_OUTOFMEMORY;
    }
    ensure_learned_data();
    settingsWatcher_.arm();
    apply_settings();
    update_check_trigger();

    if (FAILED(advise(threadMgr_, IID_ITfThreadMgrEventSink, static_cast<ITfThreadMgrEventSink*>(this),
                      threadMgrSinkCookie_))) {
        Deactivate();
        return E_FAIL;
    }
    ComPtr<ITfKeystrokeMgr> keystrokes = keystroke_manager(threadMgr_);
    if (keystrokes) {
        keySinkAdvised_ = SUCCEEDED(keystrokes->AdviseKeyEventSink(clientId_, this, TRUE));
        toggleKeyPreserved_ = SUCCEEDED(keystrokes->PreserveKey(clientId_, GUID_MIRADOT_KEY_LANGUAGE, &TOGGLE_KEY,
                                                                TOGGLE_DESCRIPTION, 29));
    }
    if (!keySinkAdvised_) {
        Deactivate();
        return E_FAIL;
    }
    register_feature_hotkeys(keystrokes.get(), clientId_, hotkeys_, settings_.voiceHotkey,
                             settings_.translateHotkey);

    ComPtr<ITfCategoryMgr> categories;
    if (SUCCEEDED(CoCreateInstance(CLSID_TF_CategoryMgr, nullptr, CLSCTX_INPROC_SERVER, IID_ITfCategoryMgr,
                                   categories.out_void()))
        && FAILED(categories->RegisterGUID(GUID_MIRADOT_DISPLAY_ATTRIBUTE, &displayAttributeAtom_)))
        displayAttributeAtom_ = 0;

    advise_language_compartment();
    apply_language_compartment();
    add_language_bar_button();

    ComPtr<ITfDocumentMgr> focus;
    if (SUCCEEDED(threadMgr_->GetFocus(focus.out())))
        advise_text_edit_sink(focus.get());
    mouseHook_ = install_mouse_hook(this);
    return S_OK;
}

STDMETHODIMP TextInputProcessor::Deactivate()
{
    hint_.destroy();
    settingsWatcher_.close();
    remove_mouse_hook(this, mouseHook_);
    mouseHook_ = nullptr;
    if (engine_)
        commit_pending_word(EDIT_SYNC_WRITE);
    unadvise_text_edit_sink();
    if (languageCompartment_) {
        unadvise(languageCompartment_, compartmentSinkCookie_);
        languageCompartment_->Release();
        languageCompartment_ = nullptr;
    }
    remove_language_bar_button();
    if (toggleKeyPreserved_ || keySinkAdvised_) {
        ComPtr<ITfKeystrokeMgr> keystrokes = keystroke_manager(threadMgr_);
        if (keystrokes && toggleKeyPreserved_)
            keystrokes->UnpreserveKey(GUID_MIRADOT_KEY_LANGUAGE, &TOGGLE_KEY);
        unregister_feature_hotkeys(keystrokes.get(), hotkeys_);
        if (keystrokes && keySinkAdvised_)
            keystrokes->UnadviseKeyEventSink(clientId_);
    }
    if (threadMgr_) {
        unadvise(threadMgr_, threadMgrSinkCookie_);
        threadMgr_->Release();
        threadMgr_ = nullptr;
    }
    toggleKeyPreserved_ = false;
    keySinkAdvised_ = false;
    threadMgrSinkCookie_ = TF_INVALID_COOKIE;
    if (expectedCaret_) {
        expectedCaret_->Release();
        expectedCaret_ = nullptr;
    }
    composing_ = false;
    save_learned_if_due(true);
    return S_OK;
}

// Commits the word being typed (with its word-end decisions) into the context
// it was typed in, and starts a fresh composition for what comes next.
void TextInputProcessor::commit_pending_word(DWORD flags)
{
    EngineOutput output;
    {
        EngineLock lock;
        engine_flush(engine_, &output);
    }
    composing_ = false;
    detach_and_finish(make_edit_request(output), EDIT_APPLY, flags);
}

STDMETHODIMP TextInputProcessor::OnSetFocus(ITfDocumentMgr* focus, ITfDocumentMgr*)
{
    update_check_trigger();
    if (engine_) {
        commit_pending_word(EDIT_ASYNC_WRITE);
        EngineLock lock;
        engine_reset(engine_);
    }
    composing_ = false;
    hide_hint();
    unadvise_text_edit_sink();
    advise_text_edit_sink(focus);
    apply_settings();
    save_learned_if_due(false);
    return S_OK;
}

void TextInputProcessor::advise_text_edit_sink(ITfDocumentMgr* document)
{
    ComPtr<ITfContext> top;
    if (!document || FAILED(document->GetTop(top.out())) || !top)
        return;
    if (SUCCEEDED(advise(top.get(), IID_ITfTextEditSink, static_cast<ITfTextEditSink*>(this), editSinkCookie_)))
        editSinkContext_ = top.detach();
}

void TextInputProcessor::unadvise_text_edit_sink()
{
    if (!editSinkContext_)
        return;
    unadvise(editSinkContext_, editSinkCookie_);
    editSinkContext_->Release();
    editSinkContext_ = nullptr;
}

void TextInputProcessor::advise_language_compartment()
{
    ComPtr<ITfCompartmentMgr> global;
    if (FAILED(threadMgr_->GetGlobalCompartment(global.out()))
        || FAILED(global->GetCompartment(GUID_MIRADOT_LANGUAGE_COMPARTMENT, &languageCompartment_))) {
        languageCompartment_ = nullptr;
        return;
    }
    advise(languageCompartment_, IID_ITfCompartmentEventSink, static_cast<ITfCompartmentEventSink*>(this),
           compartmentSinkCookie_);
}

void TextInputProcessor::add_language_bar_button()
{
    ComPtr<ITfLangBarItemMgr> items;
    langBarButton_ = new (std::nothrow) LangBarButton(this);
    if (langBarButton_ && SUCCEEDED(threadMgr_->QueryInterface(IID_ITfLangBarItemMgr, items.out_void())))
        langBarButtonAdded_ = SUCCEEDED(items->AddItem(langBarButton_));
}

void TextInputProcessor::remove_language_bar_button()
{
    if (!langBarButton_)
        return;
    ComPtr<ITfLangBarItemMgr> items;
    if (langBarButtonAdded_ && threadMgr_
        && SUCCEEDED(threadMgr_->QueryInterface(IID_ITfLangBarItemMgr, items.out_void())))
        items->RemoveItem(langBarButton_);
    langBarButtonAdded_ = false;
    langBarButton_->detach();
    langBarButton_->Release();
    langBarButton_ = nullptr;
}

void TextInputProcessor::push_engine_options()
{
    if (!engine_)
        return;
    engine_set_method(engine_, settings_.method);
    uint32_t options = settings_.options;
    if (englishMode_)
        options |= OPT_ENGLISH_MODE;
    if (privateField_)
        options &= ~OPT_LEARN;
    engine_set_options(engine_, options);
}

void TextInputProcessor::apply_settings()
{
    settings_ = read_settings();
    honour_clear_seq(settings_.clearSeq);
    push_engine_options();
    if (keySinkAdvised_) {
        ComPtr<ITfKeystrokeMgr> keystrokes = keystroke_manager(threadMgr_);
        register_feature_hotkeys(keystrokes.get(), clientId_, hotkeys_, settings_.voiceHotkey,
                                 settings_.translateHotkey);
    }
}

void TextInputProcessor::apply_language_compartment()
{
    englishMode_ = false;
    if (languageCompartment_) {
        VARIANT value;
        VariantInit(&value);
        englishMode_ = SUCCEEDED(languageCompartment_->GetValue(&value)) && value.vt == VT_I4 && value.lVal != 0;
        VariantClear(&value);
    }
    push_engine_options();
    if (langBarButton_)
        langBarButton_->refresh();
}

bool TextInputProcessor::is_vietnamese() { return engine_ && !(engine_get_options(engine_) & OPT_ENGLISH_MODE); }

void TextInputProcessor::toggle()
{
    if (!engine_)
        return;
    if (composing_ || holder_keeps_characters())
        commit_pending_word(EDIT_ASYNC_WRITE);
    bool english = !(engine_get_options(engine_) & OPT_ENGLISH_MODE);
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
    englishMode_ = english;
    push_engine_options();
    if (langBarButton_)
        langBarButton_->refresh();
}

STDMETHODIMP TextInputProcessor::OnChange(REFGUID guid)
{
    if (!IsEqualGUID(guid, GUID_MIRADOT_LANGUAGE_COMPARTMENT))
        return S_OK;
    if (engine_ && (composing_ || holder_keeps_characters()))
        commit_pending_word(EDIT_ASYNC_WRITE);
    apply_language_compartment();
    return S_OK;
}

STDMETHODIMP TextInputProcessor::OnPreservedKey(ITfContext* context, REFGUID guid, BOOL* eaten)
{
    if (!eaten)
        return E_INVALIDARG;
    *eaten = FALSE;
    if (host_is_settings_program())
        return S_OK;
    if (IsEqualGUID(guid, GUID_MIRADOT_KEY_LANGUAGE)) {
        finish_word(context, EDIT_SYNC_WRITE);
        toggle();
        *eaten = TRUE;
    } else if (IsEqualGUID(guid, GUID_MIRADOT_KEY_VOICE) || IsEqualGUID(guid, GUID_MIRADOT_KEY_TRANSLATE)) {
        // Voice typing and translation take their keys here; without them the key does nothing.
        *eaten = TRUE;
    }
    return S_OK;
}
