// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
#include "layout.h"

#include "behaviour_rows.h"
#include "dialog_state.h"
#include "resource.h"
#include "scroll_view.h"
#include "theme.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

const Card CARDS[CARD_COUNT] = {
    {24, 110, 417, 150, IDC_HEAD_METHOD},     {24, 278, 417, 480, IDC_HEAD_TYPING},
    {24, 776, 417, 110, IDC_HEAD_LEARNED},    {459, 110, 417, 124, IDC_HEAD_VOICE},
    {459, 252, 417, 246, IDC_HEAD_TRANSLATE}, {459, 516, 417, 226, IDC_HEAD_UPDATE},
    {459, 760, 417, 273, IDC_HEAD_TIPS},
};

namespace {

template <typename F> F system_function(const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

constexpr double FIT_MARGIN = 8;
constexpr double SHRINK_FLOOR = 0.85;
constexpr double SCROLL_LINE = 40;
constexpr int SCREENSHOT_LIMIT = 8000;
// Glyphs drawn at a shrunk size run up to a few per cent past the advance
// widths measured for them; a box sized from a measurement keeps that room.
constexpr double DRAWN_WIDTH_ROOM = 1.05;

double text_width(HWND dialog, HFONT font, int id)
{
    wchar_t text[128];
    int length = GetDlgItemTextW(dialog, id, text, 128);
    HDC dc = GetDC(dialog);
    HGDIOBJ previous = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, text, length, &size);
    SelectObject(dc, previous);
    ReleaseDC(dialog, dc);
    return size.cx * DRAWN_WIDTH_ROOM / settings_dialog().scale;
}

bool visible(HWND dialog, int id)
{
    // The style, not IsWindowVisible: the first layout runs before the dialog shows.
    return (GetWindowLongPtrW(GetDlgItem(dialog, id), GWL_STYLE) & WS_VISIBLE) != 0;
}

void set_scroll(HWND dialog, int position)
{
    if (!move_scroll(dialog, settings_dialog().view, position))
        return;
    place_controls(dialog);
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_FRAME);
}

