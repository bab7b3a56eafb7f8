#include "host_tsf.h"

#include "../../tsf/com_ptr.h"
#include "../../tsf/guids.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

constexpr TfEditCookie HOST_COOKIE = 0x5151;

// IUnknown for the host's COM objects: one reference count, a table of interfaces.
template <class... Interfaces> class HostObject : public Interfaces... {
public:
    virtual ~HostObject() = default;
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_INVALIDARG;
        *ppv = find(riid);
        if (!*ppv)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override
    {
        ULONG left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    virtual void* find(REFIID riid) = 0;

private:
    ULONG refs_ = 1;
};

}  // namespace

class HostContext;

class HostRange final : public HostObject<ITfRange> {
public:
    HostRange(HostDocument* document, ITfContext* context, int start, int end)
        : document_(document), context_(context), at_(document->track(start, end))
    {
        context_->AddRef();
    }
    ~HostRange() override { context_->Release(); }

    HostDocument::Anchors& at() { return *at_; }
    static HostRange* from(ITfRange* range) { return static_cast<HostRange*>(range); }

    STDMETHODIMP GetText(TfEditCookie, DWORD, WCHAR* text, ULONG max, ULONG* got) override
    {
        const std::wstring& all = document_->text();
        ULONG count = std::min<ULONG>(max, static_cast<ULONG>(at_->end - at_->start));
        std::copy_n(all.data() + at_->start, count, text);
        if (got)
            *got = count;
        return S_OK;
    }
    STDMETHODIMP SetText(TfEditCookie, DWORD, const WCHAR* text, LONG length) override
    {
        if (!document_->in_write_session())
            return TF_E_NOLOCK;
        document_->replace(*at_, text, length);
        return S_OK;
    }
    STDMETHODIMP GetFormattedText(TfEditCookie, IDataObject**) override { return E_NOTIMPL; }
    STDMETHODIMP GetEmbedded(TfEditCookie, REFGUID, REFIID, IUnknown**) override { return E_NOTIMPL; }
    STDMETHODIMP InsertEmbedded(TfEditCookie, DWORD, IDataObject*) override { return E_NOTIMPL; }
    STDMETHODIMP ShiftStart(TfEditCookie, LONG request, LONG* moved, const TF_HALTCOND*) override
    {
        int size = static_cast<int>(document_->text().size());
        int target = std::clamp(at_->start + static_cast<int>(request), 0, size);
        if (moved)
            *moved = target - at_->start;
        at_->start = target;
        at_->end = std::max(at_->end, target);
        return S_OK;
    }
    STDMETHODIMP ShiftEnd(TfEditCookie, LONG request, LONG* moved, const TF_HALTCOND*) override
    {
        int size = static_cast<int>(document_->text().size());
        int target = std::clamp(at_->end + static_cast<int>(request), 0, size);
        if (moved)
            *moved = target - at_->end;
        at_->end = target;
        at_->start = std::min(at_->start, target);
        return S_OK;
    }
    STDMETHODIMP ShiftStartToRange(TfEditCookie, ITfRange* to, TfAnchor anchor) override
    {
        auto& other = from(to)->at();
        at_->start = anchor == TF_ANCHOR_START ? other.start : other.end;
        at_->end = std::max(at_->end, at_->start);
        return S_OK;
    }
    STDMETHODIMP ShiftEndToRange(TfEditCookie, ITfRange* to, TfAnchor anchor) override
    {
        auto& other = from(to)->at();
        at_->end = anchor == TF_ANCHOR_START ? other.start : other.end;
        at_->start = std::min(at_->start, at_->end);
        return S_OK;
    }
    STDMETHODIMP ShiftStartRegion(TfEditCookie, TfShiftDir, BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP ShiftEndRegion(TfEditCookie, TfShiftDir, BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP IsEmpty(TfEditCookie, BOOL* empty) override
    {
        *empty = at_->start == at_->end;
        return S_OK;
    }
    STDMETHODIMP Collapse(TfEditCookie, TfAnchor anchor) override
    {
        if (anchor == TF_ANCHOR_START)
            at_->end = at_->start;
        else
            at_->start = at_->end;
        return S_OK;
    }
    STDMETHODIMP IsEqualStart(TfEditCookie, ITfRange* with, TfAnchor anchor, BOOL* equal) override
    {
        auto& other = from(with)->at();
        *equal = at_->start == (anchor == TF_ANCHOR_START ? other.start : other.end);
        return S_OK;
    }
    STDMETHODIMP IsEqualEnd(TfEditCookie, ITfRange* with, TfAnchor anchor, BOOL* equal) override
    {
        auto& other = from(with)->at();
        *equal = at_->end == (anchor == TF_ANCHOR_START ? other.start : other.end);
        return S_OK;
    }
    STDMETHODIMP CompareStart(TfEditCookie, ITfRange*, TfAnchor, LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP CompareEnd(TfEditCookie, ITfRange*, TfAnchor, LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP AdjustForInsert(TfEditCookie, ULONG, BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP GetGravity(TfGravity*, TfGravity*) override { return E_NOTIMPL; }
    STDMETHODIMP SetGravity(TfEditCookie, TfGravity, TfGravity) override { return E_NOTIMPL; }
    STDMETHODIMP Clone(ITfRange** out) override
    {
        *out = new HostRange(document_, context_, at_->start, at_->end);
        return S_OK;
    }
    STDMETHODIMP GetContext(ITfContext** out) override
    {
        *out = context_;
        context_->AddRef();
        return S_OK;
    }

protected:
    void* find(REFIID riid) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_ITfRange))
            return static_cast<ITfRange*>(this);
        return nullptr;
    }

private:
    HostDocument* document_;
    ITfContext* context_;
    std::shared_ptr<HostDocument::Anchors> at_;
};

class HostComposition final : public HostObject<ITfComposition> {
public:
    HostComposition(HostDocument* document, ITfContext* context, std::shared_ptr<HostDocument::Anchors> at)
        : document_(document), context_(context), at_(std::move(at))
    {
    }

    void end() { ended_ = true; }

    STDMETHODIMP GetRange(ITfRange** out) override
    {
        if (ended_)
            return E_UNEXPECTED;
        *out = new HostRange(document_, context_, at_->start, at_->end);
        return S_OK;
    }
    STDMETHODIMP ShiftStart(TfEditCookie, ITfRange* start) override
    {
        if (ended_ || !document_->in_write_session())
            return E_UNEXPECTED;
        at_->start = HostRange::from(start)->at().start;
        at_->end = std::max(at_->end, at_->start);
        return S_OK;
    }
    STDMETHODIMP ShiftEnd(TfEditCookie, ITfRange* end) override
    {
        if (ended_ || !document_->in_write_session())
            return E_UNEXPECTED;
        at_->end = HostRange::from(end)->at().end;
        return S_OK;
    }
    STDMETHODIMP EndComposition(TfEditCookie) override
    {
        if (ended_ || !document_->in_write_session())
            return E_UNEXPECTED;
        document_->end_composition();
        return S_OK;
    }

protected:
    void* find(REFIID riid) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_ITfComposition))
            return static_cast<ITfComposition*>(this);
        return nullptr;
    }

