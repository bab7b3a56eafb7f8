// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
#include "languages_dialog.h"

#include <commctrl.h>

#include <algorithm>

#include "confirm_dialog.h"
#include "dialog_controls.h"
#include "dialog_state.h"
#include "draw.h"
#include "layout.h"
#include "mt_catalog.h"
#include "mt_home.h"
#include "mt_models.h"
#include "mt_texts.h"
#include "mt_toggles.h"
#include "paint.h"
#include "resource.h"
#include "scroll_view.h"
#include "theme.h"
#include "theme_window.h"
#include "translation_jobs.h"

namespace {

// The design canvas, in logical pixels: the heading and note, the toggles
// stacked as cards, "Xong" under them.
constexpr double DESIGN_WIDTH_PX = 480;
constexpr double MARGIN = 20;
constexpr double TOGGLES_TOP = 112;
constexpr double TOGGLE_HEIGHT = 56;
constexpr double TOGGLE_STEP = 64;
constexpr double BUTTON_WIDTH = 110;
constexpr double BUTTON_HEIGHT = 36;
constexpr double BUTTONS_TOP = TOGGLES_TOP + LANGUAGE_COUNT * TOGGLE_STEP + 8;
constexpr double DESIGN_HEIGHT_PX = BUTTONS_TOP + BUTTON_HEIGHT + MARGIN;
constexpr double SCROLL_LINE_PX = TOGGLE_STEP;
// Room kept between the dialog and the edges of the work area.
constexpr int SCREEN_MARGIN = 16;
constexpr UINT_PTR FOCUS_SUBCLASS = 2;

// What a toggle's card shows under the language's name.
struct LanguageLine {
    WorkStage stage = WorkStage::Idle;
    std::wstring text;
};

struct LanguagesDialog {
    HWND window = nullptr;
    HWND owner = nullptr;  // the settings dialog, which receives the jobs' reports
    ScrollView view;
    bool available[LANGUAGE_COUNT] = {};  // from the catalogue as the dialog opened
    LanguageLine lines[LANGUAGE_COUNT];
};

LanguagesDialog g_languages;

HWND toggle(int row) { return GetDlgItem(g_languages.window, IDC_LANGUAGE_TOGGLE + row); }

// The toggle's own text names the language and tells its line, as a screen
// reader reads it; the card is painted from the record.
void set_status(int row, WorkStage stage, const std::wstring& text)
{
    g_languages.lines[row] = {stage, text};
    SetWindowTextW(toggle(row), (std::wstring(language_row(row).name) + L": " + text).c_str());
    InvalidateRect(toggle(row), nullptr, FALSE);
}

DesignRect design_of(int id)
{
    if (id == IDC_LANGUAGES_HEADING)
        return {MARGIN, 16, DESIGN_WIDTH_PX - 2 * MARGIN, 26};
    if (id == IDC_LANGUAGES_NOTE)
        return {MARGIN, 48, DESIGN_WIDTH_PX - 2 * MARGIN, 56};
    if (id == IDOK)
        return {DESIGN_WIDTH_PX - MARGIN - BUTTON_WIDTH, BUTTONS_TOP, BUTTON_WIDTH, BUTTON_HEIGHT};
    const int row = id - IDC_LANGUAGE_TOGGLE;
    return {MARGIN, TOGGLES_TOP + row * TOGGLE_STEP, DESIGN_WIDTH_PX - 2 * MARGIN, TOGGLE_HEIGHT};
}

void place_controls()
{
    const int scroll = g_languages.view.scroll;
    for (HWND child = GetWindow(g_languages.window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const DesignRect r = design_of(GetDlgCtrlID(child));
        SetWindowPos(child, nullptr, scaled(r.x), scaled(r.y) - scroll, scaled(r.w), scaled(r.h),
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    }
    // The background between the cards is the erase brush's: erase it too;
    // the scroll bar in the frame follows the position.
    RedrawWindow(g_languages.window, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_FRAME);
}

// The dialog at the settings dialog's scale, as tall as the work area allows,
// with a scroll bar for the toggles that do not fit.
void size_window()
{
    HWND window = g_languages.window;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(g_languages.owner, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    const UINT dpi = window_dpi(window);
    const RECT frame = frame_for(window, dpi);
    const int frameWidth = frame.right - frame.left, frameHeight = frame.bottom - frame.top;
    ScrollView& view = g_languages.view;
    fit_scroll_view(view, scaled(DESIGN_HEIGHT_PX), int(work.bottom - work.top) - 2 * SCREEN_MARGIN - frameHeight);
    const int width = scaled(DESIGN_WIDTH_PX) + (view.scrollable ? scroll_bar_width(dpi) : 0) + frameWidth;
    const int height = view.viewHeight + frameHeight;
    SetWindowPos(window, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + std::max(0L, (work.bottom - work.top - height) / 2), width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    apply_scroll_info(window, view);
    place_controls();
}

void scroll_to(int position)
{
    if (move_scroll(g_languages.window, g_languages.view, position))
        place_controls();
}

LRESULT CALLBACK focus_procedure(HWND child, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR)
{
    if (message == WM_SETFOCUS)
        scroll_to(scroll_showing(g_languages.window, g_languages.view, child, scaled(SCREEN_MARGIN)));
    else if (message == WM_NCDESTROY)
        RemoveWindowSubclass(child, focus_procedure, FOCUS_SUBCLASS);
    return DefSubclassProc(child, message, wparam, lparam);
}

void open(HWND dialog)
{
    g_languages.window = dialog;
    g_languages.view = ScrollView{};
    const ModelCatalog catalog = current_catalog();
    std::wstring home;
    const bool haveHome = mt_home_location(home);
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(dialog, GWLP_HINSTANCE));
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    HWND previous = GetDlgItem(dialog, IDC_LANGUAGES_NOTE);
    for (int row = 0; row < LANGUAGE_COUNT; ++row) {
        const LanguageRow& language = language_row(row);
        const bool pending = translation_jobs().pending(language.code);
        g_languages.available[row] = is_language_available(catalog, language.code);
        const LanguageToggle state = language_toggle(row, haveHome && is_language_installed(home, language.code),
                                                     pending, g_languages.available[row]);
        HWND button = CreateWindowExW(0, L"BUTTON", language.name, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_CHECKBOX, 0,
                                      0, 10, 10, dialog, reinterpret_cast<HMENU>(INT_PTR(IDC_LANGUAGE_TOGGLE + row)),
                                      instance, nullptr);
        set_status(row, pending ? WorkStage::Waiting : WorkStage::Idle, state.status);
        SendMessageW(button, WM_SETFONT, WPARAM(font), FALSE);
        // Tab order follows the table, between the note and "Xong".
        SetWindowPos(button, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = button;
        CheckDlgButton(dialog, IDC_LANGUAGE_TOGGLE + row, state.checked ? BST_CHECKED : BST_UNCHECKED);
        EnableWindow(button, state.enabled);
    }
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        SetWindowSubclass(child, focus_procedure, FOCUS_SUBCLASS, 0);
    paint_scroll_bar_in_palette(dialog);
    refresh_languages_note();
    apply_window_theme(dialog, dark_theme());
    if (settings_dialog().screenshot)
        SendMessageW(dialog, WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
    size_window();
}

void toggle_clicked(HWND dialog, int row)
{
    const LanguageRow& language = language_row(row);
    TranslationQueue& jobs = translation_jobs();
    const bool checked = IsDlgButtonChecked(dialog, IDC_LANGUAGE_TOGGLE + row) == BST_CHECKED;
    std::wstring shortage;
    int kind = JOB_INSTALL;
    switch (toggle_click(row, checked, jobs.pending(language.code), g_languages.available[row], free_space_bytes(),
                         shortage)) {
    case ToggleAction::Ignore:
        return;
    case ToggleAction::NoSpace:
        set_status(row, WorkStage::Failed, shortage);
        return;
    case ToggleAction::AskRemove:
        if (!confirm(dialog, L"miraDot – Ngôn ngữ dịch", remove_question_text(language.code), L"Gỡ", L"Không gỡ"))
            return;
        kind = JOB_REMOVE;
        break;
    case ToggleAction::Install:
        CheckDlgButton(dialog, IDC_LANGUAGE_TOGGLE + row, BST_CHECKED);
        break;
    }
    set_status(row, WorkStage::Waiting, queued_status(kind, jobs.running()));
    queue_translation_job(g_languages.owner, kind, language.code, 0);
}

void close(HWND dialog)
{
    g_languages.window = nullptr;
    EndDialog(dialog, IDOK);
}

LRESULT custom_draw(HWND dialog, NMCUSTOMDRAW* draw)
{
    const int row = int(draw->hdr.idFrom) - IDC_LANGUAGE_TOGGLE;
    if (row < 0 || row >= LANGUAGE_COUNT)
        return custom_draw_control(dialog, draw);
    if (draw->dwDrawStage != CDDS_PREPAINT)
        return CDRF_DODEFAULT;
    RECT r;
    GetClientRect(draw->hdr.hwndFrom, &r);
    OffscreenCanvas canvas(draw->hdc, r);
    const LanguageLine& line = g_languages.lines[row];
    paint_language_toggle(draw->hdr.hwndFrom, canvas.dc(), r, draw->uItemState, language_row(row), line.text,
                          line.stage);
    return CDRF_SKIPDEFAULT;
}

INT_PTR CALLBACK dialog_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_INITDIALOG:
        open(dialog);
        return TRUE;
    case WM_CTLCOLORDLG:
        return reinterpret_cast<INT_PTR>(cached_brush(PAL_BACKGROUND));
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lparam);
        if (header->code == NM_CUSTOMDRAW)
            return dialog_result(dialog, custom_draw(dialog, reinterpret_cast<NMCUSTOMDRAW*>(lparam)));
        return FALSE;
    }
    case WM_DRAWITEM:
        draw_owner_item(dialog, reinterpret_cast<DRAWITEMSTRUCT*>(lparam));
        return TRUE;
    case WM_COMMAND: {
        const int id = LOWORD(wparam);
        if (id == IDOK || id == IDCANCEL)
            close(dialog);
        else if (id >= IDC_LANGUAGE_TOGGLE && id < IDC_LANGUAGE_TOGGLE + LANGUAGE_COUNT && HIWORD(wparam) == BN_CLICKED)
            toggle_clicked(dialog, id - IDC_LANGUAGE_TOGGLE);
        return TRUE;
    }
    case WM_CLOSE:
        close(dialog);
        return TRUE;
    case WM_VSCROLL: {
        scroll_to(requested_scroll(dialog, g_languages.view, LOWORD(wparam), scaled(SCROLL_LINE_PX)));
        return TRUE;
    }
    case WM_MOUSEWHEEL:
        scroll_to(wheel_scroll(g_languages.view, GET_WHEEL_DELTA_WPARAM(wparam), scaled(SCROLL_LINE_PX)));
        return TRUE;
    }
    return FALSE;
}

}  // namespace

void open_languages_dialog(HWND settingsDialog)
{
    if (g_languages.window)
        return;
    g_languages.owner = settingsDialog;
    DialogBoxParamW(reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(settingsDialog, GWLP_HINSTANCE)),
                    MAKEINTRESOURCEW(IDD_LANGUAGES), settingsDialog, dialog_procedure, 0);
    g_languages.window = nullptr;
}

void show_language_status(int row, WorkStage stage, const std::wstring& text)
{
    if (g_languages.window)
        set_status(row, stage, text);
}

void finish_language_toggle(int row, bool checked, WorkStage stage, const std::wstring& text)
{
    if (!g_languages.window)
        return;
    CheckDlgButton(g_languages.window, IDC_LANGUAGE_TOGGLE + row, checked ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(toggle(row), TRUE);
    set_status(row, stage, text);
}

void refresh_languages_note()
{
    if (g_languages.window)
        SetDlgItemTextW(g_languages.window, IDC_LANGUAGES_NOTE, languages_note_text(free_space_bytes()).c_str());
}
