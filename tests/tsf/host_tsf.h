// The test host's own small TSF layer. Wine's msctf 8.0 creates thread and
// document managers, contexts over a text store, client ids, the category
// manager's GUID atoms and a working global compartment, but leaves ITfRange
// (text, shifting, cloning), compositions, properties (the display attribute,
// the input scope), edit records for the text edit sink and
// ITfKeystrokeMgr::KeyDown/TestKeyDown as stubs, and has no language bar item
// manager. This layer supplies exactly those pieces around a document of its
// own, so that the real text input processor runs unchanged; global
// compartments, client ids and GUID atoms stay Wine's.
#pragma once

#include "../../tsf/tsf_interfaces.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

struct Span {
    int start = 0;
    int end = 0;
    bool operator==(const Span&) const = default;
};

// How the application answers edit-session requests.
enum class SessionPolicy {
    Grant,      // synchronous when asked; asynchronous ones run after the key
    AsyncOnly,  // synchronous requests are answered TF_E_SYNCHRONOUS
    Deferred,   // as AsyncOnly, and granted only when the test runs them, many keys later
    Refuse,     // every request fails
};

class HostContext;

// Dispatches the key-downs and characters posted to this thread's windows;
// false when there were none.
bool dispatch_posted_key_downs();

// The font documents are drawn and measured with; it has the Vietnamese letters.
HFONT document_font();

// One document of the application: its text store, caret and composition.
class HostDocument {
public:
    explicit HostDocument(bool transitory = false);
    ~HostDocument();

    ITfDocumentMgr* document_manager();
    ITfContext* context();

    const std::wstring& text() const { return text_; }
    Span selection() const;
    bool composing() const;
    Span composition_span() const;
    // Spans carrying the display attribute `atom`.
    std::vector<Span> attribute_spans(LONG atom) const;

    // What the application does itself with a key the processor did not eat:
    // characters, Enter (a line break), Backspace, Left and Right.
    void key_plainly(UINT vk, const BYTE* keyboard);
    void type_plainly(wchar_t c);
    void backspace_plainly();
    // The user clicks elsewhere: the caret moves without the processor.
    void move_caret(int position);
    // The application rewrites [start, end) itself, as a page script or a
    // cell editor does, and leaves the caret at the end of the field. A change
    // that touches the composition terminates it first, as TSF asks of
    // applications; one outside it leaves the composition alone.
    void rewrite(int start, int end, const wchar_t* text);
    // Grants the asynchronous edit sessions requested so far, and those of
    // the keys the processor sends again meanwhile.
    void run_pending_sessions();
    bool has_pending_sessions() const { return !pending_.empty(); }

    std::vector<InputScope> inputScopes;  // what the field declares; empty = nothing
    SessionPolicy policy = SessionPolicy::Grant;
    std::function<SessionPolicy()> choosePolicy;  // when set, asked anew for every request
    long requests = 0;
    bool acceptsCompositions = true;
    HWND window = nullptr;  // where the text is drawn, for text extents
    int sessionsRun = 0;

    // For the document's COM objects.
    struct Anchors {
        int start = 0;
        int end = 0;
    };
    std::shared_ptr<Anchors> track(int start, int end);
    void replace(Anchors& range, const wchar_t* text, int length);
    HRESULT request_session(ITfEditSession* session, DWORD flags, HRESULT* result);
    void set_selection(int start, int end);
    HRESULT start_composition(const Anchors& at, ITfCompositionSink* sink, ITfComposition** out);
    void end_composition();
    void set_attribute(const Anchors& at, LONG atom);
    void clear_attribute(const Anchors* at);
    RECT text_extent(int start, int end) const;
    bool transitory() const { return transitory_; }
    bool in_write_session() const { return writing_; }
    void add_edit_sink(ITfTextEditSink* sink) { editSinks_.push_back(sink); }
    size_t edit_sinks() const { return editSinks_.size(); }
    bool remove_edit_sink(DWORD cookie);

private:
    HRESULT run_session(ITfEditSession* session, bool write);
    int clamp(int position) const;

    std::wstring text_;
    std::shared_ptr<Anchors> selection_;
    std::vector<std::weak_ptr<Anchors>> tracked_;
    struct Attribute {
        std::shared_ptr<Anchors> at;
        LONG atom;
    };
    std::vector<Attribute> attributes_;
    std::shared_ptr<Anchors> composition_;
    ITfComposition* compositionObject_ = nullptr;
    ITfCompositionSink* compositionSink_ = nullptr;
    std::vector<std::pair<ITfEditSession*, bool>> pending_;
    std::vector<ITfTextEditSink*> editSinks_;
    bool busy_ = false;
    bool writing_ = false;
    bool selectionChanged_ = false;
    bool transitory_;
    HostContext* context_;
    ITfDocumentMgr* documentMgr_;
};

// The thread manager the processor is activated with: keystrokes and the
// language bar are the host's own, compartments and client ids Wine's.
class HostThreadMgr final : public ITfThreadMgr, public ITfKeystrokeMgr, public ITfLangBarItemMgr, public ITfSource {
public:
    HostThreadMgr();

    // Creates the registered text input processor and activates it here;
    // with `dll`, the processor of that DLL, loaded without registration.
    HRESULT activate_processor(const wchar_t* dll = nullptr);
    void deactivate_processor();
    void set_focus(HostDocument* document);

