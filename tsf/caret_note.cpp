#include "caret_note.h"

#include "contained.h"
#include "module.h"

#include <cwchar>

namespace miradot {

// The hint and the translation note let clicks through to the text under
// them; the voice note has always taken them.
const NoteLook HINT_LOOK = {L"miraDotHint", RGB(232, 241, 255), RGB(16, 42, 80), true};
const NoteLook VOICE_NOTE_LOOK = {L"miraDotVoiceNote", RGB(255, 248, 220), RGB(0, 0, 0), false};
const NoteLook TRANSLATION_LOOK = {L"miraDotTranslationNote", RGB(232, 241, 255), RGB(16, 42, 80), true};

namespace {

constexpr UINT TEXT_FORMAT = DT_NOPREFIX | DT_WORDBREAK;
constexpr int TEXT_INSET_X = 8;
constexpr int TEXT_INSET_Y = 5;

HFONT message_font()
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return nullptr;
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

}  // namespace

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

RECT note_frame(const RECT& anchor, SIZE text, const RECT* work)
{
    int width = text.cx + 2 * TEXT_INSET_X + 2;
    int height = text.cy + 2 * TEXT_INSET_Y;
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

LRESULT CALLBACK CaretNote::procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    auto* note = reinterpret_cast<CaretNote*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_NCHITTEST:
        if (note && note->look_.letsClicksThrough)
            return HTTRANSPARENT;
        break;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_PAINT:
        if (note) {
            note->paint();
            return 0;
        }
        break;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

CaretNote* CaretNote::of(HWND window)
{
    WNDPROC ours = contained_procedure<&CaretNote::procedure>;
    if (!window || !IsWindow(window) || GetWindowLongPtrW(window, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(ours))
        return nullptr;
    return reinterpret_cast<CaretNote*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void CaretNote::paint()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window_, &ps);
    RECT client;
    GetClientRect(window_, &client);
    HBRUSH brush = CreateSolidBrush(look_.background);
    FillRect(dc, &client, brush);
    DeleteObject(brush);
    FrameRect(dc, &client, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    HGDIOBJ previous = font_ ? SelectObject(dc, font_) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, look_.text);
    RECT inner = client;
    inner.left += TEXT_INSET_X;
    inner.right -= TEXT_INSET_X;
    inner.top += TEXT_INSET_Y;
    DrawTextW(dc, text_, -1, &inner, TEXT_FORMAT);
    if (previous)
        SelectObject(dc, previous);
    EndPaint(window_, &ps);
}

bool CaretNote::set_text(const wchar_t* text)
{
    wcsncpy(text_, text, 399);
    text_[399] = 0;
    if (!window_ && register_window_class(look_.windowClass, contained_procedure<&CaretNote::procedure>)) {
        window_ = CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW | WS_EX_TOPMOST, look_.windowClass, L"", WS_POPUP,
                                  0, 0, 10, 10, nullptr, nullptr, module_instance(), nullptr);
        if (window_) {
            font_ = message_font();
            SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        }
    }
    if (!window_)
        return false;
    // The window's text is what it shows, for whoever reads the screen.
    SetWindowTextW(window_, text_);
    return true;
}

void CaretNote::place(const RECT* anchor)
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
    DrawTextW(dc, text_, -1, &measured, DT_CALCRECT | TEXT_FORMAT);
    if (previous)
        SelectObject(dc, previous);
    ReleaseDC(window_, dc);
    SIZE size = {measured.right - measured.left, measured.bottom - measured.top};
    RECT frame = note_frame(at, size, has_work ? &monitor.rcWork : nullptr);
    SetWindowPos(window_, HWND_TOPMOST, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
    InvalidateRect(window_, nullptr, TRUE);
    UpdateWindow(window_);
}

void CaretNote::hide()
{
    text_[0] = 0;
    if (window_)
        ShowWindow(window_, SW_HIDE);
}

void CaretNote::destroy()
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
