// Self-registration: the COM class under HKEY_CLASSES_ROOT, then the TSF
// language profile and its categories. A failed registration removes
// everything again, so a half-registered service never stays behind.

#include "com_ptr.h"
#include "guids.h"
#include "module.h"

#include <msctf.h>
#include <olectl.h>

#include <cwchar>

namespace {

constexpr LANGID VIETNAMESE = 0x042A;
constexpr wchar_t CLASS_NAME[] = L"miraDot Vietnamese text service";
constexpr wchar_t PROFILE_DESCRIPTION[] = L"miraDot - Ti\u1EBFng Vi\u1EC7t";
constexpr ULONG PROFILE_DESCRIPTION_LENGTH = 20;
const HKL US_ENGLISH_LAYOUT = reinterpret_cast<HKL>(static_cast<ULONG_PTR>(0x04090409));

const GUID* const CATEGORIES[] = {
    &GUID_TFCAT_TIP_KEYBOARD,
    &GUID_TFCAT_DISPLAYATTRIBUTEPROVIDER,
    &GUID_TFCAT_TIPCAP_UIELEMENTENABLED_MIRADOT,
    &GUID_TFCAT_TIPCAP_IMMERSIVESUPPORT_MIRADOT,
    &GUID_TFCAT_TIPCAP_SYSTRAYSUPPORT_MIRADOT,
};

struct ClsidText {
    wchar_t text[40];
};

bool clsid_text(ClsidText* out)
{
    int n = StringFromGUID2(CLSID_MIRADOT, out->text, 40);
    return n > 0 && wcslen(out->text) < 57;
}

// Builds "<prefix><class id>" into buffer; false when it does not fit.
bool key_path(const wchar_t* prefix, wchar_t* buffer, size_t size)
{
    ClsidText id;
    if (!clsid_text(&id))
        return false;
    int n = swprintf(buffer, size, L"%ls%ls", prefix, id.text);
    return n > 0 && size_t(n) < size;
}

bool set_string(HKEY key, const wchar_t* name, const wchar_t* value)
{
    DWORD bytes = DWORD((wcslen(value) + 1) * sizeof(wchar_t));
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), bytes) == ERROR_SUCCESS;
}

HRESULT register_class()
{
    wchar_t path[64];
    if (!key_path(L"CLSID\\", path, 64))
        return E_FAIL;
    wchar_t dll[MAX_PATH];
    DWORD length = GetModuleFileNameW(module_handle(), dll, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return E_FAIL;

    HKEY classKey;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, path, 0, nullptr, 0, KEY_WRITE, nullptr, &classKey, nullptr)
        != ERROR_SUCCESS)
        return SELFREG_E_CLASS;
    bool ok = set_string(classKey, nullptr, CLASS_NAME);
    HKEY serverKey;
    if (ok
        && RegCreateKeyExW(classKey, L"InprocServer32", 0, nullptr, 0, KEY_WRITE, nullptr, &serverKey, nullptr)
               == ERROR_SUCCESS) {
        ok = set_string(serverKey, nullptr, dll) && set_string(serverKey, L"ThreadingModel", L"Apartment");
        RegCloseKey(serverKey);
    } else {
        ok = false;
    }
    RegCloseKey(classKey);
    return ok ? S_OK : SELFREG_E_CLASS;
}

// The profile's icon: icon 0 of this DLL; empty when its path is unknown.
struct IconFile {
    wchar_t path[MAX_PATH] = L"";
    ULONG length = 0;
};

