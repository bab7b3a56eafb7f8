// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
// Vertical scrolling of a settings window whose content is taller than the
// screen leaves room for: the settings dialog and the languages dialog.
#pragma once

#include <windows.h>

struct ScrollView {
    int scroll = 0;  // pixels scrolled from the top
    int viewHeight = 0;
    int contentHeight = 0;
    bool scrollable = false;
};

// Content of contentHeight pixels shown in at most available: scrollable
// when it does not fit, the position kept within the content.
void fit_scroll_view(ScrollView& view, int contentHeight, int available);

void apply_scroll_info(HWND window, const ScrollView& view);

// Moves to position, clamped to the content; false when it stays where it was.
bool move_scroll(HWND window, ScrollView& view, int position);

// Where a WM_VSCROLL request to window asks to go, lines of `line` pixels.
int requested_scroll(HWND window, const ScrollView& view, int request, int line);

// Where a wheel turn of delta asks to go.
int wheel_scroll(const ScrollView& view, int delta, int line);

// Where the view must go so that child, a control of window, shows with
// margin pixels around it.
int scroll_showing(HWND window, const ScrollView& view, HWND child, int margin);
