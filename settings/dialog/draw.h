// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
// Drawing primitives of the settings windows: shapes anti-aliased with
// GDI+, text with GDI, everything into an off-screen bitmap first.
#pragma once

#include "theme.h"

#include <windows.h>

#include <string>

// An off-screen bitmap the size of a rectangle; copied to the target when
// it goes out of scope.
class OffscreenCanvas {
public:
    OffscreenCanvas(HDC target, const RECT& area);
    ~OffscreenCanvas();
    OffscreenCanvas(const OffscreenCanvas&) = delete;
    OffscreenCanvas& operator=(const OffscreenCanvas&) = delete;
    HDC dc() const { return dc_; }
    int width() const { return area_.right - area_.left; }
    int height() const { return area_.bottom - area_.top; }

private:
    HDC target_;
    RECT area_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ previous_;
};

void fill_rect(HDC dc, const RECT& r, PaletteEntry colour);
void fill_round_rect(HDC dc, const RECT& r, int radius, uint32_t argb);
void outline_round_rect(HDC dc, const RECT& r, int radius, uint32_t argb, float width = 1.0f);
void fill_gradient_round_rect(HDC dc, const RECT& r, int radius, uint32_t fromRgb, uint32_t toRgb);
void fill_ellipse(HDC dc, const RECT& r, uint32_t argb);

// Text in one colour; returns the width drawn (DT_CALCRECT for measuring).
int draw_text(HDC dc, const std::wstring& text, RECT r, HFONT font, COLORREF colour, UINT format);
int text_extent(HDC dc, const std::wstring& text, HFONT font);

// A switch-like check state: track with a knob, at r.
void draw_switch(HDC dc, const RECT& r, bool on, bool enabled);
// One key cap with its label at (x, top) of height h; returns its width.
int draw_keycap(HDC dc, int x, int top, int h, const std::wstring& label);
// Caps for "Ctrl+Alt+V"-style text split at "+" (at most four); returns the end x.
int draw_keycaps(HDC dc, int x, int top, int h, const std::wstring& hotkey);
