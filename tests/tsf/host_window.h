// A visible window that draws a host document: its text from (10, 10), the
// word carrying the display attribute underlined, the caret as a bar.
#pragma once

#include "host_tsf.h"

#include <functional>

HWND create_document_window(HostDocument* document, LONG attribute_atom, int x, int y);
// A window that only receives the document's messages (keys the processor
// sends again), and is never shown.
HWND create_document_message_window(HostDocument* document);

// Messages the window received from the user: clicks and key-downs.
struct Received {
    int clicks = 0;
    int keyDowns = 0;
    WPARAM lastKey = 0;
};
const Received& received(HWND window);

// Pumps the thread's messages until none are left, so windows are drawn.
void pump_messages();

// Pumps messages until `done` holds or the bound passes (X events under Wine
// arrive when they arrive); returns whether it held.
bool pump_until(const std::function<bool()>& done, DWORD bound_ms = 15000);

// Wine runs one window manager per desktop, started by the first program that
// touches it; on the shared default desktop that may be a Wine test without a
// display, and then our windows are never mapped or focused. A desktop of
// this run's own keeps windows, focus, clicks and the screen to this program.
bool use_own_desktop();