private:
    HostDocument* document_;
    ITfContext* context_;
    std::shared_ptr<HostDocument::Anchors> at_;
    bool ended_ = false;
};

class AttributeProperty final : public HostObject<ITfProperty> {
public:
    explicit AttributeProperty(HostDocument* document) : document_(document) {}

    STDMETHODIMP GetType(GUID* guid) override
    {
        *guid = GUID_PROP_ATTRIBUTE;
        return S_OK;
    }
    STDMETHODIMP EnumRanges(TfEditCookie, IEnumTfRanges**, ITfRange*) override { return E_NOTIMPL; }
    STDMETHODIMP GetValue(TfEditCookie, ITfRange*, VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetContext(ITfContext**) override { return E_NOTIMPL; }
    STDMETHODIMP FindRange(TfEditCookie, ITfRange*, ITfRange**, TfAnchor) override { return E_NOTIMPL; }
    STDMETHODIMP SetValueStore(TfEditCookie, ITfRange*, ITfPropertyStore*) override { return E_NOTIMPL; }
    STDMETHODIMP SetValue(TfEditCookie, ITfRange* range, const VARIANT* value) override
    {
        if (!document_->in_write_session() || !range || !value || value->vt != VT_I4)
            return E_INVALIDARG;
        document_->set_attribute(HostRange::from(range)->at(), value->lVal);
        return S_OK;
    }
    STDMETHODIMP Clear(TfEditCookie, ITfRange* range) override
    {
        if (!document_->in_write_session())
            return TF_E_NOLOCK;
        document_->clear_attribute(range ? &HostRange::from(range)->at() : nullptr);
        return S_OK;
    }

protected:
    void* find(REFIID riid) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_ITfProperty)
            || IsEqualIID(riid, IID_ITfReadOnlyProperty))
            return static_cast<ITfProperty*>(this);
        return nullptr;
    }

private:
    HostDocument* document_;
};

class HostInputScope final : public HostObject<ITfInputScope> {
public:
    explicit HostInputScope(std::vector<InputScope> scopes) : scopes_(std::move(scopes)) {}

    STDMETHODIMP GetInputScopes(InputScope** scopes, UINT* count) override
    {
        *scopes = static_cast<InputScope*>(CoTaskMemAlloc(scopes_.size() * sizeof(InputScope)));
        if (!*scopes)
            return E_OUTOFMEMORY;
        std::copy(scopes_.begin(), scopes_.end(), *scopes);
        *count = static_cast<UINT>(scopes_.size());
        return S_OK;
    }
    STDMETHODIMP GetPhrase(BSTR**, UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetRegularExpression(BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP GetSRGS(BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP GetXML(BSTR*) override { return E_NOTIMPL; }

protected:
    void* find(REFIID riid) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_ITfInputScope))
            return static_cast<ITfInputScope*>(this);
        return nullptr;
    }

private:
    std::vector<InputScope> scopes_;
};

// The application's input-scope property: one value for the whole field.
class InputScopeProperty final : public HostObject<ITfReadOnlyProperty> {
public:
    explicit InputScopeProperty(const std::vector<InputScope>& scopes) : scopes_(scopes) {}

    STDMETHODIMP GetType(GUID* guid) override
    {
        *guid = GUID_PROP_INPUTSCOPE;
        return S_OK;
    }
    STDMETHODIMP EnumRanges(TfEditCookie, IEnumTfRanges**, ITfRange*) override { return E_NOTIMPL; }
    STDMETHODIMP GetValue(TfEditCookie, ITfRange*, VARIANT* value) override
    {
        VariantInit(value);
        value->vt = VT_UNKNOWN;
        value->punkVal = static_cast<ITfInputScope*>(new HostInputScope(scopes_));
        return S_OK;
    }
    STDMETHODIMP GetContext(ITfContext**) override { return E_NOTIMPL; }

protected:
    void* find(REFIID riid) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_ITfReadOnlyProperty))
            return static_cast<ITfReadOnlyProperty*>(this);
        return nullptr;
    }

