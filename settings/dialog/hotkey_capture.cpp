// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
#include "hotkey_capture.h"

#include "dialog_state.h"
#include "hotkey.h"
#include "resource.h"
#include "settings_store.h"

#include <commctrl.h>

#include <string>

namespace {

constexpr UINT_PTR CAPTURE_SUBCLASS = 1;
constexpr wchar_t CAPTURE_PROMPT[] = L"Bấm tổ hợp mới… (Esc: huỷ, ⌫: mặc định)";
constexpr wchar_t NO_HOTKEY_TEXT[] = L"(chưa có)";

struct Feature {
    int button;
    int statusLine;
    const wchar_t* valueName;
    const char16_t* defaultText;
    const char16_t* otherName;  // the feature it must not collide with
};

constexpr Feature VOICE = {IDC_VOICE_HOTKEY, IDC_VOICE_STATUS, SETTINGS_HOTKEY_VOICE, u"Ctrl+Alt+V", u"Dịch"};
constexpr Feature TRANSLATE
    = {IDC_TRANSLATE_HOTKEY, IDC_TRANSLATE_STATUS, SETTINGS_HOTKEY_TRANSLATE, u"Ctrl+Alt+Y", u"Nói thành chữ"};

const Feature& feature_of(int button) { return button == IDC_VOICE_HOTKEY ? VOICE : TRANSLATE; }

std::wstring wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

std::wstring shown(Hotkey hotkey)
{
    std::u16string text = format_hotkey(hotkey);
    return hotkey == NO_HOTKEY || text.empty() ? std::wstring(NO_HOTKEY_TEXT) : wide(text);
}

bool down(int vk) { return (GetKeyState(vk) & 0x8000) != 0; }

void show_conflict(HWND dialog, const Feature& feature, const std::u16string& message)
{
    show_status_line(dialog, feature.statusLine, WorkStage::Failed, L"⚠ " + wide(message));
    SetTimer(dialog, STATUS_RESTORE_TIMER, STATUS_RESTORE_MS, nullptr);
}

void apply_key(SettingsDialog& d, int button, UINT vk)
{
    HWND dialog = d.window;
    d.capturing = 0;
    const Feature& feature = feature_of(button);
    Hotkey pressed{vk, (down(VK_CONTROL) ? HK_CTRL : 0u) | (down(VK_MENU) ? HK_ALT : 0u)
                           | (down(VK_SHIFT) ? HK_SHIFT : 0u) | (down(VK_LWIN) || down(VK_RWIN) ? HK_WIN : 0u)};
    bool alone = !(pressed.mods & HK_WIN) && (pressed.mods & (HK_CTRL | HK_ALT | HK_SHIFT)) == 0;
    if (alone && vk == VK_ESCAPE) {
        refresh_hotkey_texts(d);
        return;
    }
    if (alone && vk == VK_BACK) {
        write_settings_text(feature.valueName, wide(feature.defaultText).c_str());
        refresh_hotkey_texts(d);
        return;
    }
    ServiceSettings now = read_settings();
    Hotkey other = button == IDC_VOICE_HOTKEY ? now.translateHotkey : now.voiceHotkey;
    HotkeyChoice choice = validate_hotkey_combination(pressed, feature.defaultText, other, feature.otherName);
    if (!choice.message.empty())
        show_conflict(dialog, feature, choice.message);
    else
        write_settings_text(feature.valueName, wide(format_hotkey(pressed)).c_str());
    refresh_hotkey_texts(d);
}

LRESULT CALLBACK capture_procedure(HWND button, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR data)
{
    SettingsDialog& d = *reinterpret_cast<SettingsDialog*>(data);
    int id = GetDlgCtrlID(button);
    bool capturing = d.capturing == id;
    bool pending = d.pendingKey != 0;
    switch (message) {
    case WM_GETDLGCODE:
        if (capturing || pending)
            return DefSubclassProc(button, message, wparam, lparam) | DLGC_WANTALLKEYS | DLGC_WANTCHARS;
        break;
    case WM_CHAR:
    case WM_DEADCHAR:
    case WM_SYSCHAR:
    case WM_SYSDEADCHAR:
        if (capturing || pending)
            return 0;
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (!capturing)
            break;
        if (!is_modifier_or_lock_key(UINT(wparam))) {
            d.pendingKey = UINT(wparam);
            apply_key(d, id, UINT(wparam));
        }
        return 0;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        if (capturing)
            return 0;
        if (pending) {
            if (wparam == d.pendingKey)
                d.pendingKey = 0;
            return 0;
        }
        break;
    case WM_KILLFOCUS:
        if (capturing)
            cancel_capture(d);
        d.pendingKey = 0;
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(button, capture_procedure, CAPTURE_SUBCLASS);
        break;
    }
    return DefSubclassProc(button, message, wparam, lparam);
}

}  // namespace

void refresh_hotkey_texts(SettingsDialog& d)
{
    HWND dialog = d.window;
    ServiceSettings settings = read_settings();
    d.voiceHotkey = shown(settings.voiceHotkey);
    d.translateHotkey = shown(settings.translateHotkey);
    if (d.capturing != IDC_VOICE_HOTKEY)
        SetDlgItemTextW(dialog, IDC_VOICE_HOTKEY, d.voiceHotkey.c_str());
    if (d.capturing != IDC_TRANSLATE_HOTKEY)
        SetDlgItemTextW(dialog, IDC_TRANSLATE_HOTKEY, d.translateHotkey.c_str());
    InvalidateRect(GetDlgItem(dialog, IDC_VOICE_HOTKEY), nullptr, FALSE);
    InvalidateRect(GetDlgItem(dialog, IDC_TRANSLATE_HOTKEY), nullptr, FALSE);
    InvalidateRect(dialog, nullptr, FALSE);  // the quick tips show them too
}

void start_capture(SettingsDialog& d, int button)
{
    if (d.capturing == button)
        return;
    if (d.capturing)
        cancel_capture(d);
    d.capturing = button;
    HWND control = GetDlgItem(d.window, button);
    SetWindowTextW(control, CAPTURE_PROMPT);
    SetFocus(control);
    InvalidateRect(control, nullptr, FALSE);
}

void cancel_capture(SettingsDialog& d)
{
    d.capturing = 0;
    refresh_hotkey_texts(d);
}

void subclass_hotkey_button(SettingsDialog& d, HWND button)
{
    SetWindowSubclass(button, capture_procedure, CAPTURE_SUBCLASS, reinterpret_cast<DWORD_PTR>(&d));
}
