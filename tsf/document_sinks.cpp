// Changes made by someone else: the caret moved away from where the last edit
// left it, or the application ended the composition.
#include "processor.h"

#include "com_ptr.h"

STDMETHODIMP TextInputProcessor::OnEndEdit(ITfContext* context, TfEditCookie ec, ITfEditRecord* record)
{
    BOOL selection_changed = FALSE;
    if (!context || !record || FAILED(record->GetSelectionStatus(&selection_changed)) || !selection_changed)
        return S_OK;
    TF_SELECTION selection{};
    ULONG fetched = 0;
    if (FAILED(context->GetSelection(ec, TF_DEFAULT_SELECTION, 1, &selection, &fetched)) || fetched != 1)
        return S_OK;
    ComPtr<ITfRange> caret;
    caret.attach(selection.range);
    BOOL start = FALSE, end = FALSE;
    bool expected = expectedCaret_
                    && SUCCEEDED(caret->IsEqualStart(ec, expectedCaret_, TF_ANCHOR_START, &start)) && start
                    && SUCCEEDED(caret->IsEqualEnd(ec, expectedCaret_, TF_ANCHOR_END, &end)) && end;
    if (expected)
        return S_OK;
    drop_word();
    if (compositionHolder_ && compositionHolder_->composition)
        detach_and_finish(EditRequest{}, EDIT_END_COMPOSITION, TF_ES_READWRITE);
    return S_OK;
}

STDMETHODIMP TextInputProcessor::OnCompositionTerminated(TfEditCookie ec, ITfComposition* composition)
{
    CompositionHolder* holder = compositionHolder_;
    if (!holder || !holder->composition || holder->composition != composition)
        return S_OK;
    if (holder->context) {
        ComPtr<ITfRange> range;
        if (SUCCEEDED(composition->GetRange(range.out())))
            clear_display_attribute(ec, holder->context, range.get());
    }
    holder->forget_composition();
    holder->keptLength = 0;
    drop_word();
    return S_OK;
}
