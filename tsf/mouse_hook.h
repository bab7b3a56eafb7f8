#pragma once

#include <windows.h>

namespace miradot {

class TypingSession;

// In a legacy (transitory) control a click moves the caret without TSF
// noticing, so a thread mouse hook ends the word first and replays the click
// after the edit. The first processor activated on a thread owns the hook.
HHOOK install_mouse_hook(TypingSession* typing);
void remove_mouse_hook(TypingSession* typing, HHOOK hook);

}  // namespace miradot
