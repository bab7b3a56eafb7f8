#include "host_window.h"

namespace {

struct Painted {
    HostDocument* document;
    LONG atom;
    Received received;
};

LRESULT CALLBACK document_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    auto* painted = reinterpret_cast<Painted*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY)
        delete painted;
    if (painted && message == WM_LBUTTONDOWN)
        ++painted->received.clicks;
    if (painted && message == WM_KEYDOWN) {
        ++painted->received.keyDowns;
        painted->received.lastKey = wparam;
        // TSF offers the key to the text service before the window has it.
        if (HostThreadMgr* keyboard = HostThreadMgr::on_this_thread())
            keyboard->deliver_key_down(painted->document, wparam, lparam);
        return 0;
    }
    if (painted && message == WM_CHAR) {
        painted->document->type_plainly(static_cast<wchar_t>(wparam));
        return 0;
    }
    if (message != WM_PAINT)
        return DefWindowProcW(window, message, wparam, lparam);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    if (painted) {
        const std::wstring& text = painted->document->text();
        HGDIOBJ previous = SelectObject(dc, document_font());
        SetBkMode(dc, TRANSPARENT);
        TextOutW(dc, 10, 10, text.c_str(), static_cast<int>(text.size()));
        HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
        HGDIOBJ previous_pen = SelectObject(dc, pen);
        SIZE before{}, upto{};
        for (const Span& span : painted->document->attribute_spans(painted->atom)) {
            GetTextExtentPoint32W(dc, text.c_str(), span.start, &before);
            GetTextExtentPoint32W(dc, text.c_str(), span.end, &upto);
            MoveToEx(dc, 10 + before.cx, 10 + upto.cy + 1, nullptr);
            LineTo(dc, 10 + upto.cx, 10 + upto.cy + 1);
        }
        GetTextExtentPoint32W(dc, text.c_str(), painted->document->selection().end, &upto);
        MoveToEx(dc, 10 + upto.cx, 9, nullptr);
        LineTo(dc, 10 + upto.cx, 10 + (upto.cy > 0 ? upto.cy : 14));
        SelectObject(dc, previous_pen);
        DeleteObject(pen);
        SelectObject(dc, previous);
    }
    EndPaint(window, &ps);
    return 0;
}

bool register_document_class()
{
    static const bool registered = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = document_procedure;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"miraDotHostDocument";
        return RegisterClassW(&wc) != 0;
    }();
    return registered;
}

HWND attach_document(HWND window, HostDocument* document, LONG attribute_atom)
{
    if (window) {
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new Painted{document, attribute_atom, {}}));
        document->window = window;
    }
    return window;
}

}  // namespace

HWND create_document_window(HostDocument* document, LONG attribute_atom, int x, int y)
{
    if (!register_document_class())
        return nullptr;
    HWND window = attach_document(CreateWindowExW(0, L"miraDotHostDocument", L"miraDot test host",
                                                  WS_POPUP | WS_BORDER | WS_VISIBLE, x, y, 360, 40, nullptr, nullptr,
                                                  GetModuleHandleW(nullptr), nullptr),
                                  document, attribute_atom);
    if (window)
        SetFocus(window);
    return window;
}

HWND create_document_message_window(HostDocument* document)
{
    if (!register_document_class())
        return nullptr;
    return attach_document(CreateWindowExW(0, L"miraDotHostDocument", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                           GetModuleHandleW(nullptr), nullptr),
                           document, 0);
}

const Received& received(HWND window)
{
    static const Received none;
    auto* painted = reinterpret_cast<Painted*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return painted ? painted->received : none;
}

void pump_messages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

bool pump_until(const std::function<bool()>& done, DWORD bound_ms)
{
    DWORD start = GetTickCount();
    for (;;) {
        pump_messages();
        if (done())
            return true;
        if (GetTickCount() - start > bound_ms)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

bool use_own_desktop()
{
    static HDESK desktop = CreateDesktopW((L"miradot-host-" + std::to_wstring(GetCurrentProcessId())).c_str(), nullptr,
                                          nullptr, 0, GENERIC_ALL, nullptr);
    return desktop && SetThreadDesktop(desktop);
}
