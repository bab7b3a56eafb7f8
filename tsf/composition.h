#pragma once

#include "edit_request.h"
#include "tsf_interfaces.h"

#include <memory>

// Shared record of one composition; each edit session holds a reference.
class CompositionHolder {
public:
    static CompositionHolder* create();
    void add_ref() { ++refs_; }
    void release();

    // Releases the composition (the text stays in the document).
    void forget_composition();
    void set_context(ITfContext* context);

    ITfComposition* composition = nullptr;
    int keptLength = 0;  // characters before the word that a transitory context keeps composed
    ITfContext* context = nullptr;
    // A write into this context that the application refused: the next write
    // here carries it, so committed text is never lost.
    std::unique_ptr<EditRequest> unwritten;

private:
    CompositionHolder() = default;
    ~CompositionHolder();
    unsigned refs_ = 1;
};
