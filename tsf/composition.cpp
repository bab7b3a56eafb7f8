// Writes edit requests into the document: the composition around the word
// being typed, reaching back over committed text that the engine corrects,
// and the plain insertion used when an application accepts no composition.
#include "processor.h"

#include "com_ptr.h"
#include "context_helpers.h"
#include "engine_host.h"

#include <cwctype>

namespace {

// Reaching back never reads more than this many units.
constexpr ULONG REACH_BACK_READ = 1100;

struct ReachBack {
    int covered = 0;
    bool endsWithSpace = false;
};

bool is_low_surrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Moves the start of a collapsed range back by `count` code points; a
// surrogate pair at the edge is never split.
ReachBack reach_back(TfEditCookie ec, ITfRange* range, int count)
{
    ReachBack result;
    if (count <= 0)
        return result;
    LONG moved = 0;
    if (FAILED(range->ShiftStart(ec, -count, &moved, nullptr)) || moved == 0)
        return result;
    wchar_t text[REACH_BACK_READ];
    for (int extra = 0;; ++extra) {
        ULONG got = 0;
        if (FAILED(range->GetText(ec, 0, text, REACH_BACK_READ, &got)))
            got = 0;
        result.covered = count_code_points(text, got) - (got > 0 && is_low_surrogate(text[0]) ? 1 : 0);
        result.endsWithSpace = got > 0 && text[got - 1] == L' ';
        if (result.covered >= count || extra == 3)
            break;
        moved = 0;
        if (FAILED(range->ShiftStart(ec, -(count - result.covered), &moved, nullptr)) || moved == 0)
            break;
    }
    return result;
}

ComPtr<ITfRange> composition_range(ITfComposition* composition)
{
    ComPtr<ITfRange> range;
    if (composition)
        composition->GetRange(range.out());
    return range;
}

// Units of committed text that a transitory context keeps composed before the word.
int kept_units(const wchar_t* text, int prefix, int total, int committed_start,
               const EditRequest& request)
{
    if (total == prefix)
        return prefix;
    int context_word = 0;
    const wchar_t* committed = request.commitText + committed_start;
    int length = request.commitLength - committed_start;
    if (length > 1 && committed[length - 1] == L' ' && committed[length - 2] != L' ') {
        int start = last_word_start(committed, length);
        int word = length - 1 - start;
        if (word >= 1 && word <= 23 && is_context_word(committed + start, static_cast<size_t>(word)))
            context_word = word + 1;
    }
    int back = total;
    if (request.keepCount > 0 && total > 0)
        back = move_back_code_points(text, total, request.keepCount);
    int tail = total - back;
    return context_word > tail ? context_word : tail;
}

} // namespace

CompositionHolder* CompositionHolder::create() { return new (std::nothrow) CompositionHolder(); }

CompositionHolder::~CompositionHolder()
{
    forget_composition();
    if (context)
        context->Release();
}

void CompositionHolder::release()
{
    if (--refs_ == 0)
        delete this;
}

void CompositionHolder::forget_composition()
{
    if (composition)
        composition->Release();
    composition = nullptr;
}

void CompositionHolder::set_context(ITfContext* value)
{
    value->AddRef();
    if (context)
        context->Release();
    context = value;
}

void TextInputProcessor::clear_display_attribute(TfEditCookie ec, ITfContext* context, ITfRange* range)
{
    ComPtr<ITfProperty> property;
    if (displayAttributeAtom_ && range
        && SUCCEEDED(context->GetProperty(GUID_PROP_ATTRIBUTE, property.out())))
        property->Clear(ec, range);
}

void TextInputProcessor::set_display_attribute(TfEditCookie ec, ITfContext* context, ITfRange* range)
{
    ComPtr<ITfProperty> property;
    if (!SUCCEEDED(context->GetProperty(GUID_PROP_ATTRIBUTE, property.out())))
        return;
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_I4;
    value.lVal = static_cast<LONG>(displayAttributeAtom_);
    property->SetValue(ec, range, &value);
}

void TextInputProcessor::end_composition(TfEditCookie ec, CompositionHolder* holder)
{
    holder->keptLength = 0;
    if (!holder->composition)
        return;
    if (holder->context) {
        ComPtr<ITfRange> range = composition_range(holder->composition);
        clear_display_attribute(ec, holder->context, range.get());
    }
    holder->composition->EndComposition(ec);
    holder->forget_composition();
}

