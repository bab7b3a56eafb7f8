#include "typing_options.h"

#include "engine.h"

namespace miradot {

uint32_t transcript_options(uint32_t typing_options)
{
    constexpr uint32_t FOLLOWED = OPT_OLD_TONE | OPT_AUTO_CORRECT;
    return (DEFAULT_OPTIONS & ~FOLLOWED) | (typing_options & FOLLOWED);
}

}  // namespace miradot
