#pragma once

#include <windows.h>

namespace miradot {

// Screen frame of a note whose text measures `text`, hung below `anchor` and
// kept inside the work area (above the anchor when there is no room below).
RECT hint_frame(const RECT& anchor, SIZE text, const RECT* work);

// Where a note hangs when the text's own position is unknown: the caret of
// this thread, else the bottom edge of its focus window, else near (100, 100).
RECT caret_anchor();

// The system's message font; null when it cannot be had.
HFONT message_font();

// Paints a note window: its background, a grey frame, and its text in the
// font kept in the window's user data, 8 pixels in from the sides and `top`
// from the top, laid out by DrawTextW's `format`.
void paint_note(HWND window, COLORREF background, COLORREF text, int top, UINT format);

// The small "Tab → …" note next to the caret; never takes focus.
class HintWindow {
public:
    // Copies the text (at most 399 characters) and creates the window when needed;
    // false when there is no window to show it in.
    bool set_text(const wchar_t* text);
    // Places and shows the window below `anchor`, or at the caret when null.
    void place(const RECT* anchor);
    void hide();
    void destroy();

    bool empty() const { return text_[0] == 0; }
    bool placed() const { return placed_; }
    void clear_placed() { placed_ = false; }
    HWND window() const { return window_; }

private:
    HWND window_ = nullptr;
    HFONT font_ = nullptr;
    wchar_t text_[400] = {};
    bool placed_ = false;
};

}  // namespace miradot
