// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
#include "theme.h"

#include "environment.h"

#include <cmath>
#include <cwchar>
#include <initializer_list>

const uint32_t DARK_PALETTE[PALETTE_SIZE] = {
    0x0A0F1F, 0xE7EBF7, 0x121A33,   0x1F2A4D, 0x1A2443, 0x8D97B7, 0x35D6FF, 0x2A355C, 0xFFFFFF,
    0x1B2546, 0x34406A, 0xE7EBF7,   0xA9B3D1, 0x3A4775, 0x04241A, 0x10304A, 0x35D6FF, 0x50000000,
    0x0E1530, 0x16304A, 0x56607F,   0x18223F, 0x7F89A8, 0x35D6FF, 0xFFFFFF, 0x2EE59D, 0x202EE59D,
    0x35D6FF, 0x2A355C, 0x26FF8FA3, 0x0E1530, 0xFF8FA3, 0x0F1730, 0x0D1428, 0xE7EBF7, 1,
};

const uint32_t LIGHT_PALETTE[PALETTE_SIZE] = {
    0xF4F6FB, 0x111827, 0xFFFFFF,   0xE3E7F0, 0xEEF1F6, 0x6B7280, 0x0EA5C6,           0xD1D5DB,           0xFFFFFF,
    0xF3F4F6, 0xD1D5DB, 0x111827,   0x4B5563, 0xCBD2DE, 0xFFFFFF, 0xE6F7FB,           0x0EA5C6,           0x1A0F172A,
    0xFFFFFF, 0xE6F7FB, 0x9CA3AF,   0xF3F6FA, 0x6B7280, 0x0E8AA8, 0x111827,           0x12B886,           0x1812B886,
    0x0EA5C6, 0xD1D5DB, 0x14C0263F, 0xFFFFFF, 0xC0263F, 0xE8ECF3, PAL_DEFAULT_COLOUR, PAL_DEFAULT_COLOUR, 0,
};

namespace {

bool g_dark = false;
double g_font_scale = 0;
Fonts g_fonts{};
HBRUSH g_brushes[PALETTE_SIZE] = {};

HFONT make_font(const wchar_t* face, double pixels, double scale, int weight, bool underline = false)
{
    LOGFONTW font{};
    font.lfHeight = -std::lround(pixels * scale);
    font.lfWeight = weight;
    font.lfUnderline = underline;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfOutPrecision = OUT_TT_PRECIS;
    font.lfQuality = CLEARTYPE_QUALITY;
    wcsncpy(font.lfFaceName, face, LF_FACESIZE - 1);
    return CreateFontIndirectW(&font);
}

void release_fonts()
{
    for (HFONT font :
         {g_fonts.title, g_fonts.subtitle, g_fonts.pill, g_fonts.heading, g_fonts.cardTitle, g_fonts.body,
          g_fonts.badge, g_fonts.badgeSymbol, g_fonts.keycap, g_fonts.number, g_fonts.example, g_fonts.link})
        if (font)
            DeleteObject(font);
    g_fonts = {};
    g_font_scale = 0;
}

}  // namespace

bool theme_is_dark()
{
    if (auto choice = miradot::environment_value("MIRADOT_SETTINGS_THEME", 15)) {
        if (_wcsicmp(choice->c_str(), L"dark") == 0)
            return true;
        if (_wcsicmp(choice->c_str(), L"light") == 0)
            return false;
    }
    DWORD value = 1, size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
                     L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr, &value, &size)
        != ERROR_SUCCESS)
        return false;
    return value == 0;
}

const uint32_t* current_palette() { return g_dark ? DARK_PALETTE : LIGHT_PALETTE; }

void set_dark_theme(bool dark)
{
    if (dark != g_dark)
        release_brushes();
    g_dark = dark;
}

bool dark_theme() { return g_dark; }

COLORREF pal(PaletteEntry entry)
{
    uint32_t c = current_palette()[entry];
    return RGB((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF);
}

uint32_t pal_argb(PaletteEntry entry)
{
    uint32_t c = current_palette()[entry];
    return (c & 0xFF000000) ? c : (c | 0xFF000000);
}

const Fonts& fonts_for_scale(double scale)
{
    if (scale == g_font_scale)
        return g_fonts;
    release_fonts();
    g_font_scale = scale;
    const wchar_t* ui = L"Segoe UI";
    g_fonts.title = make_font(ui, 27, scale, FW_BOLD);
    g_fonts.subtitle = make_font(ui, 13, scale, FW_NORMAL);
    g_fonts.pill = make_font(ui, 12, scale, FW_BOLD);
    g_fonts.heading = make_font(ui, 11, scale, FW_BOLD);
    g_fonts.cardTitle = make_font(ui, 14, scale, FW_SEMIBOLD);
    g_fonts.body = make_font(ui, 12, scale, FW_NORMAL);
    g_fonts.badge = make_font(ui, 13, scale, FW_BOLD);
    g_fonts.badgeSymbol = make_font(L"Segoe UI Symbol", 15, scale, FW_BOLD);
    g_fonts.keycap = make_font(L"Consolas", 12, scale, FW_NORMAL);
    g_fonts.number = make_font(ui, 22, scale, FW_BLACK);
    g_fonts.example = make_font(L"Consolas", 13, scale, FW_NORMAL);
    g_fonts.link = make_font(ui, 12, scale, FW_NORMAL, true);
    return g_fonts;
}

HBRUSH cached_brush(PaletteEntry entry)
{
    if (!g_brushes[entry])
        g_brushes[entry] = CreateSolidBrush(pal(entry));
    return g_brushes[entry];
}

void release_brushes()
{
    for (HBRUSH& brush : g_brushes) {
        if (brush)
            DeleteObject(brush);
        brush = nullptr;
    }
}

void release_theme_cache()
{
    release_brushes();
    release_fonts();
}
