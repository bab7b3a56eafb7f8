#pragma once

// TSF declarations that the mingw-w64 headers lack; layouts, IIDs and values
// as in the platform's msctf.idl and ctfutb.idl.

#include <windows.h>
#include <msctf.h>
#include <ctfutb.h>
#include <inputscope.h>
#include <olectl.h>

struct ITfTextInputProcessorEx : public ITfTextInputProcessor {
    virtual HRESULT STDMETHODCALLTYPE ActivateEx(ITfThreadMgr* thread_mgr, TfClientId client_id, DWORD flags) = 0;
};

struct ITfDisplayAttributeProvider : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE EnumDisplayAttributeInfo(IEnumTfDisplayAttributeInfo** out) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDisplayAttributeInfo(REFGUID guid, ITfDisplayAttributeInfo** out) = 0;
};

struct ITfMenu;  // only passed through, never called

enum TfLBIClick { TF_LBI_CLK_RIGHT = 1, TF_LBI_CLK_LEFT = 2 };

struct ITfLangBarItemButton : public ITfLangBarItem {
    virtual HRESULT STDMETHODCALLTYPE OnClick(TfLBIClick click, POINT pt, const RECT* area) = 0;
    virtual HRESULT STDMETHODCALLTYPE InitMenu(ITfMenu* menu) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnMenuSelect(UINT id) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetIcon(HICON* icon) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetText(BSTR* text) = 0;
};

inline constexpr IID IID_ITfTextInputProcessorEx
    = {0x6e4e2102, 0xf9cd, 0x433d, {0xb4, 0x96, 0x30, 0x3c, 0xe0, 0x3a, 0x65, 0x07}};
inline constexpr IID IID_ITfDisplayAttributeProvider
    = {0xfee47777, 0x163c, 0x4769, {0x99, 0x6a, 0x6e, 0x9c, 0x50, 0xad, 0x8f, 0x54}};
inline constexpr IID IID_ITfLangBarItemButton
    = {0x28c7f1d0, 0xde25, 0x11d2, {0xaf, 0xdd, 0x00, 0x10, 0x5a, 0x27, 0x99, 0xb5}};

#ifndef TF_S_ASYNC
#define TF_S_ASYNC MAKE_HRESULT(SEVERITY_SUCCESS, FACILITY_ITF, 0x0300)
#endif
#ifndef TF_CLIENTID_NULL
#define TF_CLIENTID_NULL 0
#endif
#ifndef TF_E_SYNCHRONOUS
#define TF_E_SYNCHRONOUS MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0505)
#endif
#ifndef TF_LBI_STYLE_SHOWNINTRAY
#define TF_LBI_STYLE_SHOWNINTRAY 0x00000002
#endif
#ifndef TF_LBI_STYLE_BTN_BUTTON
#define TF_LBI_STYLE_BTN_BUTTON 0x00010000
#endif
#ifndef TF_LBI_ICON
#define TF_LBI_ICON 0x00000001
#define TF_LBI_TEXT 0x00000002
#define TF_LBI_TOOLTIP 0x00000004
#endif