void TextInputProcessor::insert_plain_text(TfEditCookie ec, ITfContext* context,
                                           const EditRequest& request, CompositionHolder* holder)
{
    ComPtr<ITfInsertAtSelection> insert;
    if (SUCCEEDED(context->QueryInterface(IID_ITfInsertAtSelection, insert.out_void()))) {
        int start = request.commitLength > 0 && request.deleteCount > 0
                        ? last_word_start(request.commitText, request.commitLength)
                        : 0;
        wchar_t text[900];
        int length = request.commitLength - start;
        wmemcpy(text, request.commitText + start, length);
        wmemcpy(text + length, request.compositionText, request.compositionLength);
        length += request.compositionLength;
        ComPtr<ITfRange> inserted;
        if (length > 0)
            insert->InsertTextAtSelection(ec, TF_IAS_NOQUERY, text, length, inserted.out());
    }
    if (holder == compositionHolder_)
        drop_word();
}

void TextInputProcessor::remember_caret(TfEditCookie ec, ITfContext* context, ITfRange* range)
{
    ComPtr<ITfRange> caret;
    if (FAILED(range->Clone(caret.out())) || FAILED(caret->Collapse(ec, TF_ANCHOR_END)))
        return;
    TF_SELECTION selection{};
    selection.range = caret.get();
    selection.style.ase = TF_AE_NONE;
    selection.style.fInterimChar = FALSE;
    context->SetSelection(ec, 1, &selection);
    if (expectedCaret_)
        expectedCaret_->Release();
    expectedCaret_ = caret.detach();
}

HRESULT TextInputProcessor::apply_request(TfEditCookie ec, ITfContext* context,
                                          const EditRequest& request, CompositionHolder* holder)
{
    bool nothing = request.commitLength == 0 && request.deleteCount == 0 && request.compositionLength == 0;
    if (holder->composition) {
        ComPtr<ITfRange> range = composition_range(holder->composition);
        ComPtr<ITfContext> owner;
        if (range && SUCCEEDED(range->GetContext(owner.out())) && same_object(owner.get(), context)) {
            if (nothing && !request.emptiedWord) {
                end_composition(ec, holder);
                return S_OK;
            }
        } else {
            holder->forget_composition();
        }
    }
    if (!holder->composition) {
        holder->keptLength = 0;
        if (nothing)
            return S_OK;
        ComPtr<ITfInsertAtSelection> insert;
        if (FAILED(context->QueryInterface(IID_ITfInsertAtSelection, insert.out_void())))
            return E_FAIL;
        ComPtr<ITfRange> selection;
        ComPtr<ITfContextComposition> compositions;
        if (FAILED(insert->InsertTextAtSelection(ec, TF_IAS_QUERYONLY, nullptr, 0, selection.out()))
            || FAILED(context->QueryInterface(IID_ITfContextComposition, compositions.out_void()))
            || FAILED(compositions->StartComposition(ec, selection.get(),
                                                     static_cast<ITfCompositionSink*>(this),
                                                     &holder->composition))
            || !holder->composition) {
            holder->composition = nullptr;
            insert_plain_text(ec, context, request, holder);
            return S_OK;
        }
    }

    ComPtr<ITfRange> range = composition_range(holder->composition);
    if (!range)
        return E_FAIL;
    bool full = !is_transitory(context);
    wchar_t text[1200];
    int prefix = 0;
    bool last_word_only = false;
    bool read_kept = false;
    if (holder->keptLength > 0) {
        ULONG got = 0;
        ULONG want = holder->keptLength < 300 ? holder->keptLength : 300;
        if (FAILED(range->GetText(ec, 0, text, want, &got)))
            got = 0;
        prefix = static_cast<int>(got);
        read_kept = prefix > 0;
        if (read_kept && request.deleteCount > 0) {
            int tail = units_of_last_code_points(text, prefix, request.deleteCount);
            if (tail >= 0 && text[prefix - 1] == L' ')
                prefix -= tail;
            else
                last_word_only = true;
        }
    }
    if (!read_kept && request.deleteCount > 0) {
        bool reached = false;
        ComPtr<ITfRange> back;
        if (full && SUCCEEDED(range->Clone(back.out())) && SUCCEEDED(back->Collapse(ec, TF_ANCHOR_START))) {
            ReachBack covered = reach_back(ec, back.get(), request.deleteCount);
            reached = covered.covered == request.deleteCount && covered.endsWithSpace
                      && SUCCEEDED(holder->composition->ShiftStart(ec, back.get()));
        }
        if (!reached)
            last_word_only = true;
        if (reached)
            range = composition_range(holder->composition);
        if (!range)
            return E_FAIL;
    }

    int committed_start = last_word_only ? last_word_start(request.commitText, request.commitLength) : 0;
    int committed = request.commitLength - committed_start;
    wmemcpy(text + prefix, request.commitText + committed_start, committed);
    int total = prefix + committed;
    wmemcpy(text + total, request.compositionText, request.compositionLength);
    range->SetText(ec, 0, text, total + request.compositionLength);
    clear_display_attribute(ec, context, range.get());

    int kept = full ? 0 : kept_units(text, prefix, total, committed_start, request);
    holder->keptLength = kept;
    if (kept < total) {
        ComPtr<ITfRange> rest;
        LONG moved = 0;
        if (SUCCEEDED(range->Clone(rest.out()))
            && SUCCEEDED(rest->ShiftStart(ec, total - kept, &moved, nullptr)))
            holder->composition->ShiftStart(ec, rest.get());
    }
    range = composition_range(holder->composition);
    if (!range)
        return E_FAIL;
    if (request.compositionLength > 0 && displayAttributeAtom_) {
        ComPtr<ITfRange> word;
        LONG moved = 0;
        if (SUCCEEDED(range->Clone(word.out())) && SUCCEEDED(word->ShiftStart(ec, kept, &moved, nullptr)))
            set_display_attribute(ec, context, word.get());
    }
    if (holder == compositionHolder_)
        remember_caret(ec, context, range.get());
    if (kept == 0 && request.compositionLength == 0) {
        holder->composition->EndComposition(ec);
        holder->forget_composition();
    }
    return S_OK;
}

