#include "settings_store.h"
#include "typing_options.h"

namespace miradot {

uint32_t read_typing_options() { return read_settings().options; }

}  // namespace miradot
