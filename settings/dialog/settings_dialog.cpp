// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
#include "settings_dialog.h"

#include "behaviour_rows.h"
#include "convert_dialog.h"
#include "diagnostics_report.h"
#include "dialog_controls.h"
#include "dialog_state.h"
#include "hotkey_capture.h"
#include "installer_areas.h"
#include "languages_dialog.h"
#include "layout.h"
#include "confirm_dialog.h"
#include "learned_count.h"
#include "learned_file.h"
#include "mt_catalog.h"
#include "mt_toggles.h"
#include "paint.h"
#include "resource.h"
#include "settings_store.h"
#include "theme.h"
#include "theme_window.h"
#include "translation_jobs.h"
#include "update_dialog.h"
#include "update_install.h"
#include "version.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

namespace {

constexpr wchar_t CAPTION[] = L"" SETTINGS_CAPTION;
constexpr wchar_t HOME_PAGE[] = L"https://miradot.app/";
constexpr UINT_PTR FOCUS_SUBCLASS = 2;

// Until the last drawing code takes the dialog as a parameter.
SettingsDialog* g_open = nullptr;

void set_text(HWND dialog, int id, const std::wstring& text)
{
    SetDlgItemTextW(dialog, id, text.c_str());
    InvalidateRect(GetDlgItem(dialog, id), nullptr, FALSE);
}

void show_options(HWND dialog)
{
    ServiceSettings s = read_settings();
    CheckRadioButton(dialog, IDC_TELEX, IDC_VNI, s.method == VNI ? IDC_VNI : IDC_TELEX);
    for (const BehaviourRow& row : BEHAVIOURS)
        CheckDlgButton(dialog, row.id, (s.options & row.bit) ? BST_CHECKED : BST_UNCHECKED);
}

void write_options(HWND dialog)
{
    uint32_t options = 0;
    for (const BehaviourRow& row : BEHAVIOURS)
        if (IsDlgButtonChecked(dialog, row.id) == BST_CHECKED)
            options |= row.bit;
    write_typing_options(IsDlgButtonChecked(dialog, IDC_VNI) == BST_CHECKED ? VNI : TELEX, options);
    InvalidateRect(dialog, nullptr, FALSE);  // the method example follows the choice
}

// The entries the learned-data file holds now, shown on the line.
long long refresh_learned_line(HWND dialog)
{
    std::wstring path;
    long long entries = learned_file_path(&path) ? count_learned_entries(path) : -1;
    if (entries <= 0) {
        set_text(dialog, IDC_LEARNED_LINE, L"Chưa học gì");
        return 0;
    }
    wchar_t line[96];
    swprintf(line, 96, L"%lld mục, chỉ lưu trên máy này", entries);
    set_text(dialog, IDC_LEARNED_LINE, line);
    return entries;
}

void clear_learned_data(HWND dialog)
{
    // Nothing learned, nothing to lose: no question.
    if (refresh_learned_line(dialog) == 0)
        return;
    if (!confirm(dialog, CAPTION,
                 L"Xoá mọi từ và cách sửa mà miraDot đã học từ cách gõ của bạn?\n\nKhông thể hoàn tác.", L"Xoá",
                 L"Không xoá"))
        return;
    std::wstring path;
    if (learned_file_path(&path))
        DeleteFileW(path.c_str());
    raise_clear_seq();
    refresh_learned_line(dialog);
}

DWORD WINAPI update_check_thread(void* parameter)
{
    check_for_update();
    PostMessageW(static_cast<HWND>(parameter), WM_UPDATE_CHECK_DONE, 0, 0);
    return 0;
}

DWORD WINAPI update_install_thread(void* parameter)
{
    HWND dialog = static_cast<HWND>(parameter);
    post_report(dialog, install_update(dialog, [dialog](const WorkerReport& report) { post_report(dialog, report); }));
    return 0;
}

bool start_worker(HWND dialog, LPTHREAD_START_ROUTINE routine)
{
    HANDLE thread = CreateThread(nullptr, 0, routine, dialog, 0, nullptr);
    if (!thread)
        return false;
    CloseHandle(thread);
    return true;
}

void check_now(SettingsDialog& d)
{
    HWND dialog = d.window;
    long idle = 0;
    if (!d.updateBusy.compare_exchange_strong(idle, 1))
        return;
    disable_control(dialog, GetDlgItem(dialog, IDC_CHECK_NOW));
    refresh_update_area(d);
    d.updateFailed = false;
    set_text(dialog, IDC_UPDATE_LINE, L"Đang kiểm tra…");
    if (!start_worker(dialog, update_check_thread)) {
        d.updateBusy.exchange(0);
        refresh_update_area(d);
    }
}

void install_update(SettingsDialog& d)
{
    HWND dialog = d.window;
    long idle = 0;
    if (!d.updateBusy.compare_exchange_strong(idle, 1))
        return;
    disable_control(dialog, GetDlgItem(dialog, IDC_UPDATE_INSTALL));
    disable_control(dialog, GetDlgItem(dialog, IDC_CHECK_NOW));
    d.updateFailed = false;
    set_text(dialog, IDC_UPDATE_LINE, L"Đang tải…");
    if (!start_worker(dialog, update_install_thread))
        d.updateBusy.exchange(0);
}

void partner_language_chosen(HWND dialog)
{
    HWND combo = GetDlgItem(dialog, IDC_PARTNER_LANGUAGE);
    LRESULT item = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (item == CB_ERR)
        return;
    int row = int(SendMessageW(combo, CB_GETITEMDATA, item, 0));
    const char* code = language_table_code(row);
    write_settings_text(SETTINGS_MT_OTHER, std::wstring(code, code + strlen(code)).c_str());
}

void translation_report(HWND dialog, const WorkerReport& report)
{
    const JobReportTaken taken = take_translation_report(dialog, report);
    if (!taken.finished) {
        if (taken.row >= 0)
            show_language_status(taken.row, report.stage, report.text);
        return;
    }
    if (taken.row >= 0)
        finish_language_toggle(taken.row, taken.checked, report.stage, report.text);
    refresh_translation_area_from_disk(dialog);
    if (taken.failureOnStatusLine)
        show_status_line(dialog, IDC_TRANSLATE_STATUS, report.stage, report.text);
    refresh_languages_note();
    if (const TranslationJob* next = start_next_translation_job(dialog)) {
        const int row = find_language(next->code);
        if (row >= 0)
            show_language_status(row, WorkStage::Waiting, starting_status(next->kind));
    }
}

// The line shows each report; the last one releases the busy flag; once the
// installer has started, the dialog closes so that the installer can replace
// this program, and the installer starts the new one.
void update_install_report(SettingsDialog& d, const WorkerReport& report)
{
    HWND dialog = d.window;
    const bool last = is_last_report(report);
    if (last)
        d.updateBusy.exchange(0);
    if (last && report.stage != WorkStage::Done)
        refresh_update_area(d);
    d.updateFailed = report.stage == WorkStage::Failed;
    set_text(dialog, IDC_UPDATE_LINE, report.text);
    if (report.stage != WorkStage::Done)
        return;
    EnableWindow(GetDlgItem(dialog, IDC_UPDATE_INSTALL), FALSE);
    EndDialog(dialog, IDCANCEL);
}

void worker_report(SettingsDialog& d, const WorkerReport& report)
{
    HWND dialog = d.window;
    switch (report.job) {
    case WorkerJob::Speech:
        on_voice_install_report(d, report);
        break;
    case WorkerJob::Translation:
        translation_report(dialog, report);
        break;
    case WorkerJob::Update:
        update_install_report(d, report);
        break;
    }
}

void close_requested(SettingsDialog& d)
{
    if (d.updateBusy.load() || translation_job_waiting_or_running())
        return;
    if (d.capturing) {
        cancel_capture(d);
        return;
    }
    EndDialog(d.window, IDCANCEL);
}

void on_command(SettingsDialog& d, int id, int code)
{
    HWND dialog = d.window;
    switch (id) {
    case IDC_TELEX:
    case IDC_VNI:
    case IDC_AUTO_ENGLISH:
    case IDC_AUTO_CORRECT:
    case IDC_PUNCTUATION:
    case IDC_HINTS:
    case IDC_LEARN:
    case IDC_SHORTHAND:
    case IDC_OLD_TONE:
        if (code == BN_CLICKED)
            write_options(dialog);
        break;
    case IDC_CLEAR_LEARNED:
        clear_learned_data(dialog);
        break;
    case IDC_VOICE_HOTKEY:
    case IDC_TRANSLATE_HOTKEY:
        if (code == BN_CLICKED)
            start_capture(d, id);
        break;
    case IDC_VOICE_INSTALL:
        start_voice_install(d);
        break;
    case IDC_TRANSLATE_INSTALL:
        install_translation(dialog);
        break;
    case IDC_PARTNER_LANGUAGE:
        if (code == CBN_SELCHANGE)
            partner_language_chosen(dialog);
        break;
    case IDC_LANGUAGES:
        open_languages_dialog(dialog);
        break;
    case IDC_UPDATE_CHECK:
        if (code == BN_CLICKED)
            write_settings_dword(SETTINGS_UPDATE_CHECK,
                                 IsDlgButtonChecked(dialog, IDC_UPDATE_CHECK) == BST_CHECKED ? 1 : 0);
        break;
    case IDC_CHECK_NOW:
        check_now(d);
        break;
    case IDC_UPDATE_INSTALL:
        install_update(d);
        break;
    case IDC_CONVERT:
        open_convert_dialog(dialog);
        break;
    case IDC_HOME_PAGE:
        ShellExecuteW(dialog, L"open", HOME_PAGE, nullptr, nullptr, SW_SHOWNORMAL);
        break;
    case IDC_COPY_DIAGNOSTICS:
        copy_to_clipboard(dialog, diagnostics_report());
        break;
    case IDCANCEL:
        close_requested(d);
        break;
    }
}

// Every child: a control that takes the focus scrolls itself into view.
LRESULT CALLBACK focus_procedure(HWND child, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR)
{
    if (message == WM_SETFOCUS)
        scroll_into_view(GetParent(child), child);
    else if (message == WM_NCDESTROY)
        RemoveWindowSubclass(child, focus_procedure, FOCUS_SUBCLASS);
    return DefSubclassProc(child, message, wparam, lparam);
}

void open_dialog(SettingsDialog& d, HWND dialog)
{
    d.window = dialog;
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&d));
    wchar_t version[96];
    swprintf(version, 96, L"miraDot %ls · bộ gõ tiếng Việt miễn phí", PROGRAM_VERSION_W);
    SetDlgItemTextW(dialog, IDC_VERSION_LINE, version);
    show_options(dialog);
    refresh_learned_line(dialog);
    refresh_voice_status_from_disk(d);
    refresh_translation_area_from_disk(dialog);
    refresh_update_area(d);
    refresh_hotkey_texts(d);

    apply_window_theme(dialog, theme_is_dark());
    prepare_dpi_handling(dialog);
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        SetWindowSubclass(child, focus_procedure, FOCUS_SUBCLASS, 0);
    if (d.screenshot)
        SendMessageW(dialog, WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
    layout_dialog(dialog);
    subclass_language_box(GetDlgItem(dialog, IDC_PARTNER_LANGUAGE));
    paint_scroll_bar_in_palette(dialog);
    subclass_hotkey_button(d, GetDlgItem(dialog, IDC_VOICE_HOTKEY));
    subclass_hotkey_button(d, GetDlgItem(dialog, IDC_TRANSLATE_HOTKEY));
}

