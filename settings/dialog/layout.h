// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
// Where everything of the settings dialog lies: the design rectangles of the
// 900 by 1,103 canvas, the scale that fits the screen, scrolling.
#pragma once

#include <windows.h>

struct DesignRect {
    double x, y, w, h;
};

struct Card {
    double x, y, w, h;
    int heading;
};

constexpr int CARD_COUNT = 7;
extern const Card CARDS[CARD_COUNT];

constexpr double TIPS_TOP = 804;
constexpr double TIPS_STEP = 37;

// Design rectangle of a control; false for ids the layout does not place.
bool design_rect(HWND dialog, int id, DesignRect* rect);

// Device rectangle in client coordinates of a design one, scroll applied.
RECT to_client(const DesignRect& rect);

// Scale, fit, window size and scroll bar, then every control in place.
// The first call centres the window in the work area.
void layout_dialog(HWND dialog);
// After WM_DPICHANGED: take the suggested rectangle, then lay out again.
void layout_after_dpi_change(HWND dialog, const RECT* suggested);
// Controls only, for a changed visibility or text width.
void place_controls(HWND dialog);

// A WM_VSCROLL request.
void scroll_dialog(HWND dialog, int request);

// The window's DPI; the frame its style adds at that DPI (a vertical scroll
// bar not counted); the width of a vertical scroll bar at that DPI.
UINT window_dpi(HWND window);
RECT frame_for(HWND window, UINT dpi);
int scroll_bar_width(UINT dpi);
void scroll_wheel(HWND dialog, int delta);
void scroll_into_view(HWND dialog, HWND child);
