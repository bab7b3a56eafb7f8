// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
// Painting of the settings dialog: its own surface (header, cards, example,
// labels, quick tips) and every control through custom or owner draw.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "mt_catalog.h"
#include "worker_report.h"

void paint_dialog_surface(HWND dialog, HDC target, const RECT& dirty);
// The custom-draw answer for a button, check box or radio button.
LRESULT custom_draw_control(HWND dialog, NMCUSTOMDRAW* draw);
void draw_owner_item(HWND dialog, const DRAWITEMSTRUCT* item);
void measure_owner_item(MEASUREITEMSTRUCT* item);
// The partner-language box paints its closed field itself, in the palette,
// instead of the system's three-dimensional frame.
void subclass_language_box(HWND combo);

// The window's own vertical scroll bar painted over in the palette whenever
// the system has drawn it: the system draws it light whatever the theme.
void paint_scroll_bar_in_palette(HWND window);

// The languages dialog: a language's toggle as a card of its own (badge with
// the code in the script's colours, name, status in the colour of its stage,
// and switch).
void paint_language_toggle(HWND toggle, HDC dc, const RECT& r, UINT state, const LanguageRow& language,
                           const std::wstring& status, WorkStage stage);
