// Carries out edit requests inside an edit session: the composition around
// the word being typed, reaching back over committed text that the engine
// corrects, the display attribute, the caret, and the plain insertion used
// when an application accepts no composition.
#pragma once

#include "com_ptr.h"
#include "composition.h"
#include "edit_request.h"
#include "tsf_interfaces.h"

namespace miradot {

class DocumentWriter {
public:
    // `sink` hears of compositions the application ends: the processor,
    // which outlives the writer.
    explicit DocumentWriter(ITfCompositionSink* sink) : sink_(sink) {}

    void set_display_attribute(TfGuidAtom atom) { displayAttributeAtom_ = atom; }

    // What a write did besides changing the text.
    struct Written {
        HRESULT result = S_OK;
        bool insertedPlainly = false;  // no composition: the word being typed is gone from view
        // The caret is not where the last write left it, so the text before it
        // is not what the engine committed: nothing was reached back or committed.
        bool caretMoved = false;
    };
    // Writes `request` into `context`. The caret is placed after the
    // composition, and remembered, for the current holder, and for another
    // one while the caret still stands where that one writes.
    Written write(TfEditCookie ec, ITfContext* context, const EditRequest& request, CompositionHolder& holder,
                  bool current);
    // Ends the holder's composition; the text stays as displayed.
    void end_composition(TfEditCookie ec, CompositionHolder& holder);
    // The application ended the composition: it loses its mark.
    void composition_terminated(TfEditCookie ec, CompositionHolder& holder);

    // Whether the selection is where the last write left the caret.
    bool is_expected_caret(TfEditCookie ec, ITfRange* selection) const;
    bool caret_is_expected(TfEditCookie ec, ITfContext* context) const;
    // Where the last write left the caret, when that was in `context`.
    ComPtr<ITfRange> expected_caret_in(ITfContext* context) const;
    void forget_caret() { expectedCaret_.reset(); }

private:
    struct Step;
    // The steps of a write, in order; the first two end the write early when they return so.
    bool settle_composition(TfEditCookie ec, ITfContext* context, const EditRequest& request,
                            CompositionHolder& holder);
    bool begin_composition(TfEditCookie ec, ITfContext* context, CompositionHolder& holder, bool current, Step& step,
                           Written& written);
    bool reach_over_committed(TfEditCookie ec, ITfContext* context, CompositionHolder& holder, ComPtr<ITfRange>& range,
                              Step& step);
    void replace_text(TfEditCookie ec, ITfContext* context, ITfRange* range, Step& step);
    void keep_composed(TfEditCookie ec, CompositionHolder& holder, ITfRange* range, const Step& step);
    void mark_word_and_caret(TfEditCookie ec, ITfContext* context, CompositionHolder& holder, ITfRange* range,
                             const Step& step);
    void clear_display_attribute(TfEditCookie ec, ITfContext* context, ITfRange* range);
    void set_display_attribute(TfEditCookie ec, ITfContext* context, ITfRange* range);
    void insert_plain_text(TfEditCookie ec, ITfContext* context, const EditRequest& request);
    void place_caret(TfEditCookie ec, ITfContext* context, ITfRange* composition);
    bool caret_is_at(TfEditCookie ec, ITfContext* context, ITfRange* point, TfAnchor anchor) const;

    ITfCompositionSink* sink_;
    TfGuidAtom displayAttributeAtom_ = 0;
    ComPtr<ITfRange> expectedCaret_;  // where the last write left the caret
};

}  // namespace miradot