    // A real key-down with these modifiers held, dispatched as TSF would;
    // keys the processor does not eat go to the focused document. Key-downs
    // the processor posted to a document window meanwhile are dispatched the
    // same way (deliver_key_down) before it returns.
    bool press(UINT vk, bool shift = false, bool ctrl = false, bool alt = false);
    // Presses the key of each character; one this layout has no key for fails the test.
    void type(const wchar_t* keys);
    // A key-down a document window received from the message queue.
    void deliver_key_down(HostDocument* document, WPARAM key, LPARAM lparam);
    // The thread manager with a processor active on this thread.
    static HostThreadMgr* on_this_thread();

    ITfTextInputProcessor* processor() const { return processor_; }
    ITfLangBarItemButton* button() const { return button_; }
    int buttonUpdates = 0;
    bool offerGlobalCompartment = true;
    bool offerLanguageBar = true;
    bool acceptKeySink = true;
    bool event_sink_advised() const { return eventSink_ != nullptr; }
    size_t preserved_keys() const { return preserved_.size(); }
    bool preserved(REFGUID guid, UINT vk, UINT modifiers) const;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override;

    // ITfThreadMgr
    STDMETHODIMP Activate(TfClientId* id) override;
    STDMETHODIMP Deactivate() override { return S_OK; }
    STDMETHODIMP CreateDocumentMgr(ITfDocumentMgr**) override { return E_NOTIMPL; }
    STDMETHODIMP EnumDocumentMgrs(IEnumTfDocumentMgrs**) override { return E_NOTIMPL; }
    STDMETHODIMP GetFocus(ITfDocumentMgr** focus) override;
    STDMETHODIMP SetFocus(ITfDocumentMgr*) override { return E_NOTIMPL; }
    STDMETHODIMP AssociateFocus(HWND, ITfDocumentMgr*, ITfDocumentMgr**) override { return E_NOTIMPL; }
    STDMETHODIMP IsThreadFocus(BOOL* focus) override;
    STDMETHODIMP GetFunctionProvider(REFCLSID, ITfFunctionProvider**) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFunctionProviders(IEnumTfFunctionProviders**) override { return E_NOTIMPL; }
    STDMETHODIMP GetGlobalCompartment(ITfCompartmentMgr** out) override;

    // ITfKeystrokeMgr
    STDMETHODIMP AdviseKeyEventSink(TfClientId id, ITfKeyEventSink* sink, BOOL foreground) override;
    STDMETHODIMP UnadviseKeyEventSink(TfClientId id) override;
    STDMETHODIMP GetForeground(CLSID* clsid) override;
    STDMETHODIMP TestKeyDown(WPARAM, LPARAM, BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP TestKeyUp(WPARAM, LPARAM, BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP KeyDown(WPARAM key, LPARAM lparam, BOOL* eaten) override;
    STDMETHODIMP KeyUp(WPARAM, LPARAM, BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP GetPreservedKey(ITfContext*, const TF_PRESERVEDKEY*, GUID*) override { return E_NOTIMPL; }
    STDMETHODIMP IsPreservedKey(REFGUID guid, const TF_PRESERVEDKEY* key, BOOL* registered) override;
    STDMETHODIMP PreserveKey(TfClientId id, REFGUID guid, const TF_PRESERVEDKEY* key, const WCHAR*, ULONG) override;
    STDMETHODIMP UnpreserveKey(REFGUID guid, const TF_PRESERVEDKEY* key) override;
    STDMETHODIMP SetPreservedKeyDescription(REFGUID, const WCHAR*, ULONG) override { return E_NOTIMPL; }
    STDMETHODIMP GetPreservedKeyDescription(REFGUID, BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP SimulatePreservedKey(ITfContext*, REFGUID, BOOL*) override { return E_NOTIMPL; }

    // ITfLangBarItemMgr
    STDMETHODIMP EnumItems(IEnumTfLangBarItems**) override { return E_NOTIMPL; }
    STDMETHODIMP GetItem(REFGUID, ITfLangBarItem**) override { return E_NOTIMPL; }
    STDMETHODIMP AddItem(ITfLangBarItem* item) override;
    STDMETHODIMP RemoveItem(ITfLangBarItem* item) override;
    STDMETHODIMP AdviseItemSink(ITfLangBarItemSink*, DWORD*, REFGUID) override { return E_NOTIMPL; }
    STDMETHODIMP UnadviseItemSink(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetItemFloatingRect(DWORD, REFGUID, RECT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetItemsStatus(ULONG, const GUID*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP GetItemNum(ULONG*) override { return E_NOTIMPL; }
    STDMETHODIMP GetItems(ULONG, ITfLangBarItem**, TF_LANGBARITEMINFO*, DWORD*, ULONG*) override { return E_NOTIMPL; }
    STDMETHODIMP AdviseItemsSink(ULONG, ITfLangBarItemSink**, const GUID*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP UnadviseItemsSink(ULONG, DWORD*) override { return E_NOTIMPL; }

    // ITfSource (thread-manager events)
    STDMETHODIMP AdviseSink(REFIID riid, IUnknown* sink, DWORD* cookie) override;
    STDMETHODIMP UnadviseSink(DWORD cookie) override;

private:
    ~HostThreadMgr();

    struct PreservedKey {
        GUID guid;
        TF_PRESERVEDKEY key;
    };
    ULONG refs_ = 1;
    ITfThreadMgr* wine_ = nullptr;
    ITfTextInputProcessor* processor_ = nullptr;
    TfClientId clientId_ = 0;
    ITfKeyEventSink* keySink_ = nullptr;
    std::vector<PreservedKey> preserved_;
    ITfThreadMgrEventSink* eventSink_ = nullptr;
    HostDocument* focus_ = nullptr;
    ITfLangBarItemButton* button_ = nullptr;
    ITfLangBarItemSink* buttonSink_ = nullptr;
    DWORD buttonSinkCookie_ = 0;
};
