// The text input processor: the COM object TSF creates on each thread where
// the profile is active. It answers the interfaces, activates and
// deactivates in their fixed order, advises the sinks and forwards them; the
// typing itself is its TypingSession. Features of their own (voice typing,
// translation, the update trigger) sit beside the typing session as members
// made at activation and shut down at deactivation.
#pragma once

#include "com_ptr.h"
#include "language_bar.h"
#include "language_switch.h"
#include "preserved_keys.h"
#include "settings_store.h"
#include "translation_client.h"
#include "tsf_interfaces.h"
#include "typing_session.h"
#include "voice_client.h"

#include <atomic>
#include <memory>

// Creates one text input processor and returns the requested interface.
HRESULT create_text_input_processor(REFIID riid, void** ppv);

namespace miradot {

// One per UI thread on which the profile is active; every method runs on that thread.
class TextInputProcessor final : public ITfTextInputProcessorEx,
                                 public ITfThreadMgrEventSink,
                                 public ITfKeyEventSink,
                                 public ITfCompositionSink,
                                 public ITfTextEditSink,
                                 public ITfCompartmentEventSink,
                                 public ITfDisplayAttributeProvider,
                                 public LanguageSwitch,
                                 public VoiceHost,
                                 public TranslationHost {
public:
    TextInputProcessor();

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // ITfTextInputProcessorEx
    STDMETHODIMP Activate(ITfThreadMgr* thread_mgr, TfClientId client_id) override;
    STDMETHODIMP ActivateEx(ITfThreadMgr* thread_mgr, TfClientId client_id, DWORD flags) override;
    STDMETHODIMP Deactivate() override;

    // ITfThreadMgrEventSink
    STDMETHODIMP OnInitDocumentMgr(ITfDocumentMgr*) override { return S_OK; }
    STDMETHODIMP OnUninitDocumentMgr(ITfDocumentMgr*) override { return S_OK; }
    STDMETHODIMP OnSetFocus(ITfDocumentMgr* focus, ITfDocumentMgr* previous) override;
    STDMETHODIMP OnPushContext(ITfContext*) override { return S_OK; }
    STDMETHODIMP OnPopContext(ITfContext*) override { return S_OK; }

    // ITfKeyEventSink
    STDMETHODIMP OnSetFocus(BOOL) override { return S_OK; }
    STDMETHODIMP OnTestKeyDown(ITfContext* context, WPARAM key, LPARAM lparam, BOOL* eaten) override;
    STDMETHODIMP OnKeyDown(ITfContext* context, WPARAM key, LPARAM lparam, BOOL* eaten) override;
    STDMETHODIMP OnTestKeyUp(ITfContext*, WPARAM, LPARAM, BOOL* eaten) override;
    STDMETHODIMP OnKeyUp(ITfContext*, WPARAM, LPARAM, BOOL* eaten) override;
    STDMETHODIMP OnPreservedKey(ITfContext* context, REFGUID guid, BOOL* eaten) override;

    // ITfCompositionSink, ITfTextEditSink
    STDMETHODIMP OnCompositionTerminated(TfEditCookie ec, ITfComposition* composition) override;
    STDMETHODIMP OnEndEdit(ITfContext* context, TfEditCookie ec, ITfEditRecord* record) override;

    // ITfCompartmentEventSink
    STDMETHODIMP OnChange(REFGUID guid) override;

    // ITfDisplayAttributeProvider (display_attribute.cpp)
    STDMETHODIMP EnumDisplayAttributeInfo(IEnumTfDisplayAttributeInfo** out) override;
    STDMETHODIMP GetDisplayAttributeInfo(REFGUID guid, ITfDisplayAttributeInfo** out) override;

    // LanguageSwitch
    bool is_vietnamese() override;
    void toggle() override;

    // VoiceHost
    void voice_finish_word(ITfContext* context) override { typing_.finish_word(context, EDIT_SYNC_WRITE); }
    void voice_write(ITfContext* context, const EditRequest* requests, size_t count) override
    {
        typing_.insert_text(context, requests, count);
    }
    Hotkey voice_hotkey_setting() override { return settings_.voiceHotkey; }
    // Voice typing is under way: the translation hotkey must be refused.
    bool voice_active() const { return voice_ && voice_->active(); }

    // TranslationHost: the typing session's notes, word and field, the settings.
    void show_note(CaretNote& note, ITfContext* context, const wchar_t* text) override
    {
        typing_.show_note(note, context, text);
    }
    void hide_hint() override { typing_.hide_hint(); }
    void finish_word(ITfContext* context, DWORD flags) override { typing_.finish_word(context, flags); }
    void drop_word() override { typing_.drop_word(); }
    bool field_is_private(ITfContext* context) override { return typing_.field_is_private(context); }
    const ServiceSettings& current_settings() override;
    TfClientId client_id() const override { return clientId_; }

private:
    ~TextInputProcessor();

    HRESULT activate(ITfThreadMgr* thread_mgr, TfClientId client_id);
    HRESULT deactivate();
    HRESULT focus_changed(ITfDocumentMgr* focus);
    HRESULT preserved_key(ITfContext* context, REFGUID guid, BOOL* eaten);
    // The one key pipeline, the same for a key's test pass (`test`: only what
    // a key that is not eaten needs) and its real pass: the translation note,
    // then voice typing, then (with changed settings applied while no word is
    // composed) typing; the hint follows last.
    bool key_down(ITfContext* context, WPARAM key, LPARAM lparam, bool test);
    // The pipeline with its faults contained.
    BOOL contained_key_down(ITfContext* context, WPARAM key, LPARAM lparam, bool test);
    // Re-reads the settings and hands them to the typing session and the hotkeys.
    void apply_settings();
    void apply_language_compartment();
    void advise_text_edit_sink(ITfDocumentMgr* document);
    void unadvise_text_edit_sink();
    void advise_language_compartment();
    void add_language_bar_button();
    void remove_language_bar_button();

    std::atomic<ULONG> refs_{1};
    ComPtr<ITfThreadMgr> threadMgr_;
    TfClientId clientId_ = TF_CLIENTID_NULL;
    DWORD threadMgrSinkCookie_ = TF_INVALID_COOKIE;
    bool keySinkAdvised_ = false;
    bool toggleKeyPreserved_ = false;
    ComPtr<ITfContext> editSinkContext_;
    DWORD editSinkCookie_ = TF_INVALID_COOKIE;
    ComPtr<ITfCompartment> languageCompartment_;
    DWORD compartmentSinkCookie_ = TF_INVALID_COOKIE;
    ComPtr<LangBarButton> langBarButton_;
    bool langBarButtonAdded_ = false;
    SettingsWatcher settingsWatcher_{};
    ServiceSettings settings_{};
    FeatureHotkeys hotkeys_{};
    HHOOK mouseHook_ = nullptr;
    TypingSession typing_;
    std::unique_ptr<VoiceClient> voice_;  // made at activation, shut down at deactivation
    std::shared_ptr<TranslationClient> translation_;
};

}  // namespace miradot
