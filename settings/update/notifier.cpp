// update: the signed update check, its install and the background notifier.
#include "notifier.h"

#include "settings_store.h"
#include "update_check.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <cwchar>

namespace {

constexpr UINT WM_TRAY = WM_APP + 11;
constexpr UINT_PTR LIFETIME_TIMER = 1;
constexpr UINT BALLOON_LIFETIME_MS = 60000;
constexpr size_t BALLOON_NOTES_CHARS = 150;

void open_settings()
{
    wchar_t self[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    ShellExecuteW(nullptr, L"open", self, nullptr, nullptr, SW_SHOWNORMAL);
}

LRESULT CALLBACK tray_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_TIMER) {
        PostQuitMessage(0);
        return 0;
    }
    if (message == WM_TRAY) {
        switch (LOWORD(lparam)) {
        case WM_LBUTTONUP:
        case NIN_SELECT:
        case NIN_BALLOONUSERCLICK:
            open_settings();
            PostQuitMessage(0);
            break;
        case NIN_BALLOONHIDE:
        case NIN_BALLOONTIMEOUT:
            PostQuitMessage(0);
            break;
        }
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

void show_balloon(const UpdateCheckResult& result)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = tray_window_proc;
    window_class.hInstance = instance;
    window_class.lpszClassName = L"miraDotUpdateTray";
    RegisterClassW(&window_class);
    HWND window = CreateWindowExW(0, L"miraDotUpdateTray", L"", 0, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    if (!window)
        return;

    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = window;
    icon.uID = 1;
    icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;
    icon.uCallbackMessage = WM_TRAY;
    icon.hIcon = LoadIconW(nullptr, IDI_INFORMATION);
    lstrcpynW(icon.szTip, L"miraDot", ARRAYSIZE(icon.szTip));
    std::swprintf(icon.szInfoTitle, ARRAYSIZE(icon.szInfoTitle), L"miraDot %hs đã có", result.version);
    balloon_text(result.notes, icon.szInfo, ARRAYSIZE(icon.szInfo));
    icon.dwInfoFlags = NIIF_INFO | NIIF_RESPECT_QUIET_TIME;
    if (!Shell_NotifyIconW(NIM_ADD, &icon)) {
        DestroyWindow(window);
        return;
    }
    icon.uVersion = NOTIFYICON_VERSION_4;
    Shell_NotifyIconW(NIM_SETVERSION, &icon);
    SetTimer(window, LIFETIME_TIMER, BALLOON_LIFETIME_MS, nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    Shell_NotifyIconW(NIM_DELETE, &icon);
    DestroyWindow(window);
}

}  // namespace

void balloon_text(const wchar_t* notes, wchar_t* out, size_t capacity)
{
    std::swprintf(out, capacity, L"%.150ls%ls\nMở Cài đặt miraDot để cập nhật.", notes,
                  std::wcslen(notes) > BALLOON_NOTES_CHARS ? L"…" : L"");
}

void run_notifier_mode()
{
    wchar_t name[199];
    std::swprintf(name, 199, L"Local\\miraDot-UpdateCheck-%ls", resolve_settings_key());
    for (wchar_t* p = name + 6; *p; ++p)
        if (*p == L'\\')
            *p = L'_';
    HANDLE mutex = CreateMutexW(nullptr, TRUE, name);
    if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return;
    }
    if (read_update_check_enabled() && is_update_check_due()) {
        UpdateCheckResult result;
        run_update_check(&result);
        if (result.status == CheckStatus::New && mark_version_announced(result.version))
            show_balloon(result);
    }
    if (mutex)
        CloseHandle(mutex);
}
