// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
#include "theme_window.h"

#include "theme.h"

#include <dwmapi.h>
#include <uxtheme.h>

namespace {

constexpr DWORD DARK_MODE_ATTRIBUTE = 20;       // DWMWA_USE_IMMERSIVE_DARK_MODE
constexpr DWORD OLD_DARK_MODE_ATTRIBUTE = 19;   // its number before Windows 10 20H1
constexpr DWORD CAPTION_COLOUR_ATTRIBUTE = 35;  // DWMWA_CAPTION_COLOR
constexpr DWORD TEXT_COLOUR_ATTRIBUTE = 36;     // DWMWA_TEXT_COLOR
constexpr DWORD DEFAULT_DWM_COLOUR = 0xFFFFFFFF;

void set_caption_colour(HWND dialog, DWORD attribute, PaletteEntry entry)
{
    uint32_t value = current_palette()[entry];
    COLORREF colour = value == PAL_DEFAULT_COLOUR ? DEFAULT_DWM_COLOUR : pal(entry);
    DwmSetWindowAttribute(dialog, attribute, &colour, sizeof colour);
}

}  // namespace

void apply_window_theme(HWND dialog, bool dark)
{
    set_dark_theme(dark);
    BOOL on = dark;
    if (FAILED(DwmSetWindowAttribute(dialog, DARK_MODE_ATTRIBUTE, &on, sizeof on)))
        DwmSetWindowAttribute(dialog, OLD_DARK_MODE_ATTRIBUTE, &on, sizeof on);
    set_caption_colour(dialog, CAPTION_COLOUR_ATTRIBUTE, PAL_CAPTION);
    set_caption_colour(dialog, TEXT_COLOUR_ATTRIBUTE, PAL_CAPTION_TEXT);
    SetWindowTheme(dialog, dark ? L"DarkMode_Explorer" : L"Explorer", nullptr);
}

void prepare_dpi_handling(HWND dialog)
{
    using Behaviour = BOOL(WINAPI*)(HWND, int, int);
    auto set_behaviour = reinterpret_cast<Behaviour>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetDialogDpiChangeBehavior")));
    constexpr int DDC_DISABLE_ALL = 1;
    if (set_behaviour)
        set_behaviour(dialog, DDC_DISABLE_ALL, DDC_DISABLE_ALL);
}
