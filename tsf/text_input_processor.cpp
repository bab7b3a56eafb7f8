#include "text_input_processor.h"

#include "tsf_interfaces.h"

#include <atomic>
#include <new>

namespace {

class TextInputProcessor final : public ITfTextInputProcessorEx {
public:
    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_INVALIDARG;
        *ppv = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_ITfTextInputProcessor)
            || IsEqualIID(riid, IID_ITfTextInputProcessorEx))
            *ppv = static_cast<ITfTextInputProcessorEx*>(this);
        if (!*ppv)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override
    {
        ULONG left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }

    // ITfTextInputProcessor
    STDMETHODIMP Activate(ITfThreadMgr* thread_mgr, TfClientId client_id) override
    {
        return ActivateEx(thread_mgr, client_id, 0);
    }
    STDMETHODIMP Deactivate() override { return S_OK; }

    // ITfTextInputProcessorEx
    STDMETHODIMP ActivateEx(ITfThreadMgr*, TfClientId, DWORD) override { return S_OK; }

private:
    std::atomic<ULONG> refs_{1};
};

} // namespace

HRESULT create_text_input_processor(REFIID riid, void** ppv)
{
    auto* processor = new (std::nothrow) TextInputProcessor();
    if (!processor)
        return E_OUTOFMEMORY;
    HRESULT hr = processor->QueryInterface(riid, ppv);
    processor->Release();
    return hr;
}