INT_PTR CALLBACK dialog_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_INITDIALOG) {
        open_dialog(*reinterpret_cast<SettingsDialog*>(lparam), dialog);
        return TRUE;
    }
    auto* state = reinterpret_cast<SettingsDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (!state) {  // the controls are being created: the owner-drawn box asks for its item heights
        if (message != WM_MEASUREITEM)
            return FALSE;
        measure_owner_item(reinterpret_cast<MEASUREITEMSTRUCT*>(lparam));
        return TRUE;
    }
    SettingsDialog& d = *state;
    switch (message) {
    case WM_ERASEBKGND:
        return dialog_result(dialog, 1);
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(dialog, &ps);
        paint_dialog_surface(dialog, dc, ps.rcPaint);
        EndPaint(dialog, &ps);
        return TRUE;
    }
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lparam);
        if (header->code == NM_CUSTOMDRAW)
            return dialog_result(dialog, custom_draw_control(dialog, reinterpret_cast<NMCUSTOMDRAW*>(lparam)));
        return FALSE;
    }
    case WM_DRAWITEM:
        draw_owner_item(dialog, reinterpret_cast<DRAWITEMSTRUCT*>(lparam));
        return TRUE;
    case WM_MEASUREITEM:
        measure_owner_item(reinterpret_cast<MEASUREITEMSTRUCT*>(lparam));
        return TRUE;
    case WM_CTLCOLORLISTBOX:
        SetTextColor(reinterpret_cast<HDC>(wparam), pal(PAL_TEXT));
        SetBkColor(reinterpret_cast<HDC>(wparam), pal(PAL_CARD));
        return reinterpret_cast<INT_PTR>(cached_brush(PAL_CARD));
    case WM_COMMAND:
        on_command(d, LOWORD(wparam), HIWORD(wparam));
        return TRUE;
    case WM_ACTIVATE:
        if (LOWORD(wparam) != WA_INACTIVE)
            refresh_learned_line(dialog);
        return FALSE;
    case WM_TIMER:
        if (wparam == STATUS_RESTORE_TIMER) {
            KillTimer(dialog, STATUS_RESTORE_TIMER);
            refresh_voice_status_from_disk(d);
            refresh_translation_area_from_disk(dialog);
        }
        return TRUE;
    case WM_VSCROLL: {
        scroll_dialog(dialog, LOWORD(wparam));
        return TRUE;
    }
    case WM_MOUSEWHEEL:
        scroll_wheel(dialog, GET_WHEEL_DELTA_WPARAM(wparam));
        return TRUE;
    case WM_DPICHANGED:
        layout_after_dpi_change(dialog, reinterpret_cast<const RECT*>(lparam));
        return TRUE;
    case WM_SETTINGCHANGE:
        if (lparam && wcscmp(reinterpret_cast<const wchar_t*>(lparam), L"ImmersiveColorSet") == 0) {
            bool dark = theme_is_dark();
            if (dark != dark_theme()) {
                apply_window_theme(dialog, dark);
                RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_FRAME);
            }
        }
        return FALSE;
    case WM_GETMINMAXINFO:
        if (d.screenshot) {
            auto* limits = reinterpret_cast<MINMAXINFO*>(lparam);
            limits->ptMaxTrackSize = {8000, 8000};
            limits->ptMaxSize = {8000, 8000};
        }
        return FALSE;
    case WM_WORKER_REPORT:
        worker_report(d, *take_report(lparam));
        return TRUE;
    case WM_UPDATE_CHECK_DONE:
        d.updateBusy.exchange(0);
        refresh_update_area(d);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

void refresh_update_area(SettingsDialog& d)
{
    HWND dialog = d.window;
    CheckDlgButton(dialog, IDC_UPDATE_CHECK, read_update_check_enabled() ? BST_CHECKED : BST_UNCHECKED);
    const UpdateLine line = describe_update_or_installer_result();
    const bool available = line.kind == UpdateLineKind::Offer;
    d.updateFailed = line.kind == UpdateLineKind::Failure || line.failedInstall;
    set_text(dialog, IDC_UPDATE_LINE, line.text);
    bool idle = d.updateBusy.load() == 0;
    EnableWindow(GetDlgItem(dialog, IDC_CHECK_NOW), idle);
    EnableWindow(GetDlgItem(dialog, IDC_UPDATE_INSTALL), idle && available);
    if (available != d.updateAvailable) {
        d.updateAvailable = available;
        RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    }
}

SettingsDialog& settings_dialog() { return *g_open; }

void run_settings_dialog(HINSTANCE instance, bool screenshot)
{
    SettingsDialog d;
    d.screenshot = screenshot;
    g_open = &d;
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_SETTINGS), nullptr, dialog_procedure, reinterpret_cast<LPARAM>(&d));
    g_open = nullptr;
}