private:
    std::vector<InputScope> scopes_;
};

class SelectionRecord final : public HostObject<ITfEditRecord> {
public:
    STDMETHODIMP GetSelectionStatus(BOOL* changed) override
    {
        *changed = TRUE;
        return S_OK;
    }
    STDMETHODIMP GetTextAndPropertyUpdates(DWORD, const GUID**, ULONG, IEnumTfRanges**) override { return E_NOTIMPL; }

protected:
    void* find(REFIID riid) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_ITfEditRecord))
            return static_cast<ITfEditRecord*>(this);
        return nullptr;
    }
};

class HostContext final
    : public HostObject<ITfContext, ITfInsertAtSelection, ITfContextComposition, ITfContextView, ITfSource> {
public:
    HostContext(HostDocument* document, ITfDocumentMgr* manager) : document_(document), manager_(manager) {}

    // ITfContext
    STDMETHODIMP RequestEditSession(TfClientId, ITfEditSession* session, DWORD flags, HRESULT* result) override
    {
        return document_->request_session(session, flags, result);
    }
    STDMETHODIMP InWriteSession(TfClientId, BOOL* writing) override
    {
        *writing = document_->in_write_session();
        return S_OK;
    }
    STDMETHODIMP GetSelection(TfEditCookie, ULONG index, ULONG count, TF_SELECTION* selection, ULONG* fetched) override
    {
        *fetched = 0;
        if (count == 0 || (index != 0 && index != TF_DEFAULT_SELECTION))
            return S_OK;
        Span at = document_->selection();
        selection[0].range = new HostRange(document_, this, at.start, at.end);
        selection[0].style.ase = TF_AE_END;
        selection[0].style.fInterimChar = FALSE;
        *fetched = 1;
        return S_OK;
    }
    STDMETHODIMP SetSelection(TfEditCookie, ULONG count, const TF_SELECTION* selection) override
    {
        if (!document_->in_write_session())
            return TF_E_NOLOCK;
        if (count < 1 || !selection[0].range)
            return E_INVALIDARG;
        auto& at = HostRange::from(selection[0].range)->at();
        document_->set_selection(at.start, at.end);
        return S_OK;
    }
    STDMETHODIMP GetStart(TfEditCookie, ITfRange** out) override
    {
        *out = new HostRange(document_, this, 0, 0);
        return S_OK;
    }
    STDMETHODIMP GetEnd(TfEditCookie, ITfRange** out) override
    {
        int size = static_cast<int>(document_->text().size());
        *out = new HostRange(document_, this, size, size);
        return S_OK;
    }
    STDMETHODIMP GetActiveView(ITfContextView** view) override
    {
        *view = static_cast<ITfContextView*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP EnumViews(IEnumTfContextViews**) override { return E_NOTIMPL; }
    STDMETHODIMP GetStatus(TF_STATUS* status) override
    {
        status->dwDynamicFlags = 0;
        status->dwStaticFlags = document_->transitory() ? TS_SS_TRANSITORY : 0;
        return S_OK;
    }
    STDMETHODIMP GetProperty(REFGUID guid, ITfProperty** out) override
    {
        *out = nullptr;
        if (!IsEqualGUID(guid, GUID_PROP_ATTRIBUTE))
            return E_INVALIDARG;
        *out = new AttributeProperty(document_);
        return S_OK;
    }
    STDMETHODIMP GetAppProperty(REFGUID guid, ITfReadOnlyProperty** out) override
    {
        *out = nullptr;
        if (!IsEqualGUID(guid, GUID_PROP_INPUTSCOPE) || document_->inputScopes.empty())
            return E_INVALIDARG;
        *out = new InputScopeProperty(document_->inputScopes);
        return S_OK;
    }
    STDMETHODIMP TrackProperties(const GUID**, ULONG, const GUID**, ULONG, ITfReadOnlyProperty**) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP EnumProperties(IEnumTfProperties**) override { return E_NOTIMPL; }
    STDMETHODIMP GetDocumentMgr(ITfDocumentMgr** out) override
    {
        *out = manager_;
        manager_->AddRef();
        return S_OK;
    }
    STDMETHODIMP CreateRangeBackup(TfEditCookie, ITfRange*, ITfRangeBackup**) override { return E_NOTIMPL; }

    // ITfInsertAtSelection
    STDMETHODIMP InsertTextAtSelection(TfEditCookie, DWORD flags, const WCHAR* text, LONG length,
                                       ITfRange** out) override
    {
        Span at = document_->selection();
        if (flags & TF_IAS_QUERYONLY) {
            if (out)
                *out = new HostRange(document_, this, at.start, at.end);
            return S_OK;
        }
        if (!document_->in_write_session())
            return TF_E_NOLOCK;
        auto inserted = document_->track(at.start, at.end);
        document_->replace(*inserted, text, length);
        document_->set_selection(inserted->end, inserted->end);
        if (out)
            *out = new HostRange(document_, this, inserted->start, inserted->end);
        return S_OK;
    }
    STDMETHODIMP InsertEmbeddedAtSelection(TfEditCookie, DWORD, IDataObject*, ITfRange**) override { return E_NOTIMPL; }

    // ITfContextComposition
    STDMETHODIMP StartComposition(TfEditCookie, ITfRange* range, ITfCompositionSink* sink,
                                  ITfComposition** out) override
    {
        *out = nullptr;
        if (!document_->acceptsCompositions)
            return E_FAIL;
        return document_->start_composition(HostRange::from(range)->at(), sink, out);
    }
    STDMETHODIMP EnumCompositions(IEnumITfCompositionView**) override { return E_NOTIMPL; }
    STDMETHODIMP FindComposition(TfEditCookie, ITfRange*, IEnumITfCompositionView**) override { return E_NOTIMPL; }
    STDMETHODIMP TakeOwnership(TfEditCookie, ITfCompositionView*, ITfCompositionSink*, ITfComposition**) override
    {
        return E_NOTIMPL;
    }

    // ITfContextView
    STDMETHODIMP GetRangeFromPoint(TfEditCookie, const POINT*, DWORD, ITfRange**) override { return E_NOTIMPL; }
    STDMETHODIMP GetTextExt(TfEditCookie, ITfRange* range, RECT* rect, BOOL* clipped) override
    {
        auto& at = HostRange::from(range)->at();
        *rect = document_->text_extent(at.start, at.end);
        *clipped = FALSE;
        return rect->bottom > rect->top ? S_OK : E_FAIL;
    }
    STDMETHODIMP GetScreenExt(RECT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetWnd(HWND* window) override
    {
        *window = document_->window;
        return S_OK;
    }

    // ITfSource
    STDMETHODIMP AdviseSink(REFIID riid, IUnknown* sink, DWORD* cookie) override
    {
        ITfTextEditSink* edit = nullptr;
        if (!IsEqualIID(riid, IID_ITfTextEditSink)
            || FAILED(sink->QueryInterface(IID_ITfTextEditSink, reinterpret_cast<void**>(&edit))))
            return CONNECT_E_CANNOTCONNECT;
        document_->add_edit_sink(edit);
        *cookie = reinterpret_cast<UINT_PTR>(edit) & 0x7FFFFFFF;
        return S_OK;
    }
    STDMETHODIMP UnadviseSink(DWORD cookie) override
    {
        return document_->remove_edit_sink(cookie) ? S_OK : CONNECT_E_NOCONNECTION;
    }

protected:
    void* find(REFIID riid) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_ITfContext))
            return static_cast<ITfContext*>(this);
        if (IsEqualIID(riid, IID_ITfInsertAtSelection))
            return static_cast<ITfInsertAtSelection*>(this);
        if (IsEqualIID(riid, IID_ITfContextComposition))
            return static_cast<ITfContextComposition*>(this);
        if (IsEqualIID(riid, IID_ITfContextView))
            return static_cast<ITfContextView*>(this);
        if (IsEqualIID(riid, IID_ITfSource))
            return static_cast<ITfSource*>(this);
        return nullptr;
    }