void TextInputProcessor::read_input_scope(TfEditCookie ec, ITfContext* context)
{
    privateField_ = false;
    ComPtr<ITfRange> at;
    TF_SELECTION selection{};
    ULONG fetched = 0;
    if (SUCCEEDED(context->GetSelection(ec, TF_DEFAULT_SELECTION, 1, &selection, &fetched)) && fetched == 1)
        at.attach(selection.range);
    else if (FAILED(context->GetStart(ec, at.out())))
        return;
    ComPtr<ITfReadOnlyProperty> property;
    if (FAILED(context->GetAppProperty(GUID_PROP_INPUTSCOPE, property.out())))
        return;
    VARIANT value;
    VariantInit(&value);
    if (FAILED(property->GetValue(ec, at.get(), &value)))
        return;
    ComPtr<ITfInputScope> scope;
    if (value.vt == VT_UNKNOWN && value.punkVal
        && SUCCEEDED(value.punkVal->QueryInterface(IID_ITfInputScope, scope.out_void()))) {
        InputScope* scopes = nullptr;
        UINT count = 0;
        if (SUCCEEDED(scope->GetInputScopes(&scopes, &count)) && scopes) {
            for (UINT i = 0; i < count; ++i)
                if (scopes[i] == IS_PASSWORD || scopes[i] == IS_PRIVATE
                    || scopes[i] == IS_NUMERIC_PASSWORD || scopes[i] == IS_NUMERIC_PIN)
                    privateField_ = true;
            CoTaskMemFree(scopes);
        }
    }
    VariantClear(&value);
}

void TextInputProcessor::place_hint_from_selection(TfEditCookie ec, ITfContext* context)
{
    if (hint_.empty())
        return;
    TF_SELECTION selection{};
    ULONG fetched = 0;
    if (FAILED(context->GetSelection(ec, TF_DEFAULT_SELECTION, 1, &selection, &fetched)) || fetched != 1)
        return;
    ComPtr<ITfRange> range;
    range.attach(selection.range);
    ComPtr<ITfContextView> view;
    if (FAILED(context->GetActiveView(view.out())))
        return;
    RECT rect{};
    BOOL clipped = FALSE;
    if (view->GetTextExt(ec, range.get(), &rect, &clipped) == S_OK && rect.top < rect.bottom)
        hint_.place(&rect);
}

HRESULT TextInputProcessor::do_edit(TfEditCookie ec, ITfContext* context, const EditRequest& request,
                                    EditKind kind, CompositionHolder* holder)
{
    switch (kind) {
    case EDIT_APPLY:
        return apply_request(ec, context, request, holder);
    case EDIT_END_COMPOSITION:
        end_composition(ec, holder);
        return S_OK;
    case EDIT_READ_SCOPE:
        read_input_scope(ec, context);
        return S_OK;
    case EDIT_HINT_POSITION:
        place_hint_from_selection(ec, context);
        return S_OK;
    default:
        return E_NOTIMPL;
    }
}
