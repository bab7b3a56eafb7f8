#include "mouse_hook.h"

#include "module.h"
#include "typing_session.h"

namespace miradot {

namespace {

thread_local TypingSession* t_owner = nullptr;
thread_local UINT t_swallow = 0;  // the button-up that follows a replayed button-down

bool is_button_down(UINT message)
{
    switch (message) {
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
    case WM_NCXBUTTONDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
        return true;
    default:
        return false;
    }
}

// Each button-up is its button-down plus one.
UINT button_up_of(UINT down) { return down + 1; }

bool is_button_up(UINT message) { return is_button_down(message - 1); }

// Posts the message again to its window, rebuilt from the hook's record.
bool repost(UINT message, const MOUSEHOOKSTRUCTEX* info)
{
    if (!info->hwnd)
        return false;
    if (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK)
        return PostMessageW(info->hwnd, message, info->wHitTestCode, MAKELPARAM(info->pt.x, info->pt.y));
    POINT point = info->pt;
    ScreenToClient(info->hwnd, &point);
    struct Button {
        int vk;
        WPARAM flag;
        UINT down;
    };
    const Button buttons[] = {{VK_LBUTTON, MK_LBUTTON, WM_LBUTTONDOWN},
                              {VK_RBUTTON, MK_RBUTTON, WM_RBUTTONDOWN},
                              {VK_MBUTTON, MK_MBUTTON, WM_MBUTTONDOWN}};
    WPARAM state = 0;
    for (const Button& button : buttons) {
        if (GetKeyState(button.vk) < 0 || message == button.down)
            state |= button.flag;
        if (message == button_up_of(button.down))
            state &= ~button.flag;
    }
    if (GetKeyState(VK_SHIFT) < 0)
        state |= MK_SHIFT;
    if (GetKeyState(VK_CONTROL) < 0)
        state |= MK_CONTROL;
    if (message == WM_XBUTTONDOWN || message == WM_XBUTTONUP)
        state |= info->mouseData & 0xFFFF0000;
    return PostMessageW(info->hwnd, message, state, MAKELPARAM(point.x, point.y));
}

// Whether the hook swallows this mouse message (it is posted again after the edit).
bool take_click(UINT message, const MOUSEHOOKSTRUCTEX* info)
{
    if (t_swallow && message == t_swallow && is_button_up(message)) {
        t_swallow = 0;
        return repost(message, info);
    }
    if (t_owner && is_button_down(message) && t_owner->end_word_for_click() && repost(message, info)) {
        t_swallow = button_up_of(message);
        return true;
    }
    return false;
}

LRESULT CALLBACK mouse_procedure(int code, WPARAM wparam, LPARAM lparam) noexcept
{
    try {
        if (code == HC_ACTION
            && take_click(static_cast<UINT>(wparam), reinterpret_cast<const MOUSEHOOKSTRUCTEX*>(lparam)))
            return 1;
    } catch (...) {
        // The click goes on as it came.
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

}  // namespace

HHOOK install_mouse_hook(TypingSession* typing)
{
    if (t_owner)
        return nullptr;
    HHOOK hook = SetWindowsHookExW(WH_MOUSE, mouse_procedure, module_handle(), GetCurrentThreadId());
    if (hook)
        t_owner = typing;
    return hook;
}

void remove_mouse_hook(TypingSession* typing, HHOOK hook)
{
    if (hook)
        UnhookWindowsHookEx(hook);
    if (t_owner == typing) {
        t_owner = nullptr;
        t_swallow = 0;
    }
}

}  // namespace miradot