private:
    HostDocument* document_;
    ITfDocumentMgr* manager_;
};

namespace {

class HostDocumentMgr final : public HostObject<ITfDocumentMgr> {
public:
    void set_top(ITfContext* context) { top_ = context; }

    STDMETHODIMP CreateContext(TfClientId, DWORD, IUnknown*, ITfContext**, TfEditCookie*) override { return E_NOTIMPL; }
    STDMETHODIMP Push(ITfContext*) override { return E_NOTIMPL; }
    STDMETHODIMP Pop(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetTop(ITfContext** out) override
    {
        *out = top_;
        if (top_)
            top_->AddRef();
        return S_OK;
    }
    STDMETHODIMP GetBase(ITfContext** out) override { return GetTop(out); }
    STDMETHODIMP EnumContexts(IEnumTfContexts**) override { return E_NOTIMPL; }

protected:
    void* find(REFIID riid) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_ITfDocumentMgr))
            return static_cast<ITfDocumentMgr*>(this);
        return nullptr;
    }

private:
    ITfContext* top_ = nullptr;  // owned by the document
};

// Counts the language bar button's update notices.
class ButtonSink final : public HostObject<ITfLangBarItemSink> {
public:
    explicit ButtonSink(int* updates) : updates_(updates) {}
    STDMETHODIMP OnUpdate(DWORD) override
    {
        ++*updates_;
        return S_OK;
    }

protected:
    void* find(REFIID riid) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_ITfLangBarItemSink))
            return static_cast<ITfLangBarItemSink*>(this);
        return nullptr;
    }

private:
    int* updates_;
};

}  // namespace

// ---- HostDocument ----

HFONT document_font()
{
    static const HFONT font
        = CreateFontW(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                      CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH, L"DejaVu Sans");
    return font;
}

HostDocument::HostDocument(bool transitory) : transitory_(transitory)
{
    selection_ = track(0, 0);
    auto* manager = new HostDocumentMgr();
    documentMgr_ = manager;
    context_ = new HostContext(this, manager);
    manager->set_top(context_);
}

HostDocument::~HostDocument()
{
    for (auto& [session, write] : pending_)
        session->Release();
    for (ITfTextEditSink* sink : editSinks_)
        sink->Release();
    end_composition();
    static_cast<HostDocumentMgr*>(documentMgr_)->set_top(nullptr);
    context_->Release();
    documentMgr_->Release();
}