IconFile icon_file()
{
    IconFile icon;
    DWORD length = GetModuleFileNameW(module_handle(), icon.path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        icon.path[0] = 0;
    else
        icon.length = length;
    return icon;
}

// The older profile interface, for frameworks whose profile manager does not
// implement RegisterProfile (E_NOTIMPL).
HRESULT register_profile_through_profiles()
{
    ComPtr<ITfInputProcessorProfiles> profiles;
    HRESULT hr = CoCreateInstance(CLSID_TF_InputProcessorProfiles, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_ITfInputProcessorProfiles, profiles.out_void());
    if (FAILED(hr))
        return hr;
    hr = profiles->Register(CLSID_MIRADOT);
    const IconFile icon = icon_file();
    if (SUCCEEDED(hr))
        hr = profiles->AddLanguageProfile(CLSID_MIRADOT, VIETNAMESE, GUID_MIRADOT_PROFILE, PROFILE_DESCRIPTION,
                                          PROFILE_DESCRIPTION_LENGTH, icon.path, icon.length, 0);
    if (SUCCEEDED(hr))
        hr = profiles->EnableLanguageProfileByDefault(CLSID_MIRADOT, VIETNAMESE, GUID_MIRADOT_PROFILE, TRUE);
    return hr;
}

HRESULT register_profile()
{
    ComPtr<ITfInputProcessorProfileMgr> manager;
    HRESULT hr = CoCreateInstance(CLSID_TF_InputProcessorProfiles, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_ITfInputProcessorProfileMgr, manager.out_void());
    if (SUCCEEDED(hr)) {
        const IconFile icon = icon_file();
        hr = manager->RegisterProfile(CLSID_MIRADOT, VIETNAMESE, GUID_MIRADOT_PROFILE, PROFILE_DESCRIPTION,
                                      PROFILE_DESCRIPTION_LENGTH, icon.path, icon.length, 0, US_ENGLISH_LAYOUT, 0, TRUE,
                                      0);
    }
    if (hr == E_NOTIMPL || hr == E_NOINTERFACE)
        hr = register_profile_through_profiles();
    return hr;
}

HRESULT register_categories()
{
    ComPtr<ITfCategoryMgr> categories;
    HRESULT hr = CoCreateInstance(CLSID_TF_CategoryMgr, nullptr, CLSCTX_INPROC_SERVER, IID_ITfCategoryMgr,
                                  categories.out_void());
    if (FAILED(hr))
        return hr;
    for (const GUID* category : CATEGORIES) {
        hr = categories->RegisterCategory(CLSID_MIRADOT, *category, CLSID_MIRADOT);
        if (FAILED(hr))
            break;
    }
    return hr;
}

HRESULT register_with_framework()
{
    HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    HRESULT hr = register_profile();
    if (SUCCEEDED(hr))
        hr = register_categories();
    if (init == S_OK || init == S_FALSE)
        CoUninitialize();
    return hr;
}

void unregister_categories()
{
    ComPtr<ITfCategoryMgr> categories;
    if (FAILED(CoCreateInstance(CLSID_TF_CategoryMgr, nullptr, CLSCTX_INPROC_SERVER, IID_ITfCategoryMgr,
                                categories.out_void())))
        return;
    for (const GUID* category : CATEGORIES)
        categories->UnregisterCategory(CLSID_MIRADOT, *category, CLSID_MIRADOT);
}

void unregister_profile()
{
    ComPtr<ITfInputProcessorProfileMgr> manager;
    HRESULT hr = CoCreateInstance(CLSID_TF_InputProcessorProfiles, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_ITfInputProcessorProfileMgr, manager.out_void());
    if (SUCCEEDED(hr)) {
        hr = manager->UnregisterProfile(CLSID_MIRADOT, VIETNAMESE, GUID_MIRADOT_PROFILE, 0);
    }
    if (hr != E_NOTIMPL && hr != E_NOINTERFACE)
        return;
    ComPtr<ITfInputProcessorProfiles> profiles;
    if (SUCCEEDED(CoCreateInstance(CLSID_TF_InputProcessorProfiles, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_ITfInputProcessorProfiles, profiles.out_void()))) {
        profiles->Unregister(CLSID_MIRADOT);
    }
}

void delete_tree(HKEY root, const wchar_t* prefix)
{
    wchar_t path[96];
    if (key_path(prefix, path, 96))
        RegDeleteTreeW(root, path);
}

}  // namespace

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    unregister_categories();
    unregister_profile();
    if (init == S_OK || init == S_FALSE)
        CoUninitialize();
    delete_tree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\CTF\\TIP\\");
    delete_tree(HKEY_CLASSES_ROOT, L"CLSID\\");
    return S_OK;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer()
{
    HRESULT hr = register_class();
    if (SUCCEEDED(hr))
        hr = register_with_framework();
    if (FAILED(hr))
        DllUnregisterServer();
    return hr;
}
