// The COM entry points that hand out the one creatable class.

#include "guids.h"
#include "module.h"
#include "text_input_processor.h"

#include <unknwn.h>

namespace {

// Static and never freed: its references only move the module count.
class ClassFactory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_INVALIDARG;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
            *ppv = this;
            module_lock();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override
    {
        module_lock();
        return 2;
    }
    STDMETHODIMP_(ULONG) Release() override
    {
        module_unlock();
        return 1;
    }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_INVALIDARG;
        *ppv = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        return create_text_input_processor(riid, ppv);
    }
    STDMETHODIMP LockServer(BOOL lock) override
    {
        if (lock)
            module_lock();
        else
            module_unlock();
        return S_OK;
    }
};

ClassFactory g_factory;

}  // namespace

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv)
{
    if (!ppv)
        return E_INVALIDARG;
    *ppv = nullptr;
    if (!IsEqualCLSID(rclsid, CLSID_MIRADOT))
        return CLASS_E_CLASSNOTAVAILABLE;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory))
        return E_NOINTERFACE;
    *ppv = &g_factory;
    module_lock();
    return S_OK;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return module_count() == 0 ? S_OK : S_FALSE; }
