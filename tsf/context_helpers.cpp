#include "context_helpers.h"

#include "com_ptr.h"

namespace miradot {

namespace {

bool compartment_set(ITfCompartmentMgr* compartments, REFGUID guid)
{
    ComPtr<ITfCompartment> compartment;
    VARIANT value;
    VariantInit(&value);
    if (FAILED(compartments->GetCompartment(guid, compartment.out())) || FAILED(compartment->GetValue(&value)))
        return false;
    bool set = value.vt == VT_I4 && value.lVal != 0;
    VariantClear(&value);
    return set;
}

bool is_private_scope(InputScope scope)
{
    return scope == IS_PASSWORD || scope == IS_PRIVATE || scope == IS_NUMERIC_PASSWORD || scope == IS_NUMERIC_PIN;
}

}  // namespace

bool same_object(IUnknown* a, IUnknown* b)
{
    ComPtr<IUnknown> ua, ub;
    return a && b && SUCCEEDED(a->QueryInterface(IID_IUnknown, ua.out_void()))
           && SUCCEEDED(b->QueryInterface(IID_IUnknown, ub.out_void())) && ua.get() == ub.get();
}

HWND context_window(ITfContext* context)
{
    ComPtr<ITfContextView> view;
    HWND window = nullptr;
    if (context && SUCCEEDED(context->GetActiveView(view.out())) && view && FAILED(view->GetWnd(&window)))
        window = nullptr;
    return window ? window : GetFocus();
}

bool is_transitory(ITfContext* context)
{
    TF_STATUS status{};
    return context && SUCCEEDED(context->GetStatus(&status)) && (status.dwStaticFlags & TS_SS_TRANSITORY);
}

bool is_disabled(ITfContext* context)
{
    ComPtr<ITfCompartmentMgr> compartments;
    if (FAILED(context->QueryInterface(IID_ITfCompartmentMgr, compartments.out_void())))
        return false;
    return compartment_set(compartments.get(), GUID_COMPARTMENT_KEYBOARD_DISABLED)
           || compartment_set(compartments.get(), GUID_COMPARTMENT_EMPTYCONTEXT);
}

bool is_private_field(TfEditCookie ec, ITfContext* context)
{
    ComPtr<ITfRange> at;
    TF_SELECTION selection{};
    ULONG fetched = 0;
    if (SUCCEEDED(context->GetSelection(ec, TF_DEFAULT_SELECTION, 1, &selection, &fetched)) && fetched == 1)
        at.attach(selection.range);
    else if (FAILED(context->GetStart(ec, at.out())))
        return false;
    ComPtr<ITfReadOnlyProperty> property;
    if (FAILED(context->GetAppProperty(GUID_PROP_INPUTSCOPE, property.out())))
        return false;
    VARIANT value;
    VariantInit(&value);
    if (FAILED(property->GetValue(ec, at.get(), &value)))
        return false;
    bool found = false;
    ComPtr<ITfInputScope> scope;
    if (value.vt == VT_UNKNOWN && value.punkVal
        && SUCCEEDED(value.punkVal->QueryInterface(IID_ITfInputScope, scope.out_void()))) {
        InputScope* scopes = nullptr;
        UINT count = 0;
        if (SUCCEEDED(scope->GetInputScopes(&scopes, &count)) && scopes) {
            for (UINT i = 0; i < count; ++i)
                found = found || is_private_scope(scopes[i]);
            CoTaskMemFree(scopes);
        }
    }
    VariantClear(&value);
    return found;
}

std::optional<RECT> selection_rect(TfEditCookie ec, ITfContext* context)
{
    TF_SELECTION selection{};
    ULONG fetched = 0;
    if (FAILED(context->GetSelection(ec, TF_DEFAULT_SELECTION, 1, &selection, &fetched)) || fetched != 1)
        return std::nullopt;
    ComPtr<ITfRange> range;
    range.attach(selection.range);
    ComPtr<ITfContextView> view;
    if (FAILED(context->GetActiveView(view.out())))
        return std::nullopt;
    RECT rect{};
    BOOL clipped = FALSE;
    if (view->GetTextExt(ec, range.get(), &rect, &clipped) != S_OK || rect.top >= rect.bottom)
        return std::nullopt;
    return rect;
}

}  // namespace miradot
