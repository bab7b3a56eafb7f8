// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
#include "paint.h"

#include "behaviour_rows.h"
#include "dialog_state.h"
#include "draw.h"
#include "layout.h"
#include "mt_catalog.h"
#include "resource.h"
#include "theme.h"
#include "version.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

namespace {

struct Badge {
    int id;
    const wchar_t* text;
    bool symbol;
    uint32_t from, to;
};

constexpr Badge BADGES[] = {
    {IDC_AUTO_ENGLISH, L"EN", false, 0x3B82F6, 0x6366F1}, {IDC_AUTO_CORRECT, L"✓", true, 0x10B981, 0x14B8A6},
    {IDC_PUNCTUATION, L"Aa", false, 0xF59E0B, 0xF97316},  {IDC_HINTS, L"⇥", true, 0x8B5CF6, 0xD946EF},
    {IDC_LEARN, L"★", true, 0xEC4899, 0xF43F5E},          {IDC_SHORTHAND, L"ko", false, 0x06B6D4, 0x3B82F6},
    {IDC_OLD_TONE, L"òa", false, 0x84CC16, 0x22C55E},     {IDC_UPDATE_CHECK, L"↻", true, 0x0EA5C6, 0x2EE59D},
};

constexpr int CARD_RADIUS = 14;
constexpr int CONTROL_RADIUS = 10;

std::wstring control_text(HWND control)
{
    wchar_t text[600];
    int length = GetWindowTextW(control, text, 600);
    return std::wstring(text, length > 0 ? length : 0);
}

bool starts_with(const std::wstring& text, const wchar_t* prefix) { return text.rfind(prefix, 0) == 0; }

// Device rectangle of a design one on the dialog surface.
RECT at(double x, double y, double w, double h) { return to_client({x, y, w, h}); }

bool cues_hidden(HWND control)
{
    return settings_dialog().screenshot || (SendMessageW(control, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
}

void paint_header(HDC dc)
{
    const Fonts& f = fonts_for_scale(settings_dialog().scale);
    RECT title = at(24, 20, 400, 40);
    int first = draw_text(dc, L"mira", title, f.title, pal(PAL_TITLE), DT_LEFT | DT_TOP | DT_SINGLELINE);
    title.left += first;
    draw_text(dc, L"Dot", title, f.title, pal(PAL_ACCENT), DT_LEFT | DT_TOP | DT_SINGLELINE);
    draw_text(dc, L"Bộ gõ tiếng Việt · tự nhận tiếng Anh · sửa chính tả", at(26, 62, 600, 24), f.subtitle,
              pal(PAL_SECONDARY), DT_LEFT | DT_TOP | DT_SINGLELINE);
    std::wstring pill = std::wstring(L"bản ") + PROGRAM_VERSION_W;
    int width = text_extent(dc, pill, f.pill) + scaled(24);
    RECT box = at(876, 30, 0, 28);
    box.left = box.right - width;
    fill_round_rect(dc, box, (box.bottom - box.top) / 2, pal_argb(PAL_PILL));
    draw_text(dc, pill, box, f.pill, pal(PAL_HEADING), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void paint_cards(HDC dc)
{
    SettingsDialog& d = settings_dialog();
    for (const Card& card : CARDS) {
        RECT r = at(card.x, card.y, card.w, card.h);
        RECT shadow = r;
        OffsetRect(&shadow, 0, scaled(2));
        fill_round_rect(dc, shadow, scaled(CARD_RADIUS), pal_argb(PAL_SHADOW));
        fill_round_rect(dc, r, scaled(CARD_RADIUS), pal_argb(PAL_CARD));
        if (card.heading == IDC_HEAD_UPDATE && d.updateAvailable)
            fill_round_rect(dc, r, scaled(CARD_RADIUS), pal_argb(PAL_UPDATE_TINT));
        outline_round_rect(dc, r, scaled(CARD_RADIUS), pal_argb(PAL_CARD_BORDER));
    }
    for (int n = 1; n < int(std::size(BEHAVIOURS)); ++n) {
        RECT line = at(42, 322.0 + 61 * n - 1, 381, 0);
        line.bottom = line.top + 1;
        fill_rect(dc, line, PAL_DIVIDER);
    }
}

void paint_method_example(HWND dialog, HDC dc)
{
    const Fonts& f = fonts_for_scale(settings_dialog().scale);
    bool vni = IsDlgButtonChecked(dialog, IDC_VNI) == BST_CHECKED;
    RECT r = at(46, 222, 373, 22);
    UINT format = DT_LEFT | DT_VCENTER | DT_SINGLELINE;
    r.left += draw_text(dc, L"Ví dụ: ", r, f.body, pal(PAL_MUTED), format);
    r.left += draw_text(dc, vni ? L"tie61ng vie65t" : L"tieengs vieetj", r, f.example, pal(PAL_HEADING), format);
    r.left += draw_text(dc, L"  →  ", r, f.body, pal(PAL_MUTED), format);
    draw_text(dc, L"tiếng Việt", r, f.cardTitle, pal(PAL_TEXT), format);
}

void paint_two_line_label(HDC dc, double y, const wchar_t* first, const wchar_t* second)
{
    const Fonts& f = fonts_for_scale(settings_dialog().scale);
    draw_text(dc, first, at(477, y, 230, 20), f.cardTitle, pal(PAL_TEXT),
              DT_LEFT | DT_TOP | DT_SINGLELINE | DT_END_ELLIPSIS);
    draw_text(dc, second, at(477, y + 21, 230, 18), f.body, pal(PAL_MUTED),
              DT_LEFT | DT_TOP | DT_SINGLELINE | DT_END_ELLIPSIS);
}

void paint_quick_tips(HDC dc)
{
    SettingsDialog& d = settings_dialog();
    const Fonts& f = fonts_for_scale(d.scale);
    struct Tip {
        std::wstring keys;
        const wchar_t* text;
    };
    const Tip tips[] = {
        {L"Ctrl+Shift+Space", L"Bật / tắt tiếng Việt (V ↔ E) cho mọi app"},
        {L"Win+Space", L"Đổi bộ gõ (miraDot ↔ bàn phím khác)"},
        {L"Tab", L"Đổi từ nước đôi khi có gợi ý (test ↔ tét)"},
        {d.voiceHotkey, L"Nói, rồi miraDot gõ ra chữ"},
        {d.translateHotkey, L"Dịch dòng đang gõ hoặc đoạn bôi đen"},
        {L"V/E", L"Bấm: Việt ↔ Anh, bấm phải: menu"},
    };
    for (int n = 0; n < int(std::size(tips)); ++n) {
        RECT row = at(477, TIPS_TOP + TIPS_STEP * n, 381, 28);
        int end = row.left;
        if (starts_with(tips[n].keys, L"("))
            end += draw_text(dc, tips[n].keys, row, f.body, pal(PAL_MUTED), DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        else
            end = draw_keycaps(dc, row.left, row.top + scaled(2), scaled(24), tips[n].keys);
        row.left = end + scaled(6);
        draw_text(dc, tips[n].text, row, f.body, pal(PAL_SECONDARY),
                  DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    }
}

void paint_badge(HDC dc, const RECT& r, const Badge& badge)
{
    const Fonts& f = fonts_for_scale(settings_dialog().scale);
    fill_gradient_round_rect(dc, r, scaled(10), badge.from, badge.to);
    draw_text(dc, badge.text, r, badge.symbol ? f.badgeSymbol : f.badge, RGB(255, 255, 255),
              DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

const wchar_t* hint_for(int id)
{
    if (id == IDC_UPDATE_CHECK)
        return UPDATE_CHECK_HINT;
    for (const BehaviourRow& row : BEHAVIOURS)
        if (row.id == id)
            return row.hint;
    return L"";
}

// How a switch card sits: on a card of the dialog's, tinted for an update,
// or as a card of its own on the window background.
enum class CardBackground { Row, Tinted, Own };

// A badge at the left, the title with a second line beneath, the switch at
// the right.
void paint_switch_card(HWND control, HDC dc, const RECT& r, UINT state, const Badge& badge, const std::wstring& title,
                       const std::wstring& second, COLORREF secondColour, CardBackground background)
{
    const Fonts& f = fonts_for_scale(settings_dialog().scale);
    if (background == CardBackground::Own) {
        fill_rect(dc, r, PAL_BACKGROUND);
        RECT card = r;
        InflateRect(&card, -1, -1);
        fill_round_rect(dc, card, scaled(CONTROL_RADIUS), pal_argb(PAL_CARD));
        outline_round_rect(dc, card, scaled(CONTROL_RADIUS), pal_argb(PAL_CARD_BORDER));
    } else {
        fill_rect(dc, r, PAL_CARD);
        if (background == CardBackground::Tinted)
            fill_round_rect(dc, r, 0, pal_argb(PAL_UPDATE_TINT));
    }
    if (state & CDIS_HOT)
        fill_round_rect(dc, r, scaled(CONTROL_RADIUS), pal_argb(PAL_HOVER));
    int h = r.bottom - r.top;
    int size = scaled(38);
    RECT badgeRect{r.left + scaled(10), r.top + (h - size) / 2, r.left + scaled(10) + size,
                   r.top + (h - size) / 2 + size};
    paint_badge(dc, badgeRect, badge);
    bool enabled = IsWindowEnabled(control);
    int switchW = scaled(40), switchH = scaled(22);
    RECT sw{r.right - scaled(12) - switchW, r.top + (h - switchH) / 2, r.right - scaled(12),
            r.top + (h - switchH) / 2 + switchH};
    draw_switch(dc, sw, SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED, enabled);
    RECT titleRect{r.left + scaled(62), r.top + scaled(9), sw.left - scaled(8), r.top + scaled(31)};
    draw_text(dc, title, titleRect, f.cardTitle, pal(enabled ? PAL_TEXT : PAL_DISABLED),
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    RECT hint{titleRect.left, r.top + scaled(31), titleRect.right, r.bottom - scaled(6)};
    draw_text(dc, second, hint, f.body, secondColour, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_END_ELLIPSIS);
    if ((state & CDIS_FOCUS) && !cues_hidden(control))
        outline_round_rect(dc, r, scaled(CONTROL_RADIUS), pal_argb(PAL_FOCUS));
}

void paint_switch_row(HWND control, HDC dc, const RECT& r, UINT state)
{
    int id = GetDlgCtrlID(control);
    Badge badge{id, L"", false, 0, 0};
    for (const Badge& known : BADGES)
        if (known.id == id)
            badge = known;
    const bool tinted = id == IDC_UPDATE_CHECK && settings_dialog().updateAvailable;
    paint_switch_card(control, dc, r, state, badge, control_text(control), hint_for(id), pal(PAL_MUTED),
                      tinted ? CardBackground::Tinted : CardBackground::Row);
}

// A language's badge: its code in capitals, in its script's colours.
Badge language_badge(const LanguageRow& language, const std::wstring& code)
{
    struct ScriptColours {
        const char* scripts;  // ISO 15924 codes, space-separated
        uint32_t from, to;
    };
    static const ScriptColours COLOURS[] = {
        {"Latn", 0x3B82F6, 0x6366F1},                 // blue
        {"Hans Hant Jpan Hang", 0xEC4899, 0xF43F5E},  // pink
        {"Cyrl", 0x8B5CF6, 0xA855F7},                 // violet
        {"Arab Hebr", 0xF59E0B, 0xF97316},            // orange
    };
    if (std::string_view(language.code) == "vi")
        return {0, code.c_str(), false, 0x10B981, 0x22C55E};  // green
    for (const ScriptColours& colours : COLOURS)
        if (std::string_view(colours.scripts).find(language.script) != std::string_view::npos)
            return {0, code.c_str(), false, colours.from, colours.to};
    return {0, code.c_str(), false, 0x06B6D4, 0x0EA5C6};  // cyan
}

bool stage_in_progress(WorkStage stage)
{
    return stage == WorkStage::Waiting || stage == WorkStage::Downloading || stage == WorkStage::Checking
           || stage == WorkStage::Installing;
}

// A language's line: what is on disk, and a finished job, stay quiet.
COLORREF language_status_colour(WorkStage stage)
{
    if (stage == WorkStage::Failed)
        return pal(PAL_ERROR);
    return pal(stage_in_progress(stage) ? PAL_HEADING : PAL_MUTED);
}

void paint_method_choice(HWND control, HDC dc, const RECT& r, UINT state)
{
    const Fonts& f = fonts_for_scale(settings_dialog().scale);
    fill_rect(dc, r, PAL_CARD);
    bool selected = SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
    RECT pill = r;
    InflateRect(&pill, -scaled(3), -scaled(2));
    fill_round_rect(dc, pill, scaled(CONTROL_RADIUS),
                    pal_argb(selected             ? PAL_SELECTED
                             : (state & CDIS_HOT) ? PAL_HOVER
                                                  : PAL_CARD));
    outline_round_rect(dc, pill, scaled(CONTROL_RADIUS), pal_argb(selected ? PAL_SELECTED_BORDER : PAL_CARD_BORDER),
                       selected ? 1.5f : 1.0f);
    draw_text(dc, control_text(control), pill, f.cardTitle, pal(selected ? PAL_TEXT : PAL_SECONDARY),
              DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if ((state & CDIS_FOCUS) && !cues_hidden(control)) {
        RECT focus = pill;
        InflateRect(&focus, scaled(2), scaled(2));
        outline_round_rect(dc, focus, scaled(CONTROL_RADIUS + 2), pal_argb(PAL_FOCUS));
    }
}

// The capture prompt in the field: one line when it fits, else its request
// over its keys ("Bấm tổ hợp mới…" / "(Esc: huỷ, ⌫: mặc định)"), each line cut
// to the field, both centred in it.
void draw_prompt(HDC dc, const RECT& field, const std::wstring& text, COLORREF colour)
{
    const Fonts& f = fonts_for_scale(settings_dialog().scale);
    const UINT line = DT_LEFT | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX;
    if (text_extent(dc, text, f.body) <= field.right - field.left) {
        draw_text(dc, text, field, f.body, colour, line | DT_VCENTER);
        return;
    }
    const size_t split = text.find(L" (");
    const std::wstring lines[2] = {text.substr(0, split), split == std::wstring::npos ? L"" : text.substr(split + 1)};
    HGDIOBJ previous = SelectObject(dc, f.body);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, previous);
    const int height = metrics.tmHeight;
    int top = field.top + std::max(0, int(field.bottom - field.top) - 2 * height) / 2;
    for (const std::wstring& part : lines) {
        draw_text(dc, part, {field.left, top, field.right, top + height}, f.body, colour, line);
        top += height;
    }
}

void paint_hotkey_button(HWND control, HDC dc, const RECT& r, UINT state)
{
    fill_rect(dc, r, PAL_CARD);
    std::wstring text = control_text(control);
    bool capturing = settings_dialog().capturing == GetDlgCtrlID(control);
    RECT box = r;
    InflateRect(&box, -1, -1);
    fill_round_rect(dc, box, scaled(8), pal_argb(capturing ? PAL_SELECTED : PAL_FIELD));
    outline_round_rect(dc, box, scaled(8), pal_argb(capturing ? PAL_SELECTED_BORDER : PAL_OUTLINE),
                       capturing ? 1.5f : 1.0f);
    RECT inner = box;
    inner.left += scaled(6);
    // The prompt takes two lines when the install button narrows the field.
    if (starts_with(text, L"Bấm") || starts_with(text, L"("))
        draw_prompt(dc, {inner.left + scaled(4), inner.top + 1, inner.right - scaled(4), inner.bottom - 1}, text,
                    pal(capturing ? PAL_HEADING : PAL_MUTED));
    else
        draw_keycaps(dc, inner.left, box.top + scaled(4), (box.bottom - box.top) - scaled(8), text);
    if ((state & CDIS_FOCUS) && !capturing && !cues_hidden(control))
        outline_round_rect(dc, box, scaled(8), pal_argb(PAL_FOCUS));
}

bool filled_button(int id)
{
    return id == IDC_VOICE_INSTALL || id == IDC_TRANSLATE_INSTALL
           || (id == IDC_UPDATE_INSTALL && settings_dialog().updateAvailable);
}

void paint_push_button(HWND control, HDC dc, const RECT& r, UINT state)
{
    const Fonts& f = fonts_for_scale(settings_dialog().scale);
    int id = GetDlgCtrlID(control);
    const bool on_background = id == IDOK || id == IDCANCEL || id == IDC_HOME_PAGE || id == IDC_CONVERT
                               || id == IDC_COPY_DIAGNOSTICS;
    fill_rect(dc, r, on_background ? PAL_BACKGROUND : PAL_CARD);
    if (id == IDC_UPDATE_INSTALL && settings_dialog().updateAvailable)
        fill_round_rect(dc, r, 0, pal_argb(PAL_UPDATE_TINT));
    bool enabled = IsWindowEnabled(control);
    std::wstring text = control_text(control);
    if (id == IDC_HOME_PAGE) {
        draw_text(dc, text, r, f.link, pal(PAL_LINK), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        // A link that has the keyboard focus shows it, so that Enter does
        // what the user expects.
        if ((state & CDIS_FOCUS) && !cues_hidden(control))
            outline_round_rect(dc, {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, scaled(6), pal_argb(PAL_FOCUS),
                               1.5f);
        return;
    }
    RECT box = r;
    InflateRect(&box, -scaled(2), -scaled(2));
    bool pressed = state & CDIS_SELECTED;
    if (filled_button(id)) {
        uint32_t fill = pal_argb(PAL_ACCENT);
        if (!enabled)
            fill = (fill & 0x00FFFFFF) | 0x60000000;
        fill_round_rect(dc, box, scaled(CONTROL_RADIUS), fill);
        draw_text(dc, text, box, f.cardTitle, pal(PAL_FILLED_TEXT),
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    } else {
        fill_round_rect(dc, box, scaled(CONTROL_RADIUS),
                        pal_argb(pressed              ? PAL_PRESSED
                                 : (state & CDIS_HOT) ? PAL_HOVER
                                                      : PAL_CARD));
        outline_round_rect(dc, box, scaled(CONTROL_RADIUS), pal_argb(PAL_OUTLINE));
        draw_text(dc, text, box, f.cardTitle, pal(enabled ? PAL_TEXT : PAL_DISABLED),
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    }
    if ((state & CDIS_FOCUS) && !cues_hidden(control)) {
        RECT focus = box;
        InflateRect(&focus, scaled(2), scaled(2));
        outline_round_rect(dc, focus, scaled(CONTROL_RADIUS + 2), pal_argb(PAL_FOCUS));
    }
}

COLORREF status_colour(WorkStage stage)
{
    if (stage == WorkStage::Failed)
        return pal(PAL_ERROR);
    if (stage == WorkStage::Done)
        return pal(PAL_ACCENT);
    return pal(stage_in_progress(stage) ? PAL_HEADING : PAL_MUTED);
}

void draw_heading(HDC dc, const RECT& r, std::wstring text)
{
    const Fonts& f = fonts_for_scale(settings_dialog().scale);
    CharUpperBuffW(text.data(), DWORD(text.size()));
    int previous = SetTextCharacterExtra(dc, scaled(1));
    // Bottom-aligned: marks stacked above capitals need the room above.
    draw_text(dc, text, r, f.heading, pal(PAL_HEADING), DT_LEFT | DT_BOTTOM | DT_SINGLELINE);
    SetTextCharacterExtra(dc, previous);
}

void draw_learned_line(HDC dc, const RECT& r, const std::wstring& text)
{
    const Fonts& f = fonts_for_scale(settings_dialog().scale);
    size_t digits = 0;
    while (digits < text.size() && iswdigit(text[digits]))
        ++digits;
    RECT rest = r;
    if (digits) {
        rest.left
            += draw_text(dc, text.substr(0, digits), r, f.number, pal(PAL_TEXT), DT_LEFT | DT_VCENTER | DT_SINGLELINE)
               + scaled(6);
    }
    draw_text(dc, text.substr(digits), rest, f.body, pal(PAL_MUTED), DT_LEFT | DT_VCENTER | DT_WORDBREAK);
}

void draw_update_line(HDC dc, const RECT& r, const std::wstring& text)
{
    const Fonts& f = fonts_for_scale(settings_dialog().scale);
    UINT wrap = DT_LEFT | DT_TOP | DT_WORDBREAK | DT_END_ELLIPSIS | DT_EDITCONTROL;
    size_t stop = text.find(L". ");
    if (settings_dialog().updateFailed) {
        draw_text(dc, text, r, f.body, pal(PAL_ERROR), wrap);
        return;
    }
    if (!starts_with(text, L"Có bản mới") || stop == std::wstring::npos) {
        draw_text(dc, text, r, f.body, pal(PAL_SECONDARY), wrap);
        return;
    }
    RECT first = r;
    int height = scaled(18);
    draw_text(dc, text.substr(0, stop + 1), first, f.cardTitle, pal(PAL_ACCENT),
              DT_LEFT | DT_TOP | DT_SINGLELINE | DT_END_ELLIPSIS);
    RECT notes{r.left, r.top + height + scaled(2), r.right, r.bottom};
    draw_text(dc, text.substr(stop + 2), notes, f.body, pal(PAL_SECONDARY), wrap);
}

std::wstring selected_item_text(HWND combo)
{
    // Two lines in the narrow field at every scale: one would be cut at some.
    if (!IsWindowEnabled(combo))
        return L"(bật tiếng Việt\ntrước)";
    LRESULT item = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    LRESULT length = item == CB_ERR ? 0 : SendMessageW(combo, CB_GETLBTEXTLEN, item, 0);
    if (length <= 0 || length >= 200)
        return {};
    std::wstring text(size_t(length) + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, item, LPARAM(text.data()));
    text.resize(size_t(length));
    return text;
}

LRESULT CALLBACK language_box_procedure(HWND combo, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR)
{
    if (message == WM_ERASEBKGND)
        return 1;
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(combo, language_box_procedure, 1);
    if (message != WM_PAINT)
        return DefSubclassProc(combo, message, wparam, lparam);
    const Fonts& f = fonts_for_scale(settings_dialog().scale);
    PAINTSTRUCT ps;
    HDC target = BeginPaint(combo, &ps);
    RECT r;
    GetClientRect(combo, &r);
    {
        OffscreenCanvas canvas(target, r);
        HDC dc = canvas.dc();
        fill_rect(dc, r, PAL_CARD);
        RECT box = r;
        InflateRect(&box, -1, -1);
        bool enabled = IsWindowEnabled(combo);
        fill_round_rect(dc, box, scaled(8), pal_argb(PAL_FIELD));
        outline_round_rect(dc, box, scaled(8), pal_argb(GetFocus() == combo ? PAL_FOCUS : PAL_OUTLINE));
        RECT text{box.left + scaled(8), box.top, box.right - scaled(22), box.bottom};
        draw_text(dc, selected_item_text(combo), text, f.body, pal(enabled ? PAL_TEXT : PAL_MUTED),
                  DT_LEFT | DT_VCENTER | (enabled ? DT_SINGLELINE | DT_END_ELLIPSIS : DT_WORDBREAK));
        RECT arrow{box.right - scaled(22), box.top, box.right - scaled(6), box.bottom};
        draw_text(dc, L"▾", arrow, f.body, pal(enabled ? PAL_SECONDARY : PAL_DISABLED),
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    EndPaint(combo, &ps);
    return 0;
}

void paint_scroll_bar(HWND window)
{
    SCROLLBARINFO info{};
    info.cbSize = sizeof info;
    if (!(GetWindowLongPtrW(window, GWL_STYLE) & WS_VSCROLL) || !GetScrollBarInfo(window, OBJID_VSCROLL, &info)
        || (info.rgstate[0] & STATE_SYSTEM_INVISIBLE))
        return;
    RECT frame;
    GetWindowRect(window, &frame);
    RECT bar = info.rcScrollBar;
    OffsetRect(&bar, -frame.left, -frame.top);
    if (IsRectEmpty(&bar))
        return;
    HDC target = GetWindowDC(window);
    {
        OffscreenCanvas canvas(target, bar);
        HDC dc = canvas.dc();
        fill_rect(dc, bar, PAL_BACKGROUND);
        const int width = bar.right - bar.left, arrow = info.dxyLineButton;
        const Fonts& f = fonts_for_scale(settings_dialog().scale);
        draw_text(dc, L"▴", {bar.left, bar.top, bar.right, bar.top + arrow}, f.body, pal(PAL_SECONDARY),
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        draw_text(dc, L"▾", {bar.left, bar.bottom - arrow, bar.right, bar.bottom}, f.body, pal(PAL_SECONDARY),
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        RECT thumb{bar.left + width / 4, bar.top + info.xyThumbTop, bar.right - width / 4,
                   bar.top + info.xyThumbBottom};
        if (thumb.bottom > thumb.top)
            fill_round_rect(dc, thumb, (thumb.right - thumb.left) / 2, pal_argb(PAL_SCROLL));
    }
    ReleaseDC(window, target);
}

constexpr UINT_PTR SCROLL_BAR_SUBCLASS = 4;

LRESULT CALLBACK scroll_bar_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR)
{
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(window, scroll_bar_procedure, SCROLL_BAR_SUBCLASS);
    const LRESULT result = DefSubclassProc(window, message, wparam, lparam);
    // While the thumb is dragged the system draws it; it is painted over
    // when the drag ends.
    if (message == WM_NCPAINT || message == WM_NCACTIVATE || (message == WM_VSCROLL && LOWORD(wparam) != SB_THUMBTRACK))
        paint_scroll_bar(window);
    return result;
}

}  // namespace

void subclass_language_box(HWND combo) { SetWindowSubclass(combo, language_box_procedure, 1, 0); }

void paint_scroll_bar_in_palette(HWND window)
{
    SetWindowSubclass(window, scroll_bar_procedure, SCROLL_BAR_SUBCLASS, 0);
}

void paint_dialog_surface(HWND dialog, HDC target, const RECT& dirty)
{
    OffscreenCanvas canvas(target, dirty);
    HDC dc = canvas.dc();
    RECT client;
    GetClientRect(dialog, &client);
    fill_rect(dc, client, PAL_BACKGROUND);
    paint_header(dc);
    paint_cards(dc);
    paint_method_example(dialog, dc);
    paint_two_line_label(dc, 386, L"Dịch tiếng Việt sang", L"tiếng khác thì dịch sang tiếng Việt");
    paint_two_line_label(dc, 447, L"Ngôn ngữ dịch", L"bật / tắt từng thứ tiếng, 400–850 MB");
    const Fonts& f = fonts_for_scale(settings_dialog().scale);
    draw_text(dc, std::wstring(L"Đang dùng miraDot ") + PROGRAM_VERSION_W, at(479, 640, 211, 22), f.cardTitle,
              pal(PAL_TEXT), DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    paint_quick_tips(dc);
}

LRESULT custom_draw_control(HWND dialog, NMCUSTOMDRAW* draw)
{
    (void)dialog;
    if (draw->dwDrawStage != CDDS_PREPAINT)
        return CDRF_DODEFAULT;
    HWND control = draw->hdr.hwndFrom;
    RECT r;
    GetClientRect(control, &r);
    OffscreenCanvas canvas(draw->hdc, r);
    HDC dc = canvas.dc();
    UINT state = draw->uItemState;
    LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK;
    int id = GetDlgCtrlID(control);
    if (style == BS_AUTORADIOBUTTON || style == BS_RADIOBUTTON)
        paint_method_choice(control, dc, r, state);
    else if (style == BS_AUTOCHECKBOX || style == BS_CHECKBOX)
        paint_switch_row(control, dc, r, state);
    else if (id == IDC_VOICE_HOTKEY || id == IDC_TRANSLATE_HOTKEY)
        paint_hotkey_button(control, dc, r, state);
    else
        paint_push_button(control, dc, r, state);
    return CDRF_SKIPDEFAULT;
}

void draw_owner_item(HWND dialog, const DRAWITEMSTRUCT* item)
{
    const Fonts& f = fonts_for_scale(settings_dialog().scale);
    if (item->CtlType == ODT_COMBOBOX) {
        OffscreenCanvas canvas(item->hDC, item->rcItem);
        HDC dc = canvas.dc();
        bool field = item->itemState & ODS_COMBOBOXEDIT;
        bool selected = (item->itemState & ODS_SELECTED) && !field;
        fill_rect(dc, item->rcItem, selected ? PAL_SELECTED : field ? PAL_FIELD : PAL_CARD);
        std::wstring text;
        UINT format = DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS;
        if (!IsWindowEnabled(item->hwndItem)) {
            text = L"(bật tiếng Việt trước)";
            format = DT_LEFT | DT_VCENTER | DT_WORDBREAK;  // two lines in the narrow field
        } else if (item->itemID != UINT(-1)) {
            LRESULT length = SendMessageW(item->hwndItem, CB_GETLBTEXTLEN, item->itemID, 0);
            if (length > 0 && length < 200) {
                text.resize(size_t(length) + 1);
                SendMessageW(item->hwndItem, CB_GETLBTEXT, item->itemID, LPARAM(text.data()));
                text.resize(size_t(length));
            }
        }
        RECT r = item->rcItem;
        r.left += scaled(8);
        draw_text(dc, text, r, f.body, pal(IsWindowEnabled(item->hwndItem) ? PAL_TEXT : PAL_MUTED), format);
        return;
    }
    RECT r;
    GetClientRect(item->hwndItem, &r);
    OffscreenCanvas canvas(item->hDC, r);
    HDC dc = canvas.dc();
    int id = int(item->CtlID);
    const bool onBackground
        = id == IDC_VERSION_LINE || id == IDC_LANGUAGES_HEADING || id == IDC_LANGUAGES_NOTE || id == IDC_CONFIRM_TEXT;
    fill_rect(dc, r, onBackground ? PAL_BACKGROUND : PAL_CARD);
    if (id == IDC_UPDATE_LINE && settings_dialog().updateAvailable)
        fill_round_rect(dc, r, 0, pal_argb(PAL_UPDATE_TINT));
    std::wstring text = control_text(item->hwndItem);
    switch (id) {
    case IDC_LEARNED_LINE:
        draw_learned_line(dc, r, text);
        break;
    case IDC_VOICE_STATUS:
    case IDC_TRANSLATE_STATUS: {
        const SettingsDialog& state = settings_dialog();
        const WorkStage stage = id == IDC_VOICE_STATUS ? state.voiceStage : state.translationStage;
        draw_text(dc, text, r, f.body, status_colour(stage), DT_LEFT | DT_VCENTER | DT_WORDBREAK | DT_END_ELLIPSIS);
        break;
    }
    case IDC_UPDATE_LINE:
        draw_update_line(dc, r, text);
        break;
    case IDC_VERSION_LINE:
        draw_text(dc, text, r, f.body, pal(PAL_VERSION), DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        break;
    case IDC_LANGUAGES_NOTE:
        draw_text(dc, text, r, f.body, pal(PAL_SECONDARY), DT_LEFT | DT_TOP | DT_WORDBREAK);
        break;
    case IDC_CONFIRM_TEXT:
        draw_text(dc, text, r, f.body, pal(PAL_TEXT), DT_LEFT | DT_TOP | DT_WORDBREAK);
        break;
    default:
        draw_heading(dc, r, text);
    }
    (void)dialog;
}

void measure_owner_item(MEASUREITEMSTRUCT* item)
{
    if (item->CtlType == ODT_COMBOBOX)
        item->itemHeight = UINT(item->itemID == UINT(-1) ? scaled(38) - 6 : scaled(30));
}

void paint_language_toggle(HWND toggle, HDC dc, const RECT& r, UINT state, const LanguageRow& language,
                           const std::wstring& status, WorkStage stage)
{
    std::wstring code(language.code, language.code + std::strlen(language.code));
    CharUpperBuffW(code.data(), DWORD(code.size()));
    paint_switch_card(toggle, dc, r, state, language_badge(language, code), language.name, status,
                      language_status_colour(stage), CardBackground::Own);
}
