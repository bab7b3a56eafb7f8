// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
#include "confirm_dialog.h"

#include <commctrl.h>

#include <algorithm>

#include "dialog_controls.h"
#include "dialog_state.h"
#include "draw.h"
#include "layout.h"
#include "paint.h"
#include "resource.h"
#include "theme.h"
#include "theme_window.h"

namespace {

// The design, in logical pixels: the question over its width, the buttons
// under it at the right.
constexpr double TEXT_WIDTH = 380;
constexpr double MARGIN = 22;
constexpr double GAP = 18;
constexpr double BUTTON_HEIGHT = 38;
constexpr double BUTTON_PADDING = 36;
constexpr double BUTTON_MIN_WIDTH = 104;
constexpr double BUTTON_SPACING = 10;

struct Question {
    const wchar_t* caption;
    const std::wstring* text;
    const wchar_t* act;
    const wchar_t* keep;
};

int measured_width(HWND dialog, const wchar_t* text, HFONT font)
{
    HDC dc = GetDC(dialog);
    const int width = text_extent(dc, text, font);
    ReleaseDC(dialog, dc);
    return width;
}

int measured_height(HWND dialog, const std::wstring& text, HFONT font, int width)
{
    HDC dc = GetDC(dialog);
    HGDIOBJ previous = SelectObject(dc, font);
    RECT r{0, 0, width, 0};
    DrawTextW(dc, text.c_str(), int(text.size()), &r, DT_LEFT | DT_WORDBREAK | DT_CALCRECT);
    SelectObject(dc, previous);
    ReleaseDC(dialog, dc);
    return r.bottom - r.top;
}

// Places the text and the buttons from their measured sizes and centres the
// window over its owner.
void lay_out(HWND dialog, const Question& question)
{
    const Fonts& f = fonts_for_scale(settings_dialog().scale);
    const int margin = scaled(MARGIN), textWidth = scaled(TEXT_WIDTH);
    const int textHeight = measured_height(dialog, *question.text, f.body, textWidth);
    auto button_width = [&](const wchar_t* label) {
        return std::max(scaled(BUTTON_MIN_WIDTH), measured_width(dialog, label, f.cardTitle) + scaled(BUTTON_PADDING));
    };
    const int keepWidth = button_width(question.keep), actWidth = button_width(question.act);
    const int buttonsTop = margin + textHeight + scaled(GAP);
    const int clientWidth = textWidth + 2 * margin;
    const int clientHeight = buttonsTop + scaled(BUTTON_HEIGHT) + margin;
    const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    SetWindowPos(GetDlgItem(dialog, IDC_CONFIRM_TEXT), nullptr, margin, margin, textWidth, textHeight, flags);
    const int keepLeft = clientWidth - margin - keepWidth;
    SetWindowPos(GetDlgItem(dialog, IDCANCEL), nullptr, keepLeft, buttonsTop, keepWidth, scaled(BUTTON_HEIGHT), flags);
    SetWindowPos(GetDlgItem(dialog, IDOK), nullptr, keepLeft - scaled(BUTTON_SPACING) - actWidth, buttonsTop, actWidth,
                 scaled(BUTTON_HEIGHT), flags);

    const RECT frame = frame_for(dialog, window_dpi(dialog));
    const int width = clientWidth + frame.right - frame.left, height = clientHeight + frame.bottom - frame.top;
    RECT owner{};
    GetWindowRect(GetWindow(dialog, GW_OWNER), &owner);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromRect(&owner, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    const int left = std::clamp(int((owner.left + owner.right - width) / 2), int(work.left), int(work.right - width));
    const int top = std::clamp(int((owner.top + owner.bottom - height) / 2), int(work.top), int(work.bottom - height));
    SetWindowPos(dialog, nullptr, left, top, width, height, flags);
}

INT_PTR CALLBACK dialog_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_INITDIALOG: {
        const auto& question = *reinterpret_cast<const Question*>(lparam);
        SetWindowTextW(dialog, question.caption);
        SetDlgItemTextW(dialog, IDC_CONFIRM_TEXT, question.text->c_str());
        SetDlgItemTextW(dialog, IDOK, question.act);
        SetDlgItemTextW(dialog, IDCANCEL, question.keep);
        HFONT font = fonts_for_scale(settings_dialog().scale).body;
        for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            SendMessageW(child, WM_SETFONT, WPARAM(font), FALSE);
        apply_window_theme(dialog, dark_theme());
        if (settings_dialog().screenshot)
            SendMessageW(dialog, WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
        lay_out(dialog, question);
        SetFocus(GetDlgItem(dialog, IDCANCEL));
        return FALSE;
    }
    case WM_CTLCOLORDLG:
        return reinterpret_cast<INT_PTR>(cached_brush(PAL_BACKGROUND));
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lparam);
        if (header->code == NM_CUSTOMDRAW)
            return dialog_result(dialog, custom_draw_control(dialog, reinterpret_cast<NMCUSTOMDRAW*>(lparam)));
        return FALSE;
    }
    case WM_DRAWITEM:
        draw_owner_item(dialog, reinterpret_cast<DRAWITEMSTRUCT*>(lparam));
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL)
            EndDialog(dialog, LOWORD(wparam));
        return TRUE;
    case WM_CLOSE:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

bool confirm(HWND owner, const wchar_t* caption, const std::wstring& question, const wchar_t* act, const wchar_t* keep)
{
    const Question asked{caption, &question, act, keep};
    return DialogBoxParamW(reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE)),
                           MAKEINTRESOURCEW(IDD_CONFIRM), owner, dialog_procedure, reinterpret_cast<LPARAM>(&asked))
           == IDOK;
}