ITfDocumentMgr* HostDocument::document_manager() { return documentMgr_; }
ITfContext* HostDocument::context() { return context_; }

Span HostDocument::selection() const { return {selection_->start, selection_->end}; }
bool HostDocument::composing() const { return composition_ != nullptr; }
Span HostDocument::composition_span() const
{
    return composition_ ? Span{composition_->start, composition_->end} : Span{};
}

std::vector<Span> HostDocument::attribute_spans(LONG atom) const
{
    std::vector<Span> spans;
    for (const Attribute& attribute : attributes_)
        if (attribute.atom == atom && attribute.at->end > attribute.at->start)
            spans.push_back({attribute.at->start, attribute.at->end});
    return spans;
}

int HostDocument::clamp(int position) const { return std::clamp(position, 0, static_cast<int>(text_.size())); }

std::shared_ptr<HostDocument::Anchors> HostDocument::track(int start, int end)
{
    auto anchors = std::make_shared<Anchors>();
    anchors->start = clamp(start);
    anchors->end = std::max(anchors->start, clamp(end));
    tracked_.erase(std::remove_if(tracked_.begin(), tracked_.end(), [](auto& weak) { return weak.expired(); }),
                   tracked_.end());
    tracked_.push_back(anchors);
    return anchors;
}

void HostDocument::replace(Anchors& range, const wchar_t* text, int length)
{
    int start = range.start, end = range.end;
    int delta = length - (end - start);
    text_.replace(start, end - start, text, length);
    // Anchors after the change move with the text; anchors inside it fall
    // to its edges; at an insertion point the start stays and the end follows.
    for (auto& weak : tracked_) {
        auto anchors = weak.lock();
        if (!anchors || anchors.get() == &range)
            continue;
        // The application's caret stays put when text appears at it.
        if (anchors == selection_ && start == end && anchors->start == start && anchors->end == start)
            continue;
        for (int* position : {&anchors->start, &anchors->end}) {
            bool is_end = position == &anchors->end;
            if (*position > end || (*position == end && (end > start || is_end)))
                *position += delta;
            else if (*position > start)
                *position = is_end ? start + length : start;
        }
        anchors->end = std::max(anchors->end, anchors->start);
    }
    range.start = start;
    range.end = start + length;
}

void HostDocument::set_selection(int start, int end)
{
    selection_->start = clamp(start);
    selection_->end = std::max(selection_->start, clamp(end));
    selectionChanged_ = true;
}

HRESULT HostDocument::start_composition(const Anchors& at, ITfCompositionSink* sink, ITfComposition** out)
{
    if (!writing_)
        return TF_E_NOLOCK;
    end_composition();
    compositionSink_ = sink;
    if (sink)
        sink->AddRef();
    composition_ = track(at.start, at.end);
    auto* composition = new HostComposition(this, context_, composition_);
    compositionObject_ = composition;
    composition->AddRef();
    *out = composition;
    return S_OK;
}

void HostDocument::end_composition()
{
    if (compositionObject_) {
        static_cast<HostComposition*>(compositionObject_)->end();
        compositionObject_->Release();
    }
    compositionObject_ = nullptr;
    composition_.reset();
    if (compositionSink_)
        compositionSink_->Release();
    compositionSink_ = nullptr;
}

void HostDocument::set_attribute(const Anchors& at, LONG atom)
{
    attributes_.push_back({track(at.start, at.end), atom});
}

void HostDocument::clear_attribute(const Anchors* at)
{
    attributes_.erase(std::remove_if(attributes_.begin(), attributes_.end(),
                                     [at](const Attribute& attribute) {
                                         return !at || (attribute.at->start < at->end && at->start < attribute.at->end)
                                                || attribute.at->start == attribute.at->end;
                                     }),
                      attributes_.end());
}

