#pragma once

#include "tsf_interfaces.h"

// Whether two interface pointers belong to one COM object.
bool same_object(IUnknown* a, IUnknown* b);

// A transitory context is a legacy control seen through TSF: it shows only
// the composition and keeps no history the service could reach back into.
bool is_transitory(ITfContext* context);