void fit_and_size(HWND dialog, bool centre)
{
    SettingsDialog& d = settings_dialog();
    UINT dpi = window_dpi(dialog);
    d.dpiScale = dpi / 96.0;
    double scale = d.dpiScale;

    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(dialog, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    RECT frame = frame_for(dialog, dpi);
    int frameWidth = frame.right - frame.left, frameHeight = frame.bottom - frame.top;
    double margin = FIT_MARGIN * d.dpiScale;
    double availableHeight = (work.bottom - work.top) - 2 * margin - frameHeight;
    double availableWidth = (work.right - work.left) - 2 * margin - frameWidth;
    if (!d.screenshot) {
        double factor
            = std::min({availableHeight / (DESIGN_HEIGHT * scale), availableWidth / (DESIGN_WIDTH * scale), 1.0});
        scale *= factor < SHRINK_FLOOR ? SHRINK_FLOOR : factor;
    }
    d.scale = scale;
    // A screenshot shows the whole content, unscrolled.
    fit_scroll_view(d.view, int(std::lround(DESIGN_HEIGHT * scale)),
                    d.screenshot ? std::numeric_limits<int>::max() : int(availableHeight));

    int clientWidth = int(std::lround(DESIGN_WIDTH * scale)) + (d.view.scrollable ? scroll_bar_width(dpi) : 0);
    int width = std::min(clientWidth + frameWidth, SCREENSHOT_LIMIT);
    int height = std::min(d.view.viewHeight + frameHeight, SCREENSHOT_LIMIT);
    RECT now;
    GetWindowRect(dialog, &now);
    int x = now.left, y = now.top;
    if (centre) {
        x = work.left + ((work.right - work.left) - width) / 2;
        y = work.top + std::max(0L, ((work.bottom - work.top) - height) / 2);
    }
    SetWindowPos(dialog, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    apply_scroll_info(dialog, d.view);
}

}  // namespace

UINT window_dpi(HWND window)
{
    static auto get_dpi = system_function<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    if (get_dpi) {
        UINT dpi = get_dpi(window);
        if (dpi)
            return dpi;
    }
    HDC dc = GetDC(window);
    int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 0;
    if (dc)
        ReleaseDC(window, dc);
    return dpi > 0 ? UINT(dpi) : 96;
}

RECT frame_for(HWND window, UINT dpi)
{
    static auto adjust = system_function<BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
    RECT frame{0, 0, 0, 0};
    DWORD style = DWORD(GetWindowLongPtrW(window, GWL_STYLE)) & ~WS_VSCROLL;
    DWORD exStyle = DWORD(GetWindowLongPtrW(window, GWL_EXSTYLE));
    if (!adjust || !adjust(&frame, style, FALSE, exStyle, dpi))
        AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    return frame;
}

int scroll_bar_width(UINT dpi)
{
    static auto metrics = system_function<int(WINAPI*)(int, UINT)>("GetSystemMetricsForDpi");
    return metrics ? metrics(SM_CXVSCROLL, dpi) : GetSystemMetrics(SM_CXVSCROLL);
}

bool design_rect(HWND dialog, int id, DesignRect* r)
{
    bool voiceInstall = visible(dialog, IDC_VOICE_INSTALL);
    bool translateInstall = visible(dialog, IDC_TRANSLATE_INSTALL);
    switch (id) {
    case IDC_TELEX:
        *r = {46, 160, 186.5, 44};
        return true;
    case IDC_VNI:
        *r = {232.5, 160, 186.5, 44};
        return true;
    case IDC_LEARNED_LINE:
        *r = {42, 820, 185, 48};
        return true;
    case IDC_CLEAR_LEARNED:
        *r = {237, 822, 186, 44};
        return true;
    case IDC_VOICE_HOTKEY:
        *r = {473, 152, voiceInstall ? 215.0 : 389.0, 32};
        return true;
    case IDC_TRANSLATE_HOTKEY:
        *r = {473, 294, translateInstall ? 215.0 : 389.0, 32};
        return true;
    case IDC_VOICE_STATUS:
        *r = {477, 190, voiceInstall ? 211.0 : 381.0, 34};
        return true;
    case IDC_TRANSLATE_STATUS:
        *r = {477, 332, translateInstall ? 211.0 : 381.0, 34};
        return true;
    case IDC_VOICE_INSTALL:
        *r = {698, 166, 160, 46};
        return true;
    case IDC_TRANSLATE_INSTALL:
        *r = {698, 308, 160, 46};
        return true;
    case IDC_PARTNER_LANGUAGE:
        *r = {714, 386, 144, 240};
        return true;
    case IDC_LANGUAGES:
        *r = {714, 445, 144, 44};
        return true;
    case IDC_UPDATE_CHECK:
        *r = {467, 560, 401, 60};
        return true;
    case IDC_UPDATE_LINE:
        *r = {479, 666, 211, 60};
        return true;
    case IDC_CHECK_NOW:
        *r = {702, 636, 156, 44};
        return true;
    case IDC_UPDATE_INSTALL:
        *r = {702, 682, 156, 44};
        return true;
    case IDC_CONVERT:
        *r = {626, 1047, 120, 40};
        return true;
    case IDCANCEL:
        *r = {756, 1047, 120, 40};
        return true;
    case IDC_VERSION_LINE: {
        double width = text_width(dialog, fonts_for_scale(settings_dialog().scale).body, IDC_VERSION_LINE);
        *r = {26, 1047, width + 4, 38};
        return true;
    }
    case IDC_COPY_DIAGNOSTICS: {
        double width = text_width(dialog, fonts_for_scale(settings_dialog().scale).cardTitle, IDC_COPY_DIAGNOSTICS);
        *r = {616 - (width + 32), 1047, width + 32, 40};
        return true;
    }
    case IDC_HOME_PAGE: {
        const Fonts& f = fonts_for_scale(settings_dialog().scale);
        double after = 26 + text_width(dialog, f.body, IDC_VERSION_LINE) + 4;
        *r = {after, 1051, text_width(dialog, f.link, IDC_HOME_PAGE) + 16, 30};
        return true;
    }
    }
    for (int n = 0; n < int(std::size(BEHAVIOURS)); ++n)
        if (BEHAVIOURS[n].id == id) {
            *r = {32, 322.0 + 61 * n, 401, 60};
            return true;
        }
    for (const Card& card : CARDS)
        if (card.heading == id) {
            *r = {card.x + 18, card.y + 18, 381, 18};
            return true;
        }
    return false;
}

RECT to_client(const DesignRect& r)
{
    int scroll = settings_dialog().view.scroll;
    RECT out{scaled(r.x), scaled(r.y) - scroll, scaled(r.x + r.w), scaled(r.y + r.h) - scroll};
    return out;
}

void place_controls(HWND dialog)
{
    SettingsDialog& d = settings_dialog();
    fonts_for_scale(d.scale);
    HWND combo = GetDlgItem(dialog, IDC_PARTNER_LANGUAGE);
    SendMessageW(combo, CB_SETITEMHEIGHT, WPARAM(-1), scaled(38) - 6);
    SendMessageW(combo, CB_SETITEMHEIGHT, 0, scaled(30));
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        DesignRect r;
        if (!design_rect(dialog, GetDlgCtrlID(child), &r))
            continue;
        RECT at = to_client(r);
        SetWindowPos(child, nullptr, at.left, at.top, at.right - at.left, at.bottom - at.top,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    }
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void layout_dialog(HWND dialog)
{
    SettingsDialog& d = settings_dialog();
    fit_and_size(dialog, !d.placed);
    d.placed = true;
    place_controls(dialog);
}

void layout_after_dpi_change(HWND dialog, const RECT* suggested)
{
    if (suggested)
        SetWindowPos(dialog, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    layout_dialog(dialog);
}

void scroll_dialog(HWND dialog, int request)
{
    set_scroll(dialog, requested_scroll(dialog, settings_dialog().view, request, scaled(SCROLL_LINE)));
}

void scroll_wheel(HWND dialog, int delta)
{
    set_scroll(dialog, wheel_scroll(settings_dialog().view, delta, scaled(SCROLL_LINE)));
}

void scroll_into_view(HWND dialog, HWND child)
{
    set_scroll(dialog, scroll_showing(dialog, settings_dialog().view, child, scaled(FIT_MARGIN)));
}