RECT HostDocument::text_extent(int start, int end) const
{
    RECT rect{};
    if (!window)
        return rect;
    HDC dc = GetDC(window);
    HGDIOBJ previous = SelectObject(dc, document_font());
    SIZE before{}, upto{};
    GetTextExtentPoint32W(dc, text_.c_str(), start, &before);
    GetTextExtentPoint32W(dc, text_.c_str(), end, &upto);
    SelectObject(dc, previous);
    ReleaseDC(window, dc);
    // The host window draws its text from (10, 10).
    rect = {10 + before.cx, 10, 10 + std::max(upto.cx, before.cx + 1), 10 + std::max<LONG>(upto.cy, 16)};
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool HostDocument::remove_edit_sink(DWORD cookie)
{
    for (auto it = editSinks_.begin(); it != editSinks_.end(); ++it) {
        if ((reinterpret_cast<UINT_PTR>(*it) & 0x7FFFFFFF) == cookie) {
            (*it)->Release();
            editSinks_.erase(it);
            return true;
        }
    }
    return false;
}

HRESULT HostDocument::run_session(ITfEditSession* session, bool write)
{
    busy_ = true;
    writing_ = write;
    HRESULT hr = session->DoEditSession(HOST_COOKIE);
    writing_ = false;
    ++sessionsRun;
    if (selectionChanged_) {
        selectionChanged_ = false;
        auto* record = new SelectionRecord();
        for (ITfTextEditSink* sink : std::vector<ITfTextEditSink*>(editSinks_))
            sink->OnEndEdit(context_, HOST_COOKIE, record);
        record->Release();
    }
    busy_ = false;
    if (window)
        InvalidateRect(window, nullptr, TRUE);
    return hr;
}

HRESULT HostDocument::request_session(ITfEditSession* session, DWORD flags, HRESULT* result)
{
    if (!session || !result)
        return E_INVALIDARG;
    ++requests;
    SessionPolicy policy = choosePolicy ? choosePolicy() : this->policy;
    if (policy == SessionPolicy::Refuse)
        return E_FAIL;
    bool write = (flags & TF_ES_READWRITE) == TF_ES_READWRITE;
    bool sync = (flags & TF_ES_SYNC) != 0;
    if (sync && (busy_ || policy != SessionPolicy::Grant)) {
        *result = TF_E_SYNCHRONOUS;
        return S_OK;
    }
    // A request that leaves the choice to the document runs now only where
    // nothing waits and sessions are granted at once.
    if (sync || (!(flags & TF_ES_ASYNC) && !busy_ && policy == SessionPolicy::Grant && pending_.empty())) {
        *result = run_session(session, write);
        return S_OK;
    }
    session->AddRef();
    pending_.emplace_back(session, write);
    *result = TF_S_ASYNC;
    return S_OK;
}

void HostDocument::run_pending_sessions()
{
    do {
        while (!pending_.empty() && !busy_) {
            auto [session, write] = pending_.front();
            pending_.erase(pending_.begin());
            run_session(session, write);
            session->Release();
        }
    } while (!busy_ && dispatch_posted_key_downs());
}

void HostDocument::key_plainly(UINT vk, const BYTE* keyboard)
{
    wchar_t typed[4];
    if (vk == VK_BACK) {
        backspace_plainly();
    } else if (vk == VK_RETURN) {
        type_plainly(L'\n');
    } else if (vk == VK_LEFT || vk == VK_RIGHT) {
        int to = clamp(vk == VK_LEFT ? selection_->start - 1 : selection_->end + 1);
        set_selection(to, to);
        selectionChanged_ = false;
        auto* record = new SelectionRecord();
        for (ITfTextEditSink* sink : std::vector<ITfTextEditSink*>(editSinks_))
            sink->OnEndEdit(context_, HOST_COOKIE, record);
        record->Release();
    } else if (ToUnicode(vk, MapVirtualKeyW(vk, MAPVK_VK_TO_VSC), keyboard, typed, 4, 0) == 1 && typed[0] >= 0x20) {
        type_plainly(typed[0]);
    }
}

void HostDocument::type_plainly(wchar_t c)
{
    auto at = track(selection_->start, selection_->end);
    replace(*at, &c, 1);
    set_selection(at->end, at->end);
    selectionChanged_ = false;
}

void HostDocument::backspace_plainly()
{
    if (selection_->start == 0)
        return;
    auto at = track(selection_->start - 1, selection_->start);
    replace(*at, L"", 0);
    set_selection(at->start, at->start);
    selectionChanged_ = false;
}

void HostDocument::move_caret(int position)
{
    set_selection(position, position);
    selectionChanged_ = false;
    auto* record = new SelectionRecord();
    for (ITfTextEditSink* sink : std::vector<ITfTextEditSink*>(editSinks_))
        sink->OnEndEdit(context_, HOST_COOKIE, record);
    record->Release();
    run_pending_sessions();
}

void HostDocument::rewrite(int start, int end, const wchar_t* text)
{
    if (compositionObject_ && start < composition_->end && composition_->start < end) {
        // The sink is told while the composition still stands, inside a write lock.
        ITfComposition* terminated = compositionObject_;
        terminated->AddRef();
        ITfCompositionSink* sink = compositionSink_;
        if (sink)
            sink->AddRef();
        writing_ = true;
        if (sink)
            sink->OnCompositionTerminated(HOST_COOKIE, terminated);
        writing_ = false;
        end_composition();
        if (sink)
            sink->Release();
        terminated->Release();
    }
    auto at = track(start, end);
    replace(*at, text, static_cast<int>(wcslen(text)));
    move_caret(static_cast<int>(text_.size()));
}

// ---- HostThreadMgr ----

namespace {
thread_local HostThreadMgr* t_active = nullptr;  // the one with a processor active on this thread
}

HostThreadMgr::HostThreadMgr()
{
    CoCreateInstance(CLSID_TF_ThreadMgr, nullptr, CLSCTX_INPROC_SERVER, IID_ITfThreadMgr,
                     reinterpret_cast<void**>(&wine_));
}

HostThreadMgr::~HostThreadMgr()
{
    if (t_active == this)
        t_active = nullptr;
    if (wine_)
        wine_->Release();
}

STDMETHODIMP HostThreadMgr::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_INVALIDARG;
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_ITfThreadMgr))
        *ppv = static_cast<ITfThreadMgr*>(this);
    else if (IsEqualIID(riid, IID_ITfKeystrokeMgr))
        *ppv = static_cast<ITfKeystrokeMgr*>(this);
    else if (IsEqualIID(riid, IID_ITfLangBarItemMgr) && offerLanguageBar)
        *ppv = static_cast<ITfLangBarItemMgr*>(this);
    else if (IsEqualIID(riid, IID_ITfSource))
        *ppv = static_cast<ITfSource*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) HostThreadMgr::Release()
{
    ULONG left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

HRESULT HostThreadMgr::activate_processor(const wchar_t* dll)
{
    ComPtr<ITfClientId> ids;
    if (!wine_ || FAILED(wine_->QueryInterface(IID_ITfClientId, ids.out_void()))
        || FAILED(ids->GetClientId(CLSID_MIRADOT, &clientId_)))
        return E_FAIL;
    HRESULT hr;
    if (dll) {
        // Loaded for good: its objects may outlive any one test.
        HMODULE module = LoadLibraryW(dll);
        auto get_class = module ? reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
                             reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")))
                                : nullptr;
        ComPtr<IClassFactory> factory;
        hr = get_class ? get_class(CLSID_MIRADOT, IID_IClassFactory, factory.out_void()) : E_FAIL;
        if (SUCCEEDED(hr))
            hr = factory->CreateInstance(nullptr, IID_ITfTextInputProcessor, reinterpret_cast<void**>(&processor_));
    } else {
        hr = CoCreateInstance(CLSID_MIRADOT, nullptr, CLSCTX_INPROC_SERVER, IID_ITfTextInputProcessor,
                              reinterpret_cast<void**>(&processor_));
    }
    if (FAILED(hr))
        return hr;
    hr = processor_->Activate(this, clientId_);
    if (FAILED(hr)) {
        processor_->Release();
        processor_ = nullptr;
    } else {
        t_active = this;
    }
    return hr;
}

void HostThreadMgr::deactivate_processor()
{
    if (!processor_)
        return;
    processor_->Deactivate();
    processor_->Release();
    processor_ = nullptr;
    if (t_active == this)
        t_active = nullptr;
    if (focus_)
        focus_->run_pending_sessions();
}

void HostThreadMgr::set_focus(HostDocument* document)
{
    HostDocument* previous = focus_;
    focus_ = document;
    if (eventSink_)
        eventSink_->OnSetFocus(document ? document->document_manager() : nullptr,
                               previous ? previous->document_manager() : nullptr);
    if (previous)
        previous->run_pending_sessions();
    if (document)
        document->run_pending_sessions();
}

STDMETHODIMP HostThreadMgr::Activate(TfClientId* id)
{
    *id = clientId_;
    return S_OK;
}

STDMETHODIMP HostThreadMgr::GetFocus(ITfDocumentMgr** focus)
{
    *focus = focus_ ? focus_->document_manager() : nullptr;
    if (*focus)
        (*focus)->AddRef();
    return S_OK;
}

STDMETHODIMP HostThreadMgr::IsThreadFocus(BOOL* focus)
{
    *focus = TRUE;
    return S_OK;
}

STDMETHODIMP HostThreadMgr::GetGlobalCompartment(ITfCompartmentMgr** out)
{
    *out = nullptr;
    if (!offerGlobalCompartment || !wine_)
        return E_FAIL;
    return wine_->GetGlobalCompartment(out);
}

STDMETHODIMP HostThreadMgr::AdviseKeyEventSink(TfClientId id, ITfKeyEventSink* sink, BOOL)
{
    if (id != clientId_ || !sink)
        return E_INVALIDARG;
    if (!acceptKeySink)
        return E_FAIL;
    if (keySink_)
        return CONNECT_E_ADVISELIMIT;
    keySink_ = sink;
    sink->AddRef();
    return S_OK;
}

STDMETHODIMP HostThreadMgr::UnadviseKeyEventSink(TfClientId id)
{
    if (id != clientId_ || !keySink_)
        return CONNECT_E_NOCONNECTION;
    keySink_->Release();
    keySink_ = nullptr;
    return S_OK;
}

STDMETHODIMP HostThreadMgr::GetForeground(CLSID* clsid)
{
    if (!keySink_)
        return S_FALSE;
    *clsid = CLSID_MIRADOT;
    return S_OK;
}

bool HostThreadMgr::preserved(REFGUID guid, UINT vk, UINT modifiers) const
{
    for (const PreservedKey& key : preserved_)
        if (IsEqualGUID(key.guid, guid) && key.key.uVKey == vk && key.key.uModifiers == modifiers)
            return true;
    return false;
}

STDMETHODIMP HostThreadMgr::IsPreservedKey(REFGUID guid, const TF_PRESERVEDKEY* key, BOOL* registered)
{
    *registered = preserved(guid, key->uVKey, key->uModifiers);
    return *registered ? S_OK : S_FALSE;
}

STDMETHODIMP HostThreadMgr::PreserveKey(TfClientId id, REFGUID guid, const TF_PRESERVEDKEY* key, const WCHAR*, ULONG)
{
    if (!id || !key)
        return E_INVALIDARG;
    for (const PreservedKey& other : preserved_)
        if (other.key.uVKey == key->uVKey && other.key.uModifiers == key->uModifiers)
            return TF_E_ALREADY_EXISTS;
    preserved_.push_back({guid, *key});
    return S_OK;
}

STDMETHODIMP HostThreadMgr::UnpreserveKey(REFGUID guid, const TF_PRESERVEDKEY* key)
{
    for (auto it = preserved_.begin(); it != preserved_.end(); ++it) {
        if (IsEqualGUID(it->guid, guid) && it->key.uVKey == key->uVKey && it->key.uModifiers == key->uModifiers) {
            preserved_.erase(it);
            return S_OK;
        }
    }
    return CONNECT_E_NOCONNECTION;
}

STDMETHODIMP HostThreadMgr::KeyDown(WPARAM key, LPARAM lparam, BOOL* eaten)
{
    *eaten = FALSE;
    if (!keySink_)
        return S_OK;
    ITfContext* context = focus_ ? focus_->context() : nullptr;
    UINT modifiers = (GetKeyState(VK_CONTROL) < 0 ? TF_MOD_CONTROL : 0) | (GetKeyState(VK_SHIFT) < 0 ? TF_MOD_SHIFT : 0)
                     | (GetKeyState(VK_MENU) < 0 ? TF_MOD_ALT : 0);
    for (const PreservedKey& preserved : preserved_)
        if (preserved.key.uVKey == key && preserved.key.uModifiers == modifiers) {
            GUID guid = preserved.guid;
            keySink_->OnPreservedKey(context, guid, eaten);
            return S_OK;
        }
    keySink_->OnTestKeyDown(context, key, lparam, eaten);
    if (*eaten)
        keySink_->OnKeyDown(context, key, lparam, eaten);
    return S_OK;
}

bool dispatch_posted_key_downs()
{
    bool any = false;
    MSG message;
    while (PeekMessageW(&message, nullptr, WM_KEYDOWN, WM_CHAR, PM_REMOVE)) {
        DispatchMessageW(&message);
        any = true;
    }
    return any;
}

HostThreadMgr* HostThreadMgr::on_this_thread() { return t_active; }

void HostThreadMgr::deliver_key_down(HostDocument* document, WPARAM key, LPARAM lparam)
{
    // Nothing is held down any more when a posted key comes back.
    BYTE none[256] = {};
    SetKeyboardState(none);
    BOOL eaten = FALSE;
    KeyDown(key, lparam, &eaten);
    if (focus_ && focus_->policy != SessionPolicy::Deferred)
        focus_->run_pending_sessions();
    if (!eaten)
        document->key_plainly(static_cast<UINT>(key), none);
}

bool HostThreadMgr::press(UINT vk, bool shift, bool ctrl, bool alt)
{
    BYTE state[256] = {};
    if (shift)
        state[VK_SHIFT] = state[VK_LSHIFT] = 0x80;
    if (ctrl)
        state[VK_CONTROL] = state[VK_LCONTROL] = 0x80;
    if (alt)
        state[VK_MENU] = state[VK_LMENU] = 0x80;
    SetKeyboardState(state);
    UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    LPARAM lparam = 1 | (static_cast<LPARAM>(scan) << 16);
    BOOL eaten = FALSE;
    KeyDown(vk, lparam, &eaten);
    if (focus_) {
        if (focus_->policy != SessionPolicy::Deferred)
            focus_->run_pending_sessions();
        if (!eaten && !ctrl && !alt)
            focus_->key_plainly(vk, state);
    }
    BYTE released[256] = {};
    SetKeyboardState(released);
    dispatch_posted_key_downs();
    return eaten;
}

void HostThreadMgr::type(const wchar_t* keys)
{
    for (const wchar_t* c = keys; *c; ++c) {
        // Wine's US layout has no key for the parentheses.
        if (*c == L'(' || *c == L')') {
            press(*c == L'(' ? '9' : '0', true);
            continue;
        }
        SHORT scan = VkKeyScanW(*c);
        if (scan == -1) {
            ADD_FAILURE() << "no key types U+" << std::hex << static_cast<unsigned>(*c);
            continue;
        }
        press(LOBYTE(scan), (HIBYTE(scan) & 1) != 0);
    }
}

STDMETHODIMP HostThreadMgr::AddItem(ITfLangBarItem* item)
{
    if (button_ || FAILED(item->QueryInterface(IID_ITfLangBarItemButton, reinterpret_cast<void**>(&button_))))
        return E_FAIL;
    ComPtr<ITfSource> source;
    if (SUCCEEDED(button_->QueryInterface(IID_ITfSource, source.out_void()))) {
        buttonSink_ = new ButtonSink(&buttonUpdates);
        source->AdviseSink(IID_ITfLangBarItemSink, buttonSink_, &buttonSinkCookie_);
    }
    return S_OK;
}

STDMETHODIMP HostThreadMgr::RemoveItem(ITfLangBarItem*)
{
    if (!button_)
        return E_FAIL;
    ComPtr<ITfSource> source;
    if (buttonSink_ && SUCCEEDED(button_->QueryInterface(IID_ITfSource, source.out_void())))
        source->UnadviseSink(buttonSinkCookie_);
    if (buttonSink_)
        buttonSink_->Release();
    buttonSink_ = nullptr;
    button_->Release();
    button_ = nullptr;
    return S_OK;
}

STDMETHODIMP HostThreadMgr::AdviseSink(REFIID riid, IUnknown* sink, DWORD* cookie)
{
    if (!IsEqualIID(riid, IID_ITfThreadMgrEventSink) || eventSink_)
        return CONNECT_E_CANNOTCONNECT;
    if (FAILED(sink->QueryInterface(IID_ITfThreadMgrEventSink, reinterpret_cast<void**>(&eventSink_))))
        return CONNECT_E_CANNOTCONNECT;
    *cookie = 1;
    return S_OK;
}

STDMETHODIMP HostThreadMgr::UnadviseSink(DWORD cookie)
{
    if (cookie != 1 || !eventSink_)
        return CONNECT_E_NOCONNECTION;
    eventSink_->Release();
    eventSink_ = nullptr;
    return S_OK;
}
