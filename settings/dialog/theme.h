// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
// The two palettes, the theme choice and the fonts of the settings windows,
// rebuilt for each scale and released when the program ends.
#pragma once

#include <windows.h>

#include <cstdint>

constexpr int PALETTE_SIZE = 36;

// Entries with a fixed role; the rest are borders, tints and shapes.
enum PaletteEntry {
    PAL_BACKGROUND = 0,
    PAL_TEXT = 1,
    PAL_CARD = 2,
    PAL_CARD_BORDER = 3,
    PAL_DIVIDER = 4,
    PAL_MUTED = 5,
    PAL_HEADING = 6,
    PAL_SWITCH_OFF = 7,
    PAL_SWITCH_KNOB = 8,
    PAL_KEYCAP = 9,
    PAL_KEYCAP_BORDER = 10,
    PAL_KEYCAP_TEXT = 11,
    PAL_SECONDARY = 12,
    PAL_OUTLINE = 13,
    PAL_FILLED_TEXT = 14,
    PAL_SELECTED = 15,
    PAL_SELECTED_BORDER = 16,
    PAL_SHADOW = 17,
    PAL_HEADER = 18,
    PAL_PILL = 19,
    PAL_DISABLED = 20,
    PAL_HOVER = 21,
    PAL_VERSION = 22,
    PAL_LINK = 23,
    PAL_TITLE = 24,
    PAL_ACCENT = 25,
    PAL_UPDATE_TINT = 26,
    PAL_FOCUS = 27,
    PAL_SCROLL = 28,
    PAL_ERROR_TINT = 29,
    PAL_FIELD = 30,
    PAL_ERROR = 31,
    PAL_PRESSED = 32,
    PAL_CAPTION = 33,
    PAL_CAPTION_TEXT = 34,
    PAL_DARK_FLAG = 35,
};

constexpr uint32_t PAL_DEFAULT_COLOUR = 0xFFFFFFFF;  // caption entries of the light palette

extern const uint32_t DARK_PALETTE[PALETTE_SIZE];
extern const uint32_t LIGHT_PALETTE[PALETTE_SIZE];

// MIRADOT_SETTINGS_THEME ("dark"/"light", any case) or the system's app theme.
bool theme_is_dark();

const uint32_t* current_palette();
void set_dark_theme(bool dark);
bool dark_theme();

// GDI colour of an entry (transparency dropped).
COLORREF pal(PaletteEntry entry);
// The same entry for the painting library, 0xAARRGGBB.
uint32_t pal_argb(PaletteEntry entry);

struct Fonts {
    HFONT title, subtitle, pill, heading, cardTitle, body, badge, badgeSymbol, keycap, number, example, link;
};

// Fonts for the scale; rebuilt only when the scale changes.
const Fonts& fonts_for_scale(double scale);
HBRUSH cached_brush(PaletteEntry entry);
// Forgets brushes after a theme change.
void release_brushes();
void release_theme_cache();
