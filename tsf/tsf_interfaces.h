#pragma once

// TSF interfaces that the mingw-w64 headers do not declare; layouts and IIDs
// as in the platform's msctf.idl and ctfutb.idl.

#include <windows.h>
#include <msctf.h>
#include <ctfutb.h>

struct ITfTextInputProcessorEx : public ITfTextInputProcessor {
    virtual HRESULT STDMETHODCALLTYPE ActivateEx(ITfThreadMgr* thread_mgr, TfClientId client_id,
                                                 DWORD flags) = 0;
};

inline constexpr IID IID_ITfTextInputProcessorEx = {
    0x6e4e2102, 0xf9cd, 0x433d, {0xb4, 0x96, 0x30, 0x3c, 0xe0, 0x3a, 0x65, 0x07}};
