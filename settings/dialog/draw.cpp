// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
#include "draw.h"

#include "dialog_state.h"

#include <algorithm>
#include <gdiplus.h>

namespace {

Gdiplus::Color argb_colour(uint32_t argb)
{
    return Gdiplus::Color(BYTE(argb >> 24), BYTE(argb >> 16), BYTE(argb >> 8), BYTE(argb));
}

void rounded_path(Gdiplus::GraphicsPath& path, const RECT& r, int radius)
{
    float x = float(r.left), y = float(r.top);
    float w = float(r.right - r.left) - 1, h = float(r.bottom - r.top) - 1;
    float d = float(std::min({radius * 2, int(w), int(h)}));
    if (d <= 1) {
        path.AddRectangle(Gdiplus::RectF(x, y, w, h));
        return;
    }
    path.AddArc(x, y, d, d, 180, 90);
    path.AddArc(x + w - d, y, d, d, 270, 90);
    path.AddArc(x + w - d, y + h - d, d, d, 0, 90);
    path.AddArc(x, y + h - d, d, d, 90, 90);
    path.CloseFigure();
}

struct Smooth {
    Gdiplus::Graphics g;
    explicit Smooth(HDC dc) : g(dc) { g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias); }
};

}  // namespace

OffscreenCanvas::OffscreenCanvas(HDC target, const RECT& area) : target_(target), area_(area)
{
    dc_ = CreateCompatibleDC(target);
    bitmap_ = CreateCompatibleBitmap(target, std::max(1, width()), std::max(1, height()));
    previous_ = SelectObject(dc_, bitmap_);
    SetWindowOrgEx(dc_, area.left, area.top, nullptr);
    SetBkMode(dc_, TRANSPARENT);
}

OffscreenCanvas::~OffscreenCanvas()
{
    SetWindowOrgEx(dc_, 0, 0, nullptr);
    BitBlt(target_, area_.left, area_.top, width(), height(), dc_, 0, 0, SRCCOPY);
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
}

void fill_rect(HDC dc, const RECT& r, PaletteEntry colour) { FillRect(dc, &r, cached_brush(colour)); }

void fill_round_rect(HDC dc, const RECT& r, int radius, uint32_t argb)
{
    Smooth s(dc);
    Gdiplus::GraphicsPath path;
    rounded_path(path, r, radius);
    Gdiplus::SolidBrush brush(argb_colour(argb));
    s.g.FillPath(&brush, &path);
}

void outline_round_rect(HDC dc, const RECT& r, int radius, uint32_t argb, float width)
{
    Smooth s(dc);
    Gdiplus::GraphicsPath path;
    rounded_path(path, r, radius);
    Gdiplus::Pen pen(argb_colour(argb), width);
    s.g.DrawPath(&pen, &path);
}

void fill_gradient_round_rect(HDC dc, const RECT& r, int radius, uint32_t fromRgb, uint32_t toRgb)
{
    Smooth s(dc);
    Gdiplus::GraphicsPath path;
    rounded_path(path, r, radius);
    Gdiplus::LinearGradientBrush brush(Gdiplus::Point(r.left, r.top), Gdiplus::Point(r.right, r.bottom),
                                       argb_colour(fromRgb | 0xFF000000), argb_colour(toRgb | 0xFF000000));
    s.g.FillPath(&brush, &path);
}

void fill_ellipse(HDC dc, const RECT& r, uint32_t argb)
{
    Smooth s(dc);
    Gdiplus::SolidBrush brush(argb_colour(argb));
    s.g.FillEllipse(&brush, float(r.left), float(r.top), float(r.right - r.left - 1), float(r.bottom - r.top - 1));
}

int draw_text(HDC dc, const std::wstring& text, RECT r, HFONT font, COLORREF colour, UINT format)
{
    HGDIOBJ previous = SelectObject(dc, font);
    SetTextColor(dc, colour);
    SetBkMode(dc, TRANSPARENT);
    RECT measured = r;
    DrawTextW(dc, text.c_str(), int(text.size()), &measured, (format & ~DT_END_ELLIPSIS) | DT_CALCRECT | DT_NOPREFIX);
    // DrawText centres single lines only; wrapped text is centred here.
    if ((format & DT_VCENTER) && (format & DT_WORDBREAK)) {
        int free = (r.bottom - r.top) - (measured.bottom - measured.top);
        if (free > 0)
            r.top += free / 2;
        format = (format & ~DT_VCENTER) | DT_EDITCONTROL;
    }
    if (!(format & DT_CALCRECT))
        DrawTextW(dc, text.c_str(), int(text.size()), &r, format | DT_NOPREFIX);
    SelectObject(dc, previous);
    return int(std::min(measured.right - measured.left, r.right - r.left));
}

int text_extent(HDC dc, const std::wstring& text, HFONT font)
{
    HGDIOBJ previous = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &size);
    SelectObject(dc, previous);
    return size.cx;
}

void draw_switch(HDC dc, const RECT& r, bool on, bool enabled)
{
    uint32_t track = on ? pal_argb(PAL_ACCENT) : pal_argb(PAL_SWITCH_OFF);
    if (!enabled)
        track = (track & 0x00FFFFFF) | 0x70000000;
    int h = r.bottom - r.top;
    fill_round_rect(dc, r, h / 2, track);
    int inset = std::max(2, h / 8);
    int knob = h - 2 * inset;
    int x = on ? r.right - inset - knob : r.left + inset;
    fill_ellipse(dc, {x, r.top + inset, x + knob, r.top + inset + knob}, pal_argb(PAL_SWITCH_KNOB));
}

int draw_keycap(HDC dc, int x, int top, int h, const std::wstring& label)
{
    const Fonts& f = fonts_for_scale(settings_dialog().scale);
    int pad = scaled(5);
    int width = std::max(h, text_extent(dc, label, f.keycap) + 2 * pad);
    RECT cap{x, top, x + width, top + h};
    RECT shadow = cap;
    OffsetRect(&shadow, 0, std::max(1, scaled(1.5)));
    fill_round_rect(dc, shadow, scaled(5), pal_argb(PAL_KEYCAP_BORDER));
    fill_round_rect(dc, cap, scaled(5), pal_argb(PAL_KEYCAP));
    outline_round_rect(dc, cap, scaled(5), pal_argb(PAL_KEYCAP_BORDER));
    draw_text(dc, label, cap, f.keycap, pal(PAL_KEYCAP_TEXT), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    return width;
}

int draw_keycaps(HDC dc, int x, int top, int h, const std::wstring& hotkey)
{
    size_t start = 0;
    for (int part = 0; part < 4 && start <= hotkey.size(); ++part) {
        size_t plus = hotkey.find(L'+', start);
        std::wstring label = hotkey.substr(start, plus == std::wstring::npos ? std::wstring::npos : plus - start);
        x += draw_keycap(dc, x, top, h, label) + scaled(4);
        if (plus == std::wstring::npos)
            break;
        start = plus + 1;
    }
    return x;
}
