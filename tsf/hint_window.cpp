// The "Tab → …" note: a popup that never activates and lets clicks through.
#include "hint_window.h"

#include "contained.h"
#include "module.h"

#include <cwchar>

namespace miradot {

namespace {

constexpr wchar_t HINT_CLASS[] = L"miraDotHint";
constexpr COLORREF HINT_BACKGROUND = RGB(232, 241, 255);
constexpr COLORREF HINT_TEXT = RGB(16, 42, 80);

LRESULT CALLBACK hint_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_PAINT:
        paint_note(window, HINT_BACKGROUND, HINT_TEXT, 5, DT_NOPREFIX | DT_WORDBREAK);
        return 0;
    default:
        return DefWindowProcW(window, message, wparam, lparam);
    }
}

}  // namespace

HFONT message_font()
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return nullptr;
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

void paint_note(HWND window, COLORREF background, COLORREF text, int top, UINT format)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    HBRUSH brush = CreateSolidBrush(background);
    FillRect(dc, &client, brush);
    DeleteObject(brush);
    FrameRect(dc, &client, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    wchar_t shown[401];
    GetWindowTextW(window, shown, 401);
    auto font = reinterpret_cast<HFONT>(GetWindowLongPtrW(window, GWLP_USERDATA));
    HGDIOBJ previous = font ? SelectObject(dc, font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, text);
    RECT inner = client;
    inner.left += 8;
    inner.right -= 8;
    inner.top += top;
    DrawTextW(dc, shown, -1, &inner, format);
    if (previous)
        SelectObject(dc, previous);
    EndPaint(window, &ps);
}

RECT caret_anchor()
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (GetGUIThreadInfo(GetCurrentThreadId(), &info)) {
        if (info.hwndCaret) {
            RECT caret = info.rcCaret;
            MapWindowPoints(info.hwndCaret, nullptr, reinterpret_cast<POINT*>(&caret), 2);
            return caret;
        }
        if (info.hwndFocus) {
            RECT window;
            if (GetWindowRect(info.hwndFocus, &window))
                return {window.left, window.bottom - 1, window.left + 1, window.bottom};
        }
    }
    return {100, 80, 101, 100};
}

RECT hint_frame(const RECT& anchor, SIZE text, const RECT* work)
{
    int width = text.cx + 18;
    int height = text.cy + 10;
    int x = anchor.left;
    int y = anchor.bottom + 4;
    if (work) {
        if (x + width > work->right)
            x = work->right - width;
        if (x < work->left)
            x = work->left;
        if (y + height > work->bottom)
            y = anchor.top - text.cy - 14;
    }
    return {x, y, x + width, y + height};
}

bool HintWindow::set_text(const wchar_t* text)
{
    wcsncpy(text_, text, 399);
    text_[399] = 0;
    if (!window_ && register_window_class(HINT_CLASS, contained_procedure<hint_procedure>)) {
        window_ = CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW | WS_EX_TOPMOST, HINT_CLASS, L"", WS_POPUP, 0, 0,
                                  10, 10, nullptr, nullptr, module_instance(), nullptr);
        if (window_) {
            font_ = message_font();
            SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(font_));
        }
    }
    if (!window_)
        return false;
    SetWindowTextW(window_, text_);
    return true;
}

void HintWindow::place(const RECT* anchor)
{
    if (!window_ || empty())
        return;
    RECT at = anchor ? *anchor : caret_anchor();
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    bool has_work = GetMonitorInfoW(MonitorFromPoint({at.left, at.bottom}, MONITOR_DEFAULTTONEAREST), &monitor);
    // A note wider than the work area (a long translation) wraps into lines.
    LONG widest = has_work ? monitor.rcWork.right - monitor.rcWork.left - 18 : 1000;
    RECT measured = {0, 0, widest > 100 ? widest : 100, 0};
    HDC dc = GetDC(window_);
    HGDIOBJ previous = font_ ? SelectObject(dc, font_) : nullptr;
    DrawTextW(dc, text_, -1, &measured, DT_CALCRECT | DT_NOPREFIX | DT_WORDBREAK);
    if (previous)
        SelectObject(dc, previous);
    ReleaseDC(window_, dc);
    SIZE size = {measured.right - measured.left, measured.bottom - measured.top};
    RECT frame = hint_frame(at, size, has_work ? &monitor.rcWork : nullptr);
    SetWindowPos(window_, HWND_TOPMOST, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
    InvalidateRect(window_, nullptr, TRUE);
    placed_ = true;
}

void HintWindow::hide()
{
    text_[0] = 0;
    if (window_)
        ShowWindow(window_, SW_HIDE);
}

void HintWindow::destroy()
{
    hide();
    if (window_)
        DestroyWindow(window_);
    if (font_)
        DeleteObject(font_);
    window_ = nullptr;
    font_ = nullptr;
}

}  // namespace miradot
