// What every end-to-end test of the text service shares: the registered
// DLL, this run's own settings key and desktop, screenshots, and the fixture
// with a host thread manager and a document.
#pragma once

#include "host_tsf.h"
#include "host_window.h"
#include "screen_png.h"

#include "../../tsf/com_ptr.h"
#include "../../tsf/guids.h"
#include "learned_file.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>

inline std::wstring folder_of_program()
{
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L"\\/"));
}

// Registers or unregisters the staged DLL, as the installer would.
inline bool call_server_entry(const char* entry)
{
    std::wstring dll = folder_of_program() + L"\\stage\\tsf\\miradot_tsf.dll";
    HMODULE module = LoadLibraryW(dll.c_str());
    if (!module)
        return false;
    auto call = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(reinterpret_cast<void*>(GetProcAddress(module, entry)));
    return call && SUCCEEDED(call());
}

inline bool register_text_service() { return call_server_entry("DllRegisterServer"); }

// Kept as test artifacts in "shots" beside the program; an old picture is
// removed first so that what lies there always comes from this run.
inline bool take_screenshot(const wchar_t* name, const RECT& area = {0, 0, 480, 160})
{
    std::wstring folder = folder_of_program() + L"\\shots";
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring path = folder + L"\\" + name;
    DeleteFileW(path.c_str());
    return save_screen_png(area, path.c_str());
}

inline ComPtr<ITfCompartment> language_compartment(ITfThreadMgr* thread_mgr)
{
    ComPtr<ITfCompartmentMgr> global;
    ComPtr<ITfCompartment> compartment;
    if (SUCCEEDED(thread_mgr->GetGlobalCompartment(global.out())))
        global->GetCompartment(GUID_MIRADOT_LANGUAGE_COMPARTMENT, compartment.out());
    return compartment;
}

inline LONG display_attribute_atom()
{
    ComPtr<ITfCategoryMgr> categories;
    TfGuidAtom atom = 0;
    if (SUCCEEDED(CoCreateInstance(CLSID_TF_CategoryMgr, nullptr, CLSCTX_INPROC_SERVER, IID_ITfCategoryMgr,
                                   categories.out_void())))
        categories->RegisterGUID(GUID_MIRADOT_DISPLAY_ATTRIBUTE, &atom);
    return static_cast<LONG>(atom);
}

inline std::wstring window_text(HWND window)
{
    wchar_t text[128] = {};
    GetWindowTextW(window, text, 128);
    return text;
}

inline std::string narrow(const std::wstring& text)
{
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string result(size > 0 ? size - 1 : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, result.data(), size, nullptr, nullptr);
    return result;
}

// This program's own settings key (through MIRADOT_SETTINGS_KEY, set in main),
// so that other Wine test programs sharing the prefix neither see nor change it.
inline const std::wstring& settings_key()
{
    static const std::wstring key = L"Software\\miraDot\\host-test-" + std::to_wstring(GetCurrentProcessId());
    return key;
}

// Writes values into the settings key as the settings program does.
class SettingsWriter {
public:
    SettingsWriter()
    {
        if (RegCreateKeyExW(HKEY_CURRENT_USER, settings_key().c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key_,
                            nullptr)
            != ERROR_SUCCESS)
            key_ = nullptr;
    }
    ~SettingsWriter()
    {
        if (key_)
            RegCloseKey(key_);
    }
    bool open() const { return key_ != nullptr; }
    void set(const wchar_t* name, DWORD value)
    {
        RegSetValueExW(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    }
    void set(const wchar_t* name, const wchar_t* value)
    {
        RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                       static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
    }
    void remove(const wchar_t* name) { RegDeleteValueW(key_, name); }

private:
    HKEY key_ = nullptr;
};

inline std::wstring learned_path()
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"miradot-host-learned-" + std::to_wstring(GetCurrentProcessId()) + L".tsv";
}

// The user's shorthand list that goes with learned_path().
inline std::wstring shorthand_path()
{
    std::wstring path;
    shorthand_file_path(&path);
    return path;
}

class HostTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(register_text_service()); }

    void SetUp() override
    {
        // Default settings, and nothing learned by earlier tests: the learned
        // data is dropped the way the settings program clears it.
        static DWORD clearSeq = 0;
        RegDeleteTreeW(HKEY_CURRENT_USER, settings_key().c_str());
        DeleteFileW(learned_path().c_str());
        DeleteFileW(shorthand_path().c_str());
        SettingsWriter settings;
        ASSERT_TRUE(settings.open());
        settings.set(L"ClearSeq", ++clearSeq);
        threadMgr = new HostThreadMgr();
        // Every test starts in Vietnamese: the state is global and outlives processors.
        set_language_switch(false);
    }

    // Sets the Vietnamese/English switch as another application would.
    static void set_language_switch(bool english)
    {
        ComPtr<ITfThreadMgr> wine;
        ASSERT_TRUE(SUCCEEDED(
            CoCreateInstance(CLSID_TF_ThreadMgr, nullptr, CLSCTX_INPROC_SERVER, IID_ITfThreadMgr, wine.out_void())));
        ComPtr<ITfCompartment> compartment = language_compartment(wine.get());
        ASSERT_TRUE(compartment);
        VARIANT value;
        value.vt = VT_I4;
        value.lVal = english ? 1 : 0;
        TfClientId id = 0;
        ComPtr<ITfClientId> ids;
        wine->QueryInterface(IID_ITfClientId, ids.out_void());
        ids->GetClientId(CLSID_MIRADOT, &id);
        compartment->SetValue(id, &value);
    }

    void TearDown() override
    {
        threadMgr->deactivate_processor();
        threadMgr->set_focus(nullptr);
        threadMgr->Release();
        if (document.window)
            DestroyWindow(document.window);
        pump_messages();
    }

    void activate()
    {
        ASSERT_EQ(threadMgr->activate_processor(), S_OK);
        threadMgr->set_focus(&document);
    }

    HostDocument document;
    HostThreadMgr* threadMgr = nullptr;
};
