#include "voice_windows.h"

#include "contained.h"
#include "hint_window.h"
#include "module.h"
#include "voice_worker.h"

#include <cstdlib>
#include <cwchar>

namespace miradot {

namespace {

constexpr wchar_t MESSAGE_CLASS[] = L"miraDotVoiceMsg";
constexpr wchar_t NOTE_CLASS[] = L"miraDotVoiceNote";
constexpr COLORREF NOTE_BACKGROUND = RGB(255, 248, 220);
constexpr int NOTE_TEXT_LIMIT = 159;

LRESULT CALLBACK message_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    auto* sink = reinterpret_cast<VoiceWindowSink*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_VOICE_REPLY) {
        char* reply = reinterpret_cast<char*>(lparam);
        if (sink)
            sink->on_voice_reply(static_cast<int>(wparam), reply);
        std::free(reply);
        return 0;
    }
    if (message == WM_TIMER && wparam == VOICE_NOTE_TIMER) {
        KillTimer(window, VOICE_NOTE_TIMER);
        if (sink)
            sink->on_note_timeout();
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

LRESULT CALLBACK note_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_PAINT:
        paint_note(window, NOTE_BACKGROUND, RGB(0, 0, 0), 0, DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER);
        return 0;
    default:
        return DefWindowProcW(window, message, wparam, lparam);
    }
}

}  // namespace

HWND create_voice_message_window(VoiceWindowSink* sink)
{
    if (!register_window_class(MESSAGE_CLASS, contained_procedure<message_procedure>)
        || !register_window_class(NOTE_CLASS, contained_procedure<note_procedure>))
        return nullptr;
    HWND window
        = CreateWindowExW(0, MESSAGE_CLASS, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module_instance(), nullptr);
    if (window)
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(sink));
    return window;
}

int destroy_voice_message_window(HWND window)
{
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    KillTimer(window, VOICE_NOTE_TIMER);
    int freed = 0;
    MSG message;
    while (PeekMessageW(&message, window, WM_VOICE_REPLY, WM_VOICE_REPLY, PM_REMOVE)) {
        std::free(reinterpret_cast<char*>(message.lParam));
        ++freed;
    }
    DestroyWindow(window);
    return freed;
}

bool VoiceNote::show(const wchar_t* text, UINT duration_ms, HWND timer_window)
{
    if (!window_) {
        window_ = CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW | WS_EX_TOPMOST, NOTE_CLASS, L"", WS_POPUP, 0, 0,
                                  10, 10, nullptr, nullptr, module_instance(), nullptr);
        if (!window_)
            return false;
        font_ = message_font();
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(font_));
    }
    wchar_t shown[NOTE_TEXT_LIMIT + 1];
    wcsncpy(shown, text, NOTE_TEXT_LIMIT);
    shown[NOTE_TEXT_LIMIT] = 0;
    SetWindowTextW(window_, shown);
    SIZE size{200, 16};
    HDC dc = GetDC(window_);
    HGDIOBJ previous = font_ ? SelectObject(dc, font_) : nullptr;
    if (!GetTextExtentPoint32W(dc, shown, static_cast<int>(wcslen(shown)), &size))
        size = {200, 16};
    if (previous)
        SelectObject(dc, previous);
    ReleaseDC(window_, dc);
    RECT at = caret_anchor();
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    bool has_work = GetMonitorInfoW(MonitorFromPoint({at.left, at.bottom}, MONITOR_DEFAULTTONEAREST), &monitor);
    RECT frame = hint_frame(at, size, has_work ? &monitor.rcWork : nullptr);
    SetWindowPos(window_, HWND_TOPMOST, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
    InvalidateRect(window_, nullptr, TRUE);
    UpdateWindow(window_);
    if (timer_window) {
        KillTimer(timer_window, VOICE_NOTE_TIMER);
        if (duration_ms)
            SetTimer(timer_window, VOICE_NOTE_TIMER, duration_ms, nullptr);
    }
    return true;
}

void VoiceNote::hide()
{
    if (window_)
        ShowWindow(window_, SW_HIDE);
}

void VoiceNote::destroy()
{
    if (window_)
        DestroyWindow(window_);
    if (font_)
        DeleteObject(font_);
    window_ = nullptr;
    font_ = nullptr;
}

}  // namespace miradot
