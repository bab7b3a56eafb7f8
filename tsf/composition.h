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
    // The composition is there and keeps committed characters, or a refused
    // write still waits to be written.
    bool keeps_characters() const { return (composition && keptLength > 0) || unwritten; }

    ComPtr<ITfComposition> composition;
    int keptLength = 0;          // characters before the word that a transitory context keeps composed
    ComPtr<ITfContext> context;  // where the composition lives; set at the first request
    // A write into this context that the application refused: the next write
    // here carries it, so committed text is never lost.
    std::unique_ptr<EditRequest> unwritten;

private:
    CompositionHolder() = default;
    unsigned refs_ = 1;
};

}  // namespace miradot
