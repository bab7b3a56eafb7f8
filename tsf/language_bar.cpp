#include "language_bar.h"

#include "guids.h"
#include "module.h"
#include "settings_launcher.h"

#include <olectl.h>

#include <cwchar>

namespace miradot {

namespace {

constexpr wchar_t DESCRIPTION[] = L"miraDot V/E";
constexpr wchar_t TOOLTIP_VIETNAMESE[] = L"miraDot: Ti\u1EBFng Vi\u1EC7t (Ctrl+Shift+Space)";
constexpr wchar_t TOOLTIP_ENGLISH[] = L"miraDot: English (Ctrl+Shift+Space)";
constexpr wchar_t MENU_SWITCH[] = L"Chuy\u1EC3n Vi\u1EC7t / Anh\tCtrl+Shift+Space";
constexpr wchar_t MENU_SETTINGS[] = L"C\u00E0i \u0111\u1EB7t\u2026";
constexpr UINT COMMAND_SWITCH = 1;
constexpr UINT COMMAND_SETTINGS = 2;
constexpr DWORD SINK_COOKIE = 1;

}  // namespace

LangBarButton::LangBarButton(LanguageSwitch* owner) : owner_(owner) { module_lock(); }

LangBarButton::~LangBarButton() { module_unlock(); }

STDMETHODIMP LangBarButton::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_INVALIDARG;
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_ITfLangBarItem)
        || IsEqualIID(riid, IID_ITfLangBarItemButton))
        *ppv = static_cast<ITfLangBarItemButton*>(this);
    else if (IsEqualIID(riid, IID_ITfSource))
        *ppv = static_cast<ITfSource*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) LangBarButton::AddRef() { return ++refs_; }

STDMETHODIMP_(ULONG) LangBarButton::Release()
{
    ULONG left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

bool LangBarButton::english() const { return owner_ && !owner_->is_vietnamese(); }

void LangBarButton::refresh()
{
    if (sink_)
        sink_->OnUpdate(TF_LBI_ICON | TF_LBI_TEXT | TF_LBI_TOOLTIP);
}

STDMETHODIMP LangBarButton::GetInfo(TF_LANGBARITEMINFO* info)
{
    if (!info)
        return E_INVALIDARG;
    info->clsidService = CLSID_MIRADOT;
    info->guidItem = GUID_MIRADOT_LANGBAR_ITEM;
    info->dwStyle = TF_LBI_STYLE_BTN_BUTTON | TF_LBI_STYLE_SHOWNINTRAY;
    info->ulSort = 0;
    wcsncpy(info->szDescription, DESCRIPTION, TF_LBI_DESC_MAXLEN - 1);
    info->szDescription[TF_LBI_DESC_MAXLEN - 1] = 0;
    return S_OK;
}

STDMETHODIMP LangBarButton::GetStatus(DWORD* status)
{
    if (!status)
        return E_INVALIDARG;
    *status = 0;
    return S_OK;
}

STDMETHODIMP LangBarButton::GetTooltipString(BSTR* tooltip)
{
    if (!tooltip)
        return E_INVALIDARG;
    *tooltip = SysAllocString(english() ? TOOLTIP_ENGLISH : TOOLTIP_VIETNAMESE);
    return *tooltip ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP LangBarButton::GetText(BSTR* text)
{
    if (!text)
        return E_INVALIDARG;
    *text = SysAllocString(english() ? L"E" : L"V");
    return *text ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP LangBarButton::OnClick(TfLBIClick click, POINT point, const RECT*)
{
    if (click == TF_LBI_CLK_LEFT && owner_)
        owner_->toggle();
    else if (click == TF_LBI_CLK_RIGHT)
        show_menu(point);
    return S_OK;
}

void LangBarButton::show_menu(POINT point)
{
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return;
    AppendMenuW(menu, MF_STRING, COMMAND_SWITCH, MENU_SWITCH);
    AppendMenuW(menu, MF_STRING, COMMAND_SETTINGS, MENU_SETTINGS);
    // The menu needs a foreground owner so that it closes when the user clicks elsewhere.
    HWND owner = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP, point.x, point.y, 0, 0, nullptr, nullptr,
                                 nullptr, nullptr);
    UINT command = 0;
    if (owner) {
        SetForegroundWindow(owner);
        command = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_BOTTOMALIGN | TPM_RIGHTBUTTON, point.x,
                                 point.y, 0, owner, nullptr);
        DestroyWindow(owner);
    }
    DestroyMenu(menu);
    if (command == COMMAND_SETTINGS)
        launch_settings();
    else if (command == COMMAND_SWITCH && owner_)
        owner_->toggle();
}

int language_icon_font_height(int height) { return -(height * 7 / 8); }

HICON draw_language_icon(bool english, int width, int height)
{
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    if (!dc)
        return nullptr;
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP color = CreateDIBSection(dc, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HBITMAP mask = CreateBitmap(width, height, 1, 1, nullptr);
    HICON icon = nullptr;
    if (color && mask && bits) {
        HGDIOBJ previous = SelectObject(dc, color);
        RECT all{0, 0, width, height};
        HBRUSH background = CreateSolidBrush(english ? RGB(96, 96, 96) : RGB(218, 37, 29));
        FillRect(dc, &all, background);
        DeleteObject(background);
        HFONT font
            = CreateFontW(language_icon_font_height(height), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH, L"Segoe UI");
        HGDIOBJ previous_font = font ? SelectObject(dc, font) : nullptr;
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, english ? RGB(255, 255, 255) : RGB(255, 221, 0));
        DrawTextW(dc, english ? L"E" : L"V", 1, &all, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        if (previous_font)
            SelectObject(dc, previous_font);
        if (font)
            DeleteObject(font);
        GdiFlush();
        auto* pixels = static_cast<DWORD*>(bits);
        for (int i = 0; i < width * height; ++i)
            pixels[i] |= 0xFF000000;
        SelectObject(dc, previous);
        ICONINFO info{};
        info.fIcon = TRUE;
        info.hbmColor = color;
        info.hbmMask = mask;
        icon = CreateIconIndirect(&info);
    }
    if (color)
        DeleteObject(color);
    if (mask)
        DeleteObject(mask);
    DeleteDC(dc);
    return icon;
}

STDMETHODIMP LangBarButton::GetIcon(HICON* icon)
{
    if (!icon)
        return E_INVALIDARG;
    int width = GetSystemMetrics(SM_CXSMICON);
    int height = GetSystemMetrics(SM_CYSMICON);
    if (width < 1 || height < 1)
        width = height = 16;
    *icon = draw_language_icon(english(), width, height);
    return *icon ? S_OK : E_FAIL;
}

STDMETHODIMP LangBarButton::AdviseSink(REFIID riid, IUnknown* sink, DWORD* cookie)
{
    if (!sink || !cookie)
        return E_INVALIDARG;
    if (!IsEqualIID(riid, IID_ITfLangBarItemSink))
        return CONNECT_E_CANNOTCONNECT;
    if (sink_)
        return CONNECT_E_ADVISELIMIT;
    if (FAILED(sink->QueryInterface(IID_ITfLangBarItemSink, sink_.out_void()))) {
        sink_.reset();
        return E_NOINTERFACE;
    }
    *cookie = SINK_COOKIE;
    return S_OK;
}

STDMETHODIMP LangBarButton::UnadviseSink(DWORD cookie)
{
    if (cookie != SINK_COOKIE || !sink_)
        return CONNECT_E_NOCONNECTION;
    sink_.reset();
    return S_OK;
}

}  // namespace miradot
