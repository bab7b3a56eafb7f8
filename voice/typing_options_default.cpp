#include "engine.h"
#include "typing_options.h"

namespace miradot {

uint32_t read_typing_options() { return DEFAULT_OPTIONS; }

}  // namespace miradot
