#pragma once

#include "com_ptr.h"
#include "language_switch.h"
#include "tsf_interfaces.h"

#include <atomic>

namespace miradot {

// The V/E button of the language bar: a left click switches, a right click opens the menu.
class LangBarButton final : public ITfLangBarItemButton, public ITfSource {
public:
    explicit LangBarButton(LanguageSwitch* owner);

    // The processor detaches the button at deactivation; it then answers as if Vietnamese.
    void detach() { owner_ = nullptr; }
    // Tells the language bar that icon, text and tooltip changed.
    void refresh();

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // ITfLangBarItem
    STDMETHODIMP GetInfo(TF_LANGBARITEMINFO* info) override;
    STDMETHODIMP GetStatus(DWORD* status) override;
    STDMETHODIMP Show(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP GetTooltipString(BSTR* tooltip) override;

    // ITfLangBarItemButton
    STDMETHODIMP OnClick(TfLBIClick click, POINT point, const RECT* area) override;
    STDMETHODIMP InitMenu(ITfMenu*) override { return S_OK; }
    STDMETHODIMP OnMenuSelect(UINT) override { return S_OK; }
    STDMETHODIMP GetIcon(HICON* icon) override;
    STDMETHODIMP GetText(BSTR* text) override;

    // ITfSource
    STDMETHODIMP AdviseSink(REFIID riid, IUnknown* sink, DWORD* cookie) override;
    STDMETHODIMP UnadviseSink(DWORD cookie) override;

private:
    ~LangBarButton();
    bool english() const;
    void show_menu(POINT point);

    std::atomic<ULONG> refs_{1};
    LanguageSwitch* owner_;
    ComPtr<ITfLangBarItemSink> sink_;
};

// Draws the button's icon: the letter on its colour, `size` pixels square.
HICON draw_language_icon(bool english, int width, int height);

// Font height used for an icon `height` pixels tall.
int language_icon_font_height(int height);

}  // namespace miradot
