#include "context_helpers.h"

#include "com_ptr.h"

bool same_object(IUnknown* a, IUnknown* b)
{
    ComPtr<IUnknown> ua, ub;
    return a && b && SUCCEEDED(a->QueryInterface(IID_IUnknown, ua.out_void()))
           && SUCCEEDED(b->QueryInterface(IID_IUnknown, ub.out_void())) && ua.get() == ub.get();
}

bool is_transitory(ITfContext* context)
{
    TF_STATUS status{};
    return context && SUCCEEDED(context->GetStatus(&status)) && (status.dwStaticFlags & TS_SS_TRANSITORY);
}
