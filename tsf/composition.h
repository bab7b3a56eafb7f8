// The composition around the word being typed, shared by the edit sessions
// that work on it.
#pragma once

#include "com_ptr.h"
#include "edit_request.h"
#include "tsf_interfaces.h"

#include <memory>

namespace miradot {

// Counted the COM way so that a ComPtr holds it; every method runs on the
// processor's thread, so the count is plain.
class CompositionHolder {
public:
    // Null when there is no memory for it.
    static ComPtr<CompositionHolder> create();
    void AddRef() { ++refs_; }
    void Release();

    // Releases the composition (the text stays in the document).
    void forget_composition() { composition.reset(); }
    // The composition is there and keeps committed characters, a refused
    // write still waits to be written, or writes granted for later have yet
    // to run (and may leave characters kept).
    bool keeps_characters() const { return (composition && keptLength > 0) || unwritten || waiting > 0; }

    ComPtr<ITfComposition> composition;
    int keptLength = 0;          // characters before the word that a transitory context keeps composed
    ComPtr<ITfContext> context;  // where the composition lives; set at the first request
    // A write into this context that the application refused: the next write
    // here carries it, so committed text is never lost.
    std::unique_ptr<EditRequest> unwritten;
    int waiting = 0;  // write sessions granted for later that have not run yet
    // The user moved the caret away before the writes that start the
    // composition ran: they start it where the word was typed (`start`, when
    // known) and leave the caret where the user put it.
    bool caretMovedAway = false;
    ComPtr<ITfRange> start;

private:
    CompositionHolder() = default;
    unsigned refs_ = 1;
};

}  // namespace miradot
