// The typing options that shape a transcript: the user's tone placement and
// spelling repair, read from the settings store as the text service does.
#pragma once

#include <cstdint>

namespace miradot {

// The engine options a transcript is cleaned with: the defaults, with tone
// placement (OPT_OLD_TONE) and spelling repair (OPT_AUTO_CORRECT) as the
// typing options have them.
uint32_t transcript_options(uint32_t typing_options);

// The effective option word of the settings key; the defaults where there
// is no settings store (the native build).
uint32_t read_typing_options();

}  // namespace miradot
