#pragma once

#include "module.h"

#include <unknwn.h>

#include <atomic>

// One COM interface with an atomic reference count; while alive it holds the module.
template <class Interface> class ComObject : public Interface {
public:
    explicit ComObject(REFIID iid) : iid_(iid) { module_lock(); }
    virtual ~ComObject() { module_unlock(); }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_INVALIDARG;
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, iid_))
            return E_NOINTERFACE;
        *ppv = static_cast<Interface*>(this);
        this->AddRef();
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

private:
    std::atomic<ULONG> refs_{1};
    const IID& iid_;
};
