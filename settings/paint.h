// Painting of the settings dialog: its own surface (header, cards, example,
// labels, quick tips) and every control through custom or owner draw.
#pragma once

#include <windows.h>
#include <commctrl.h>

void paint_dialog_surface(HWND dialog, HDC target, const RECT& dirty);
// The custom-draw answer for a button, check box or radio button.
LRESULT custom_draw_control(HWND dialog, NMCUSTOMDRAW* draw);
void draw_owner_item(HWND dialog, const DRAWITEMSTRUCT* item);
void measure_owner_item(MEASUREITEMSTRUCT* item);
