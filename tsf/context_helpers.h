// Questions asked of a TSF context.
#pragma once

#include "tsf_interfaces.h"

#include <optional>

namespace miradot {

// Whether two interface pointers belong to one COM object.
bool same_object(IUnknown* a, IUnknown* b);

// A transitory context is a legacy control seen through TSF: it shows only
// the composition and keeps no history the service could reach back into.
bool is_transitory(ITfContext* context);

// The window that shows the context (its active view's), else the focus
// window: where a key taken from it is sent again.
HWND context_window(ITfContext* context);

// The context's compartment GUID_COMPARTMENT_KEYBOARD_DISABLED or
// GUID_COMPARTMENT_EMPTYCONTEXT is set: no keys are taken there.
bool is_disabled(ITfContext* context);

// Inside an edit session: the input scope at the selection (or the start of
// the document) marks a password or private field.
bool is_private_field(TfEditCookie ec, ITfContext* context);

// Inside an edit session: the screen rectangle of the selection, when the
// application tells it.
std::optional<RECT> selection_rect(TfEditCookie ec, ITfContext* context);

}  // namespace miradot
