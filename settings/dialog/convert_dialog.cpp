// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
#include "convert_dialog.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "charset.h"
#include "dialog_controls.h"
#include "dialog_state.h"
#include "draw.h"
#include "layout.h"
#include "paint.h"
#include "resource.h"
#include "rich_text.h"
#include "theme.h"
#include "theme_window.h"
#include "utf.h"

namespace {

namespace fs = std::filesystem;

// The design canvas, in logical pixels: one card with the choices, the two
// actions and the outcome; "Xong" under it.
constexpr double DESIGN_WIDTH_PX = 520;
constexpr double DESIGN_HEIGHT_PX = 416;
constexpr RECT CARD = {16, 12, 504, 344};
constexpr int FROM_GUESS = -1;  // item data of "Tự đoán"

constexpr wchar_t CAPTION[] = L"miraDot – Chuyển mã";

DesignRect design_of(int id)
{
    switch (id) {
    case IDC_CONVERT_HEADING:
        return {36, 30, 448, 18};
    case IDC_CONVERT_NOTE:
        return {36, 54, 448, 44};
    case IDC_CONVERT_FROM_LABEL:
        return {36, 108, 140, 38};
    case IDC_CONVERT_FROM:
        return {180, 108, 304, 300};
    case IDC_CONVERT_GUESS:
        return {180, 150, 304, 24};
    case IDC_CONVERT_TO_LABEL:
        return {36, 184, 140, 38};
    case IDC_CONVERT_TO:
        return {180, 184, 304, 300};
    case IDC_CONVERT_CLIPBOARD:
        return {36, 240, 218, 44};
    case IDC_CONVERT_FILE:
        return {266, 240, 218, 44};
    case IDC_CONVERT_STATUS:
        return {36, 292, 448, 44};
    default:
        return {DESIGN_WIDTH_PX - 16 - 120, 360, 120, 40};  // IDOK
    }
}

std::wstring wide(const std::string& utf8) { return miradot::utf8_to_wide(utf8); }

std::wstring label_of(miradot::Charset charset) { return wide(miradot::charset_label(charset)); }

void set_text(HWND dialog, int id, const std::wstring& text)
{
    SetDlgItemTextW(dialog, id, text.c_str());
    InvalidateRect(GetDlgItem(dialog, id), nullptr, FALSE);
}

// The clipboard's plain text, empty when it has none.
std::wstring clipboard_text(HWND owner)
{
    std::wstring text;
    if (!OpenClipboard(owner))
        return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* units = static_cast<const wchar_t*>(GlobalLock(data))) {
            text.assign(units, wcsnlen(units, GlobalSize(data) / sizeof(wchar_t)));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

// The bytes of a registered clipboard format, without the terminator that
// the format's producers add.
std::string clipboard_bytes(UINT format)
{
    std::string bytes;
    if (HANDLE data = GetClipboardData(format)) {
        if (const auto* start = static_cast<const char*>(GlobalLock(data))) {
            bytes.assign(start, strnlen(start, GlobalSize(data)));
            GlobalUnlock(data);
        }
    }
    return bytes;
}

bool put_clipboard(UINT format, const void* data, size_t size)
{
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!memory)
        return false;
    std::memcpy(GlobalLock(memory), data, size);
    GlobalUnlock(memory);
    if (SetClipboardData(format, memory))
        return true;
    GlobalFree(memory);
    return false;
}

miradot::Charset chosen(HWND dialog, int id)
{
    HWND combo = GetDlgItem(dialog, id);
    return miradot::Charset(SendMessageW(combo, CB_GETITEMDATA, SendMessageW(combo, CB_GETCURSEL, 0, 0), 0));
}

// The source the user chose, or the guess from the text itself.
miradot::Charset source_for(HWND dialog, std::string_view input, miradot::LegacyForm form, bool* guessed)
{
    miradot::Charset from = chosen(dialog, IDC_CONVERT_FROM);
    *guessed = int(from) == FROM_GUESS;
    return *guessed ? miradot::guess_charset(input, form).charset : from;
}

std::wstring guessed_note(bool guessed) { return guessed ? L"; bảng mã nguồn là tự đoán" : L""; }

void show_guess(HWND dialog)
{
    std::string text = miradot::wide_to_utf8(clipboard_text(dialog));
    if (text.empty()) {
        set_text(dialog, IDC_CONVERT_GUESS, L"Clipboard đang không có chữ.");
        return;
    }
    miradot::CharsetGuess guess = miradot::guess_charset(text, miradot::LEGACY_CP1252_TEXT);
    set_text(dialog, IDC_CONVERT_GUESS, L"Chữ trong clipboard: đoán là " + label_of(guess.charset));
}

std::wstring lost_note(size_t unwritable)
{
    if (unwritable == 0)
        return L"";
    return L" " + std::to_wstring(unwritable) + L" ký tự không có trong bảng mã đích, thành \"?\".";
}

void convert_clipboard(HWND dialog)
{
    const std::string text = miradot::wide_to_utf8(clipboard_text(dialog));
    if (text.empty()) {
        set_text(dialog, IDC_CONVERT_STATUS, L"Lỗi: clipboard không có chữ để chuyển.");
        return;
    }
    bool guessed;
    const miradot::Charset from = source_for(dialog, text, miradot::LEGACY_CP1252_TEXT, &guessed);
    const miradot::Charset to = chosen(dialog, IDC_CONVERT_TO);
    const UINT rtf_format = RegisterClipboardFormatW(L"Rich Text Format");
    const UINT html_format = RegisterClipboardFormatW(L"HTML Format");
    if (!OpenClipboard(dialog)) {
        set_text(dialog, IDC_CONVERT_STATUS, L"Lỗi: chương trình khác đang giữ clipboard, thử lại sau.");
        return;
    }
    const std::string rtf = clipboard_bytes(rtf_format), html = clipboard_bytes(html_format);
    size_t unwritable = 0;
    const std::wstring converted
        = wide(miradot::charset_encode(to, miradot::charset_decode(from, text, miradot::LEGACY_CP1252_TEXT),
                                       miradot::LEGACY_CP1252_TEXT, &unwritable));
    EmptyClipboard();
    bool written = put_clipboard(CF_UNICODETEXT, converted.c_str(), (converted.size() + 1) * sizeof(wchar_t));
    std::wstring formats = L"chữ";
    if (!rtf.empty()) {
        const std::string out = miradot::convert_rtf_text(rtf, from, to);
        written &= put_clipboard(rtf_format, out.c_str(), out.size() + 1);
        formats += L", RTF";
    }
    if (!html.empty()) {
        const std::string out = miradot::convert_clipboard_html(html, from, to);
        written &= put_clipboard(html_format, out.c_str(), out.size() + 1);
        formats += L", HTML";
    }
    CloseClipboard();
    set_text(dialog, IDC_CONVERT_STATUS,
             written ? L"Đã chuyển clipboard (" + formats + L") từ " + label_of(from) + L" sang " + label_of(to)
                           + guessed_note(guessed) + L"." + lost_note(unwritable)
                     : std::wstring(L"Lỗi: không ghi được vào clipboard."));
    show_guess(dialog);
}

// "thu.txt" becomes "thu (unicode).txt", or "thu (unicode) 2.txt" when that
// file is there already.
fs::path new_file_for(const fs::path& file, miradot::Charset to)
{
    const std::wstring stem = file.stem().wstring() + L" (" + wide(miradot::charset_name(to)) + L")";
    fs::path candidate = file.parent_path() / (stem + file.extension().wstring());
    for (int n = 2; fs::exists(candidate) && n < 1000; ++n)
        candidate = file.parent_path() / (stem + L" " + std::to_wstring(n) + file.extension().wstring());
    return candidate;
}

void convert_file(HWND dialog)
{
    wchar_t path[MAX_PATH] = {};
    OPENFILENAMEW request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = dialog;
    // A file is converted as plain text; RTF and HTML go through the clipboard.
    request.lpstrFilter = L"Tệp chữ (*.txt; *.csv; *.tsv)\0*.txt;*.csv;*.tsv\0Mọi tệp (*.*)\0*.*\0";
    request.lpstrFile = path;
    request.nMaxFile = MAX_PATH;
    request.lpstrTitle = L"Chọn tệp cần chuyển mã";
    request.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameW(&request))
        return;
    const fs::path file(path);
    std::ifstream in(file, std::ios::binary);
    const std::string input((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        set_text(dialog, IDC_CONVERT_STATUS, L"Lỗi: không đọc được tệp " + file.filename().wstring() + L".");
        return;
    }
    const miradot::LegacyForm form = miradot::legacy_form_of(input);
    bool guessed;
    const miradot::Charset from = source_for(dialog, input, form, &guessed);
    const miradot::Charset to = chosen(dialog, IDC_CONVERT_TO);
    size_t unwritable = 0;
    const std::string output
        = miradot::charset_encode(to, miradot::charset_decode(from, input, form), miradot::LEGACY_BYTES, &unwritable);
    const fs::path target = new_file_for(file, to);
    std::ofstream out(target, std::ios::binary);
    out.write(output.data(), std::streamsize(output.size()));
    out.close();
    set_text(dialog, IDC_CONVERT_STATUS,
             out ? L"Đã ghi " + target.filename().wstring() + L" từ " + label_of(from) + guessed_note(guessed) + L"."
                       + lost_note(unwritable)
                 : L"Lỗi: không ghi được tệp " + target.filename().wstring() + L".");
}

void fill_combo(HWND dialog, int id, bool source)
{
    HWND combo = GetDlgItem(dialog, id);
    auto add = [&](const std::wstring& text, int data) {
        LRESULT index = SendMessageW(combo, CB_ADDSTRING, 0, LPARAM(text.c_str()));
        SendMessageW(combo, CB_SETITEMDATA, WPARAM(index), LPARAM(data));
    };
    if (source)
        add(L"Tự đoán", FROM_GUESS);
    for (int i = 0; i < miradot::CHARSET_COUNT; ++i) {
        if (!source || i != miradot::CHARSET_NOMARKS)
            add(label_of(miradot::Charset(i)), i);
    }
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
    SendMessageW(combo, CB_SETITEMHEIGHT, WPARAM(-1), scaled(38) - 6);
    SendMessageW(combo, CB_SETITEMHEIGHT, 0, scaled(30));
    subclass_language_box(combo);
}

void place_window(HWND dialog, HWND owner)
{
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    const RECT frame = frame_for(dialog, window_dpi(dialog));
    const int width = scaled(DESIGN_WIDTH_PX) + frame.right - frame.left;
    const int height = scaled(DESIGN_HEIGHT_PX) + frame.bottom - frame.top;
    SetWindowPos(dialog, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + std::max(0L, (work.bottom - work.top - height) / 2), width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const DesignRect r = design_of(GetDlgCtrlID(child));
        SetWindowPos(child, nullptr, scaled(r.x), scaled(r.y), scaled(r.w), scaled(r.h),
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    }
}

void open(HWND dialog, HWND owner)
{
    fill_combo(dialog, IDC_CONVERT_FROM, true);
    fill_combo(dialog, IDC_CONVERT_TO, false);
    show_guess(dialog);
    apply_window_theme(dialog, dark_theme());
    if (settings_dialog().screenshot)
        SendMessageW(dialog, WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
    place_window(dialog, owner);
}

void paint_surface(HWND dialog, HDC target, const RECT& dirty)
{
    OffscreenCanvas canvas(target, dirty);
    HDC dc = canvas.dc();
    RECT client;
    GetClientRect(dialog, &client);
    fill_rect(dc, client, PAL_BACKGROUND);
    const RECT card{scaled(CARD.left), scaled(CARD.top), scaled(CARD.right), scaled(CARD.bottom)};
    fill_round_rect(dc, card, scaled(14), pal_argb(PAL_CARD));
    outline_round_rect(dc, card, scaled(14), pal_argb(PAL_CARD_BORDER));
}

COLORREF status_colour(const std::wstring& text)
{
    if (text.rfind(L"Lỗi", 0) == 0)
        return pal(PAL_ERROR);
    return pal(text.rfind(L"Đã", 0) == 0 ? PAL_ACCENT : PAL_MUTED);
}

void draw_item(HWND dialog, const DRAWITEMSTRUCT* item)
{
    const int id = int(item->CtlID);
    if (item->CtlType == ODT_COMBOBOX || id == IDC_CONVERT_HEADING) {
        draw_owner_item(dialog, item);
        return;
    }
    RECT r;
    GetClientRect(item->hwndItem, &r);
    OffscreenCanvas canvas(item->hDC, r);
    HDC dc = canvas.dc();
    fill_rect(dc, r, PAL_CARD);
    const Fonts& f = fonts_for_scale(settings_dialog().scale);
    wchar_t buffer[600];
    const std::wstring text(buffer, std::max(0, GetWindowTextW(item->hwndItem, buffer, 600)));
    switch (id) {
    case IDC_CONVERT_FROM_LABEL:
    case IDC_CONVERT_TO_LABEL:
        draw_text(dc, text, r, f.cardTitle, pal(PAL_TEXT), DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        break;
    case IDC_CONVERT_GUESS:
        draw_text(dc, text, r, f.body, pal(PAL_HEADING), DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
        break;
    case IDC_CONVERT_STATUS:
        draw_text(dc, text, r, f.body, status_colour(text), DT_LEFT | DT_TOP | DT_WORDBREAK | DT_END_ELLIPSIS);
        break;
    default:
        draw_text(dc, text, r, f.body, pal(PAL_SECONDARY), DT_LEFT | DT_TOP | DT_WORDBREAK);
    }
}

INT_PTR CALLBACK dialog_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_INITDIALOG:
        open(dialog, reinterpret_cast<HWND>(lparam));
        return TRUE;
    case WM_ERASEBKGND:
        return dialog_result(dialog, 1);
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(dialog, &ps);
        paint_surface(dialog, dc, ps.rcPaint);
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
        draw_item(dialog, reinterpret_cast<DRAWITEMSTRUCT*>(lparam));
        return TRUE;
    case WM_MEASUREITEM:
        measure_owner_item(reinterpret_cast<MEASUREITEMSTRUCT*>(lparam));
        return TRUE;
    case WM_CTLCOLORLISTBOX:
        SetTextColor(reinterpret_cast<HDC>(wparam), pal(PAL_TEXT));
        SetBkColor(reinterpret_cast<HDC>(wparam), pal(PAL_CARD));
        return reinterpret_cast<INT_PTR>(cached_brush(PAL_CARD));
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDC_CONVERT_CLIPBOARD:
            convert_clipboard(dialog);
            break;
        case IDC_CONVERT_FILE:
            convert_file(dialog);
            break;
        case IDOK:
        case IDCANCEL:
            EndDialog(dialog, IDOK);
            break;
        }
        return TRUE;
    case WM_ACTIVATE:
        // Something copied elsewhere while the dialog waited gets its guess.
        if (LOWORD(wparam) != WA_INACTIVE)
            show_guess(dialog);
        return FALSE;
    case WM_CLOSE:
        EndDialog(dialog, IDOK);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

void open_convert_dialog(HWND settingsDialog)
{
    DialogBoxParamW(reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(settingsDialog, GWLP_HINSTANCE)),
                    MAKEINTRESOURCEW(IDD_CONVERT), settingsDialog, dialog_procedure, LPARAM(settingsDialog));
}
