// The display attribute that marks the word being typed, offered to TSF
// through ITfDisplayAttributeProvider.
#include "text_input_processor.h"

#include "guids.h"
#include "com_object.h"

#include <new>

namespace {

constexpr wchar_t DESCRIPTION[] = L"miraDot: word being typed";

TF_DISPLAYATTRIBUTE default_attribute()
{
    TF_DISPLAYATTRIBUTE attribute{};
    attribute.crText.type = TF_CT_NONE;
    attribute.crBk.type = TF_CT_NONE;
    attribute.lsStyle = TF_LS_SOLID;
    attribute.fBoldLine = FALSE;
    attribute.crLine.type = TF_CT_NONE;
    attribute.bAttr = TF_ATTR_INPUT;
    return attribute;
}

class DisplayAttributeInfo final : public ComObject<ITfDisplayAttributeInfo> {
public:
    DisplayAttributeInfo() : ComObject(IID_ITfDisplayAttributeInfo) {}

    STDMETHODIMP GetGUID(GUID* guid) override
    {
        if (!guid)
            return E_INVALIDARG;
        *guid = GUID_MIRADOT_DISPLAY_ATTRIBUTE;
        return S_OK;
    }
    STDMETHODIMP GetDescription(BSTR* description) override
    {
        if (!description)
            return E_INVALIDARG;
        *description = SysAllocString(DESCRIPTION);
        return *description ? S_OK : E_OUTOFMEMORY;
    }
    STDMETHODIMP GetAttributeInfo(TF_DISPLAYATTRIBUTE* attribute) override
    {
        if (!attribute)
            return E_INVALIDARG;
        *attribute = attribute_;
        return S_OK;
    }
    STDMETHODIMP SetAttributeInfo(const TF_DISPLAYATTRIBUTE* attribute) override
    {
        if (!attribute)
            return E_INVALIDARG;
        attribute_ = *attribute;
        return S_OK;
    }
    STDMETHODIMP Reset() override
    {
        attribute_ = default_attribute();
        return S_OK;
    }

private:
    TF_DISPLAYATTRIBUTE attribute_ = default_attribute();
};

// Enumerates the one display attribute.
class DisplayAttributeEnum final : public ComObject<IEnumTfDisplayAttributeInfo> {
public:
    explicit DisplayAttributeEnum(ULONG position = 0) : ComObject(IID_IEnumTfDisplayAttributeInfo), position_(position)
    {
    }

    STDMETHODIMP Clone(IEnumTfDisplayAttributeInfo** out) override
    {
        if (!out)
            return E_INVALIDARG;
        *out = new (std::nothrow) DisplayAttributeEnum(position_);
        return *out ? S_OK : E_OUTOFMEMORY;
    }
    STDMETHODIMP Next(ULONG count, ITfDisplayAttributeInfo** infos, ULONG* fetched) override
    {
        ULONG got = 0;
        if (count > 0 && !infos)
            return E_INVALIDARG;
        if (count > 0 && position_ == 0) {
            infos[0] = new (std::nothrow) DisplayAttributeInfo();
            if (!infos[0])
                return E_OUTOFMEMORY;
            position_ = 1;
            got = 1;
        }
        if (fetched)
            *fetched = got;
        return got == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override
    {
        position_ = 0;
        return S_OK;
    }
    STDMETHODIMP Skip(ULONG count) override
    {
        ULONG left = 1 - position_;
        if (count > 0)
            position_ = 1;
        return count > left ? S_FALSE : S_OK;
    }

private:
    ULONG position_;
};

}  // namespace

STDMETHODIMP miradot::TextInputProcessor::EnumDisplayAttributeInfo(IEnumTfDisplayAttributeInfo** out)
{
    if (!out)
        return E_INVALIDARG;
    *out = new (std::nothrow) DisplayAttributeEnum();
    return *out ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP miradot::TextInputProcessor::GetDisplayAttributeInfo(REFGUID guid, ITfDisplayAttributeInfo** out)
{
    if (!out)
        return E_INVALIDARG;
    *out = nullptr;
    if (!IsEqualGUID(guid, GUID_MIRADOT_DISPLAY_ATTRIBUTE))
        return E_INVALIDARG;
    *out = new (std::nothrow) DisplayAttributeInfo();
    return *out ? S_OK : E_OUTOFMEMORY;
}
