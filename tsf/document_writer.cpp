#include "document_writer.h"

#include "context_helpers.h"
#include "edit_plan.h"
#include "engine_host.h"

#include <cwchar>
#include <string_view>

namespace miradot {

namespace {

// Reaching back never reads more than this many units.
constexpr ULONG REACH_BACK_READ = 1100;
constexpr ULONG KEPT_READ = 300;

// TSF takes the request's UTF-16 text as WCHAR.
const WCHAR* wide(const char16_t* text) { return reinterpret_cast<const WCHAR*>(text); }
WCHAR* wide_out(char16_t* text) { return reinterpret_cast<WCHAR*>(text); }
std::u16string_view units(const WCHAR* text, ULONG length) { return {reinterpret_cast<const char16_t*>(text), length}; }

struct ReachBack {
    int covered = 0;
    bool endsWithSpace = false;
};

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
    WCHAR text[REACH_BACK_READ];
    for (int extra = 0;; ++extra) {
        ULONG got = 0;
        if (FAILED(range->GetText(ec, 0, text, REACH_BACK_READ, &got)))
            got = 0;
        result.covered = reached_code_points(units(text, got));
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

bool writes_nothing(const EditRequest& request)
{
    return request.commitLength == 0 && request.deleteCount == 0 && request.compositionLength == 0;
}

bool is_context_word_u16(std::u16string_view word)
{
    return is_context_word(reinterpret_cast<const wchar_t*>(word.data()), word.size());
}

}  // namespace

void DocumentWriter::clear_display_attribute(TfEditCookie ec, ITfContext* context, ITfRange* range)
{
    ComPtr<ITfProperty> property;
    if (displayAttributeAtom_ && range && SUCCEEDED(context->GetProperty(GUID_PROP_ATTRIBUTE, property.out())))
        property->Clear(ec, range);
}

void DocumentWriter::set_display_attribute(TfEditCookie ec, ITfContext* context, ITfRange* range)
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

void DocumentWriter::end_composition(TfEditCookie ec, CompositionHolder& holder)
{
    holder.keptLength = 0;
    if (!holder.composition)
        return;
    if (holder.context) {
        ComPtr<ITfRange> range = composition_range(holder.composition.get());
        clear_display_attribute(ec, holder.context.get(), range.get());
    }
    holder.composition->EndComposition(ec);
    holder.forget_composition();
}

void DocumentWriter::composition_terminated(TfEditCookie ec, CompositionHolder& holder)
{
    if (holder.context) {
        ComPtr<ITfRange> range;
        if (SUCCEEDED(holder.composition->GetRange(range.out())))
            clear_display_attribute(ec, holder.context.get(), range.get());
    }
    holder.forget_composition();
    holder.keptLength = 0;
}

void DocumentWriter::insert_plain_text(TfEditCookie ec, ITfContext* context, const EditRequest& request)
{
    ComPtr<ITfInsertAtSelection> insert;
    if (FAILED(context->QueryInterface(IID_ITfInsertAtSelection, insert.out_void())))
        return;
    int start = plain_commit_start(request);
    WCHAR text[900];
    int length = request.commitLength - start;
    wmemcpy(text, wide(request.commitText + start), length);
    wmemcpy(text + length, wide(request.compositionText), request.compositionLength);
    length += request.compositionLength;
    ComPtr<ITfRange> inserted;
    if (length > 0)
        insert->InsertTextAtSelection(ec, TF_IAS_NOQUERY, text, length, inserted.out());
}

void DocumentWriter::place_caret(TfEditCookie ec, ITfContext* context, ITfRange* composition)
{
    ComPtr<ITfRange> caret;
    if (FAILED(composition->Clone(caret.out())) || FAILED(caret->Collapse(ec, TF_ANCHOR_END)))
        return;
    TF_SELECTION selection{};
    selection.range = caret.get();
    selection.style.ase = TF_AE_NONE;
    selection.style.fInterimChar = FALSE;
    context->SetSelection(ec, 1, &selection);
    expectedCaret_ = std::move(caret);
}

bool DocumentWriter::is_expected_caret(TfEditCookie ec, ITfRange* selection) const
{
    BOOL start = FALSE, end = FALSE;
    return expectedCaret_ && SUCCEEDED(selection->IsEqualStart(ec, expectedCaret_.get(), TF_ANCHOR_START, &start))
           && start && SUCCEEDED(selection->IsEqualEnd(ec, expectedCaret_.get(), TF_ANCHOR_END, &end)) && end;
}

ComPtr<ITfRange> DocumentWriter::expected_caret_in(ITfContext* context) const
{
    ComPtr<ITfContext> owner;
    if (!expectedCaret_ || FAILED(expectedCaret_->GetContext(owner.out())) || !same_object(owner.get(), context))
        return {};
    ComPtr<ITfRange> copy;
    expectedCaret_->Clone(copy.out());
    return copy;
}

bool DocumentWriter::caret_is_at(TfEditCookie ec, ITfContext* context, ITfRange* point, TfAnchor anchor) const
{
    TF_SELECTION selection{};
    ULONG fetched = 0;
    if (!point || FAILED(context->GetSelection(ec, TF_DEFAULT_SELECTION, 1, &selection, &fetched)) || fetched != 1)
        return false;
    ComPtr<ITfRange> caret;
    caret.attach(selection.range);
    BOOL start = FALSE, end = FALSE;
    return SUCCEEDED(caret->IsEqualStart(ec, point, anchor, &start)) && start
           && SUCCEEDED(caret->IsEqualEnd(ec, point, anchor, &end)) && end;
}

bool DocumentWriter::caret_is_expected(TfEditCookie ec, ITfContext* context) const
{
    TF_SELECTION selection{};
    ULONG fetched = 0;
    if (FAILED(context->GetSelection(ec, TF_DEFAULT_SELECTION, 1, &selection, &fetched)) || fetched != 1)
        return false;
    ComPtr<ITfRange> caret;
    caret.attach(selection.range);
    return is_expected_caret(ec, caret.get());
}

// One write as it goes: the text it writes (narrowed to the word when the
// caret moved), whether the caret follows it, and what the composition keeps.
struct DocumentWriter::Step {
    const EditRequest* request = nullptr;
    EditRequest wordOnly;
    bool follow = false;        // the caret goes after the composition
    WCHAR text[1200];           // what replaces the composition's range
    int prefix = 0;             // units of `text` the composition kept from before
    bool lastWordOnly = false;  // what lies before is out of reach: only the commit's last word is written
    int total = 0;              // units of `text` before the word being typed
    int kept = 0;               // units before the word that stay composed
};

DocumentWriter::Written DocumentWriter::write(TfEditCookie ec, ITfContext* context, const EditRequest& request,
                                              CompositionHolder& holder, bool current)
{
    Written written;
    Step step;
    step.request = &request;
    step.follow = current;
    if (settle_composition(ec, context, request, holder))
        return written;
    if (!holder.composition) {
        if (!begin_composition(ec, context, holder, current, step, written))
            return written;
    } else if (!step.follow && !holder.caretMovedAway) {
        // A late write of another holder takes the caret along only from the word's end.
        ComPtr<ITfRange> range = composition_range(holder.composition.get());
        step.follow = caret_is_at(ec, context, range.get(), TF_ANCHOR_END);
    }
    ComPtr<ITfRange> range = composition_range(holder.composition.get());
    if (!range || !reach_over_committed(ec, context, holder, range, step)) {
        written.result = E_FAIL;
        return written;
    }
    replace_text(ec, context, range.get(), step);
    keep_composed(ec, holder, range.get(), step);
    range = composition_range(holder.composition.get());
    if (!range) {
        written.result = E_FAIL;
        return written;
    }
    mark_word_and_caret(ec, context, holder, range.get(), step);
    return written;
}

bool DocumentWriter::settle_composition(TfEditCookie ec, ITfContext* context, const EditRequest& request,
                                        CompositionHolder& holder)
{
    // A composition the application moved to another document is not ours to write.
    ComPtr<ITfRange> range = composition_range(holder.composition.get());
    ComPtr<ITfContext> owner;
    if (!holder.composition)
        return false;
    if (!range || FAILED(range->GetContext(owner.out())) || !same_object(owner.get(), context)) {
        holder.forget_composition();
        return false;
    }
    // Nothing to write ends the word as shown, unless the word was emptied and its text must go.
    if (writes_nothing(request) && !request.emptiedWord) {
        end_composition(ec, holder);
        return true;
    }
    return false;
}

bool DocumentWriter::begin_composition(TfEditCookie ec, ITfContext* context, CompositionHolder& holder, bool current,
                                       Step& step, Written& written)
{
    const EditRequest& request = *step.request;
    holder.keptLength = 0;
    if (writes_nothing(request))
        return false;
    if (current && request.deleteCount > 0 && !is_transitory(context) && !caret_is_expected(ec, context)) {
        // Someone else wrote before the caret: reaching back would hit their
        // text and committing would double ours.
        written.caretMoved = true;
        if (request.compositionLength == 0)
            return false;
        step.wordOnly.compositionLength = request.compositionLength;
        wmemcpy(wide_out(step.wordOnly.compositionText), wide(request.compositionText), request.compositionLength);
        step.request = &step.wordOnly;
    }
    ComPtr<ITfInsertAtSelection> insert;
    if (FAILED(context->QueryInterface(IID_ITfInsertAtSelection, insert.out_void()))) {
        written.result = E_FAIL;
        return false;
    }
    ComPtr<ITfRange> at;
    if (holder.start)
        holder.start->Clone(at.out());
    else if (FAILED(insert->InsertTextAtSelection(ec, TF_IAS_QUERYONLY, nullptr, 0, at.out())))
        at.reset();
    // A word written later than it was typed takes the caret along while
    // the caret still stands where it goes.
    step.follow = step.follow || (!holder.caretMovedAway && caret_is_at(ec, context, at.get(), TF_ANCHOR_START));
    ComPtr<ITfContextComposition> compositions;
    if (!at || FAILED(context->QueryInterface(IID_ITfContextComposition, compositions.out_void()))
        || FAILED(compositions->StartComposition(ec, at.get(), sink_, holder.composition.out()))
        || !holder.composition) {
        // An application that takes no composition gets the text as typed.
        holder.forget_composition();
        insert_plain_text(ec, context, *step.request);
        written.insertedPlainly = true;
        return false;
    }
    holder.start.reset();
    return true;
}

bool DocumentWriter::reach_over_committed(TfEditCookie ec, ITfContext* context, CompositionHolder& holder,
                                          ComPtr<ITfRange>& range, Step& step)
{
    // A correction deletes committed text: in a legacy control the part the
    // composition still keeps, elsewhere the text right before the composition.
    int delete_count = step.request->deleteCount;
    bool read_kept = false;
    if (holder.keptLength > 0) {
        ULONG got = 0;
        ULONG want = holder.keptLength < int(KEPT_READ) ? ULONG(holder.keptLength) : KEPT_READ;
        if (FAILED(range->GetText(ec, 0, step.text, want, &got)))
            got = 0;
        read_kept = got > 0;
        KeptPrefix kept = keep_prefix(units(step.text, got), delete_count);
        step.prefix = kept.units;
        step.lastWordOnly = kept.lastWordOnly;
    }
    if (read_kept || delete_count == 0)
        return true;
    bool reached = false;
    ComPtr<ITfRange> back;
    if (!is_transitory(context) && SUCCEEDED(range->Clone(back.out()))
        && SUCCEEDED(back->Collapse(ec, TF_ANCHOR_START))) {
        ReachBack covered = reach_back(ec, back.get(), delete_count);
        // Only a whole word up to a space is taken into the composition.
        reached = covered.covered == delete_count && covered.endsWithSpace
                  && SUCCEEDED(holder.composition->ShiftStart(ec, back.get()));
    }
    if (!reached) {
        step.lastWordOnly = true;
        return true;
    }
    range = composition_range(holder.composition.get());
    return static_cast<bool>(range);
}

void DocumentWriter::replace_text(TfEditCookie ec, ITfContext* context, ITfRange* range, Step& step)
{
    // Kept text, then the commit (only its last word when the rest lies out of
    // reach), then the word being typed.
    const EditRequest& request = *step.request;
    int committed_start = step.lastWordOnly ? last_word_start({request.commitText, size_t(request.commitLength)}) : 0;
    int committed = request.commitLength - committed_start;
    wmemcpy(step.text + step.prefix, wide(request.commitText + committed_start), committed);
    step.total = step.prefix + committed;
    wmemcpy(step.text + step.total, wide(request.compositionText), request.compositionLength);
    range->SetText(ec, 0, step.text, step.total + request.compositionLength);
    clear_display_attribute(ec, context, range);
    step.kept = is_transitory(context) ? kept_units(units(step.text, step.total), step.prefix,
                                                    {request.commitText + committed_start, size_t(committed)},
                                                    request.keepCount, is_context_word_u16)
                                       : 0;
}

void DocumentWriter::keep_composed(TfEditCookie ec, CompositionHolder& holder, ITfRange* range, const Step& step)
{
    // A legacy control cannot be reached back into: the committed words a
    // later correction may still change stay in the composition.
    holder.keptLength = step.kept;
    if (step.kept >= step.total)
        return;
    ComPtr<ITfRange> rest;
    LONG moved = 0;
    if (SUCCEEDED(range->Clone(rest.out())) && SUCCEEDED(rest->ShiftStart(ec, step.total - step.kept, &moved, nullptr)))
        holder.composition->ShiftStart(ec, rest.get());
}

void DocumentWriter::mark_word_and_caret(TfEditCookie ec, ITfContext* context, CompositionHolder& holder,
                                         ITfRange* range, const Step& step)
{
    // The word being typed is underlined; kept text is not.
    if (step.request->compositionLength > 0 && displayAttributeAtom_) {
        ComPtr<ITfRange> word;
        LONG moved = 0;
        if (SUCCEEDED(range->Clone(word.out())) && SUCCEEDED(word->ShiftStart(ec, step.kept, &moved, nullptr)))
            set_display_attribute(ec, context, word.get());
    }
    if (step.follow) {
        place_caret(ec, context, range);
    } else if (SUCCEEDED(range->Clone(holder.start.out()))) {
        // Away from the caret, the next composition of this holder goes on where this one ends.
        holder.start->Collapse(ec, TF_ANCHOR_END);
    }
    // With nothing left to compose, the composition ends.
    if (step.kept == 0 && step.request->compositionLength == 0) {
        holder.composition->EndComposition(ec);
        holder.forget_composition();
    }
}

}  // namespace miradot
