// settings program: its three modes and its entry point, above every room.
#include "program_modes.h"

#include "environment.h"
#include "pipe.h"
#include "resource.h"
#include "settings_dialog.h"
#include "settings_store.h"
#include "theme.h"
#include "update_dialog.h"
#include "update_install.h"

#include <windows.h>
#include <commctrl.h>
#include <gdiplus.h>

#include <cwchar>

namespace {

constexpr size_t MUTEX_NAME_MAX = 198;

HANDLE g_dialog_mutex = nullptr;

void release_dialog_mutex()
{
    if (g_dialog_mutex)
        CloseHandle(g_dialog_mutex);
    g_dialog_mutex = nullptr;
}

}  // namespace

ProgramMode mode_from_command_line(const wchar_t* arguments)
{
    if (!arguments)
        return ProgramMode::Dialog;
    if (wcsstr(arguments, L"--check"))
        return ProgramMode::Notifier;
    if (wcsstr(arguments, L"--mt-quit"))
        return ProgramMode::TranslationQuit;
    return ProgramMode::Dialog;
}

std::wstring dialog_mutex_name(const wchar_t* settingsKey)
{
    std::wstring name = L"Local\\miraDot-Settings";
    if (_wcsicmp(settingsKey, SETTINGS_DEFAULT_KEY) != 0)
        for (const wchar_t* c = settingsKey; *c; ++c)
            name += *c == L'\\' ? L'_' : *c;
    return name.substr(0, MUTEX_NAME_MAX);
}

bool screenshot_requested()
{
    auto value = miradot::environment_value("MIRADOT_SETTINGS_SHOT", 7);
    return value && (*value)[0] == L'1';
}

void run_dialog_mode(const wchar_t* arguments)
{
    g_dialog_mutex = CreateMutexW(nullptr, TRUE, dialog_mutex_name(resolve_settings_key()).c_str());
    if (g_dialog_mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
        if (HWND running = FindWindowW(L"#32770", L"" SETTINGS_CAPTION)) {
            ShowWindow(running, SW_RESTORE);
            SetForegroundWindow(running);
        }
        release_dialog_mutex();
        return;
    }
    remove_update_leftovers();
    if (std::optional<int> result = installer_result_from_command_line(arguments))
        set_installer_result(*result);
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_STANDARD_CLASSES;
    InitCommonControlsEx(&controls);
    ULONG_PTR gdiplus = 0;
    Gdiplus::GdiplusStartupInput startup;
    Gdiplus::GdiplusStartup(&gdiplus, &startup, nullptr);
    run_settings_dialog(GetModuleHandleW(nullptr), screenshot_requested());
    // At once: an update's installer starts a fresh instance that must open its own dialog.
    release_dialog_mutex();
    release_theme_cache();
    Gdiplus::GdiplusShutdown(gdiplus);
}
