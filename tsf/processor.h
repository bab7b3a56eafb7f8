#pragma once

#include "composition.h"
#include "edit_request.h"
#include "hint_window.h"
#include "preserved_keys.h"
#include "tsf_interfaces.h"

#include "engine.h"
#include "settings_store.h"

#include <atomic>

class LangBarButton;

// The Vietnamese/English switch as the language bar button sees it.
class LanguageSwitch {
public:
    virtual bool is_vietnamese() = 0;
    virtual void toggle() = 0;

protected:
    ~LanguageSwitch() = default;
};

// One per UI thread on which the profile is active; every method runs on that thread.
class TextInputProcessor final : public ITfTextInputProcessorEx,
                                 public ITfThreadMgrEventSink,
                                 public ITfKeyEventSink,
                                 public ITfCompositionSink,
                                 public ITfTextEditSink,
                                 public ITfCompartmentEventSink,
                                 public ITfDisplayAttributeProvider,
                                 public LanguageSwitch {
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

    // ITfKeyEventSink (key_handling.cpp)
    STDMETHODIMP OnSetFocus(BOOL) override { return S_OK; }
    STDMETHODIMP OnTestKeyDown(ITfContext* context, WPARAM key, LPARAM lparam, BOOL* eaten) override;
    STDMETHODIMP OnKeyDown(ITfContext* context, WPARAM key, LPARAM lparam, BOOL* eaten) override;
    STDMETHODIMP OnTestKeyUp(ITfContext*, WPARAM, LPARAM, BOOL* eaten) override;
    STDMETHODIMP OnKeyUp(ITfContext*, WPARAM, LPARAM, BOOL* eaten) override;
    STDMETHODIMP OnPreservedKey(ITfContext* context, REFGUID guid, BOOL* eaten) override;

    // ITfCompositionSink, ITfTextEditSink (composition_sinks.cpp)
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

    // Edit sessions (edit_session.cpp) and their work (composition.cpp).
    HRESULT request_edit_session(ITfContext* context, const EditRequest& request, EditKind kind,
                                 DWORD flags, CompositionHolder* holder = nullptr);
    void detach_and_finish(const EditRequest& request, EditKind kind, DWORD flags);
    HRESULT do_edit(TfEditCookie ec, ITfContext* context, const EditRequest& request, EditKind kind,
                    CompositionHolder* holder);

    // Key handling (key_handling.cpp).
    void finish_word(ITfContext* context, DWORD flags);
    void drop_word();
    // A click in a legacy control: ends the word as shown; false when there was none.
    bool end_word_for_click();

    // The hint window (hint text shown near the caret).
    void show_hint(ITfContext* context, const wchar_t* text);
    void hide_hint();

    // Settings pushed into the engine.
    void apply_settings();

    TfClientId client_id() const { return clientId_; }
    HintWindow& hint() { return hint_; }

private:
    ~TextInputProcessor();

    // Lifecycle helpers (text_input_processor.cpp).
    void push_engine_options();
    void apply_language_compartment();
    void commit_pending_word(DWORD flags);
    void advise_text_edit_sink(ITfDocumentMgr* document);
    void unadvise_text_edit_sink();
    void advise_language_compartment();
    void add_language_bar_button();
    void remove_language_bar_button();

    // Key handling internals (key_handling.cpp).
    bool handle_key(ITfContext* context, WPARAM key, LPARAM lparam, bool test);
    bool finish_word_and_repost(ITfContext* context, WPARAM key, LPARAM lparam, bool test,
                                bool from_backspace);
    bool handle_backspace(ITfContext* context, WPARAM key, LPARAM lparam, bool test);
    bool handle_tab(ITfContext* context, WPARAM key, LPARAM lparam, bool test);
    bool handle_character(ITfContext* context, wchar_t c, bool test);
    bool context_disabled(ITfContext* context);
    bool holder_keeps_characters() const;
    void refresh_hint(ITfContext* context);

    // Edit work (composition.cpp).
    HRESULT apply_request(TfEditCookie ec, ITfContext* context, const EditRequest& request,
                          CompositionHolder* holder);
    void end_composition(TfEditCookie ec, CompositionHolder* holder);
    void read_input_scope(TfEditCookie ec, ITfContext* context);
    void place_hint_from_selection(TfEditCookie ec, ITfContext* context);
    void clear_display_attribute(TfEditCookie ec, ITfContext* context, ITfRange* range);
    void set_display_attribute(TfEditCookie ec, ITfContext* context, ITfRange* range);
    void insert_plain_text(TfEditCookie ec, ITfContext* context, const EditRequest& request,
                           CompositionHolder* holder);
    void remember_caret(TfEditCookie ec, ITfContext* context, ITfRange* composition_range);

    std::atomic<ULONG> refs_{1};
    ITfThreadMgr* threadMgr_ = nullptr;
    TfClientId clientId_ = TF_CLIENTID_NULL;
    DWORD threadMgrSinkCookie_ = TF_INVALID_COOKIE;
    bool keySinkAdvised_ = false;
    bool toggleKeyPreserved_ = false;
    ITfContext* editSinkContext_ = nullptr;
    DWORD editSinkCookie_ = TF_INVALID_COOKIE;
    ITfCompartment* languageCompartment_ = nullptr;
    DWORD compartmentSinkCookie_ = TF_INVALID_COOKIE;
    CompositionHolder* compositionHolder_ = nullptr;
    ITfRange* expectedCaret_ = nullptr;
    TfGuidAtom displayAttributeAtom_ = 0;
    LangBarButton* langBarButton_ = nullptr;
    bool langBarButtonAdded_ = false;
    EngineContext* engine_ = nullptr;
    bool composing_ = false;
    WPARAM repostKey_ = 0;
    SettingsWatcher settingsWatcher_{};
    ServiceSettings settings_{};
    bool englishMode_ = false;
    bool privateField_ = false;
    FeatureHotkeys hotkeys_{};
    HintWindow hint_{};
    HHOOK mouseHook_ = nullptr;
};
