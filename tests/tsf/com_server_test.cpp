// The text service DLL as COM and TSF see it: loaded from the staged install
// folder, registered with the system's regsvr32 into Wine's real registry.
#include "case_name.h"
#include "child_process.h"
#include "guids.h"

#include <gtest/gtest.h>
#include <msctf.h>
#include <olectl.h>
#include <sddl.h>

#include <string>

namespace {

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using NoArgumentFn = HRESULT(STDAPICALLTYPE*)();

std::wstring dll_path()
{
    wchar_t stage[MAX_PATH] = {};
    GetEnvironmentVariableW(L"MIRADOT_TEST_STAGE", stage, MAX_PATH);
    return std::wstring(stage) + L"\\tsf\\miradot_tsf.dll";
}

std::wstring guid_text(REFGUID guid)
{
    wchar_t text[40];
    StringFromGUID2(guid, text, 40);
    return text;
}

std::wstring class_key() { return L"CLSID\\" + guid_text(CLSID_MIRADOT); }
std::wstring tip_key() { return L"SOFTWARE\\Microsoft\\CTF\\TIP\\" + guid_text(CLSID_MIRADOT); }

bool key_exists(HKEY root, const std::wstring& path)
{
    HKEY key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::wstring string_value(HKEY root, const std::wstring& path, const wchar_t* name)
{
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    if (RegGetValueW(root, path.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return L"<absent>";
    return value;
}

const GUID* const CATEGORIES[] = {
    &GUID_TFCAT_TIP_KEYBOARD,
    &GUID_TFCAT_DISPLAYATTRIBUTEPROVIDER,
    &GUID_TFCAT_TIPCAP_UIELEMENTENABLED_MIRADOT,
    &GUID_TFCAT_TIPCAP_IMMERSIVESUPPORT_MIRADOT,
    &GUID_TFCAT_TIPCAP_SYSTRAYSUPPORT_MIRADOT,
};

std::wstring profile_key() { return tip_key() + L"\\LanguageProfile\\0x0000042a\\" + guid_text(GUID_MIRADOT_PROFILE); }

DWORD profile_enabled()
{
    DWORD value = 0, size = sizeof value;
    RegGetValueW(HKEY_LOCAL_MACHINE, profile_key().c_str(), L"Enable", RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

void expect_registered(const std::wstring& dll)
{
    EXPECT_EQ(string_value(HKEY_CLASSES_ROOT, class_key(), nullptr), L"miraDot Vietnamese text service");
    EXPECT_EQ(string_value(HKEY_CLASSES_ROOT, class_key() + L"\\InprocServer32", nullptr), dll);
    EXPECT_EQ(string_value(HKEY_CLASSES_ROOT, class_key() + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    EXPECT_EQ(string_value(HKEY_LOCAL_MACHINE, profile_key(), L"Description"), L"miraDot - Ti\u1EBFng Vi\u1EC7t");
    EXPECT_EQ(profile_enabled(), 1u);
    for (const GUID* category : CATEGORIES)
        EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, tip_key() + L"\\Category\\Category\\" + guid_text(*category) + L"\\"
                                                       + guid_text(CLSID_MIRADOT)))
            << "category " << testing::PrintToString(guid_text(*category));
}

void expect_unregistered()
{
    EXPECT_FALSE(key_exists(HKEY_CLASSES_ROOT, class_key()));
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, tip_key()));
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, tip_key()));  // where Wine's framework keeps the user's choice
}

class ComServer : public testing::Test {
protected:
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        dll_ = LoadLibraryW(dll_path().c_str());
        ASSERT_NE(dll_, nullptr) << "cannot load the staged DLL; is MIRADOT_TEST_STAGE set?";
        get_class_object_ = reinterpret_cast<GetClassObjectFn>(GetProcAddress(dll_, "DllGetClassObject"));
        can_unload_now_ = reinterpret_cast<NoArgumentFn>(GetProcAddress(dll_, "DllCanUnloadNow"));
        register_server_ = reinterpret_cast<NoArgumentFn>(GetProcAddress(dll_, "DllRegisterServer"));
        unregister_server_ = reinterpret_cast<NoArgumentFn>(GetProcAddress(dll_, "DllUnregisterServer"));
        ASSERT_TRUE(get_class_object_ && can_unload_now_ && register_server_ && unregister_server_);
        // The text service host tests register their own copy and leave it.
        unregister_server_();
    }
    void TearDown() override
    {
        if (dll_)
            FreeLibrary(dll_);
        CoUninitialize();
    }

    IClassFactory* factory()
    {
        IClassFactory* factory = nullptr;
        EXPECT_EQ(get_class_object_(CLSID_MIRADOT, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
        return factory;
    }

    HMODULE dll_ = nullptr;
    GetClassObjectFn get_class_object_ = nullptr;
    NoArgumentFn can_unload_now_ = nullptr;
    NoArgumentFn register_server_ = nullptr;
    NoArgumentFn unregister_server_ = nullptr;
};

TEST_F(ComServer, ExportsExactlyTheFourEntryPoints)
{
    auto* base = reinterpret_cast<BYTE*>(dll_);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    auto* exports = reinterpret_cast<IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    EXPECT_EQ(exports->NumberOfNames, 4u);
}

struct ClassObjectCase {
    const char* what;
    const CLSID* clsid;
    const IID* iid;
    HRESULT expected;
};

class GetClassObject : public ComServer, public testing::WithParamInterface<ClassObjectCase> {};

TEST_P(GetClassObject, HandsOutOnlyTheFactoryOfTheOneClass)
{
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(get_class_object_(*GetParam().clsid, *GetParam().iid, &object), GetParam().expected);
    if (GetParam().expected == S_OK) {
        ASSERT_NE(object, nullptr);
        static_cast<IUnknown*>(object)->Release();
    } else {
        EXPECT_EQ(object, nullptr);
    }
    EXPECT_EQ(can_unload_now_(), S_OK);
}

INSTANTIATE_TEST_SUITE_P(Requests, GetClassObject,
                         testing::Values(ClassObjectCase{"factory", &CLSID_MIRADOT, &IID_IClassFactory, S_OK},
                                         ClassObjectCase{"unknown", &CLSID_MIRADOT, &IID_IUnknown, S_OK},
                                         ClassObjectCase{"other class", &CLSID_TF_CategoryMgr, &IID_IClassFactory,
                                                         CLASS_E_CLASSNOTAVAILABLE},
                                         ClassObjectCase{"other interface", &CLSID_MIRADOT, &IID_ITfTextInputProcessor,
                                                         E_NOINTERFACE}),
                         [](const auto& info) { return case_name(info.param.what); });

TEST_F(ComServer, NullOutPointerIsRejected)
{
    EXPECT_EQ(get_class_object_(CLSID_MIRADOT, IID_IClassFactory, nullptr), E_INVALIDARG);
    IClassFactory* f = factory();
    EXPECT_EQ(f->QueryInterface(IID_IClassFactory, nullptr), E_INVALIDARG);
    EXPECT_EQ(f->CreateInstance(nullptr, IID_ITfTextInputProcessor, nullptr), E_INVALIDARG);
    f->Release();
}

TEST_F(ComServer, FactoryReferencesAndLocksKeepTheDllLoaded)
{
    IClassFactory* first = factory();
    IClassFactory* second = nullptr;
    ASSERT_EQ(first->QueryInterface(IID_IClassFactory, reinterpret_cast<void**>(&second)), S_OK);
    EXPECT_EQ(can_unload_now_(), S_FALSE);
    first->Release();
    EXPECT_EQ(can_unload_now_(), S_FALSE);
    second->LockServer(TRUE);
    second->Release();
    EXPECT_EQ(can_unload_now_(), S_FALSE);
    IClassFactory* third = factory();
    third->LockServer(FALSE);
    third->Release();
    EXPECT_EQ(can_unload_now_(), S_OK);
}

TEST_F(ComServer, FactoryRefusesUnknownInterfaces)
{
    IClassFactory* f = factory();
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(f->QueryInterface(IID_ITfTextInputProcessor, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    f->Release();
    EXPECT_EQ(can_unload_now_(), S_OK);
}

TEST_F(ComServer, CreatesProcessorsThatHoldTheDll)
{
    IClassFactory* f = factory();
    ITfTextInputProcessor* processor = nullptr;
    ASSERT_EQ(f->CreateInstance(nullptr, IID_ITfTextInputProcessor, reinterpret_cast<void**>(&processor)), S_OK);
    f->Release();
    EXPECT_EQ(can_unload_now_(), S_FALSE);
    processor->Release();
    EXPECT_EQ(can_unload_now_(), S_OK);
}

TEST_F(ComServer, FailedCreationLeavesNoObjectAlive)
{
    IClassFactory* f = factory();
    IUnknown* outer = f;
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(f->CreateInstance(outer, IID_IUnknown, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);
    object = reinterpret_cast<void*>(1);
    EXPECT_EQ(f->CreateInstance(nullptr, IID_IClassFactory, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    f->Release();
    EXPECT_EQ(can_unload_now_(), S_OK);
}

TEST_F(ComServer, RegsvrRegistersAndUnregistersHarmlesslyTwice)
{
    const std::wstring dll = dll_path();
    const std::wstring quoted = L" \"" + dll + L"\"";
    expect_unregistered();
    EXPECT_EQ(run(L"regsvr32.exe /s" + quoted), 0u);
    EXPECT_EQ(run(L"regsvr32.exe /s" + quoted), 0u);
    expect_registered(dll);
    EXPECT_EQ(run(L"regsvr32.exe /s /u" + quoted), 0u);
    expect_unregistered();
    EXPECT_EQ(run(L"regsvr32.exe /s /u" + quoted), 0u);
    expect_unregistered();
}

// A volatile key cannot take lasting subkeys, so a registry root redirected to
// one fails every write below it, like a root the caller has no rights to.
class RedirectedRoot {
public:
    explicit RedirectedRoot(HKEY root) : root_(root)
    {
        // Missing parents of a volatile key are made volatile too, and would
        // then refuse the lasting keys of other tests: make them first.
        path_ = L"Software\\miraDot\\com-server-test-" + std::to_wstring(GetCurrentProcessId());
        HKEY parent;
        EXPECT_EQ(
            RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &parent, nullptr),
            ERROR_SUCCESS);
        EXPECT_EQ(RegCreateKeyExW(parent, L"volatile", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key_,
                                  nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(parent);
        RegOverridePredefKey(root_, key_);
    }
    ~RedirectedRoot()
    {
        RegOverridePredefKey(root_, nullptr);
        RegCloseKey(key_);
        RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
    }

private:
    HKEY root_;
    HKEY key_ = nullptr;
    std::wstring path_;
};

TEST_F(ComServer, ClassRegistrationWithoutRightsFailsCleanly)
{
    HRESULT hr;
    {
        RedirectedRoot classes(HKEY_CLASSES_ROOT);
        hr = register_server_();
    }
    EXPECT_EQ(hr, SELFREG_E_CLASS);
    expect_unregistered();
}

TEST_F(ComServer, ProfileRegistrationWithoutRightsLeavesNothingBehind)
{
    HRESULT hr;
    {
        RedirectedRoot machine(HKEY_LOCAL_MACHINE);
        hr = register_server_();
    }
    EXPECT_TRUE(FAILED(hr));
    expect_unregistered();
}

// Wine checks the rights of a key when it is opened for writing (though not a
// parent's right to take new subkeys), so a key that registration must write,
// made beforehand with read and delete rights only, stands for a registry the
// caller may not change. Delete rights let the roll-back remove it again.
class ReadOnlyKey {
public:
    ReadOnlyKey(HKEY root, std::wstring path) : root_(root), path_(std::move(path))
    {
        HKEY key;
        EXPECT_EQ(RegCreateKeyExW(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        PSECURITY_DESCRIPTOR sd = nullptr;
        EXPECT_TRUE(
            ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;KRSD;;;WD)", SDDL_REVISION_1, &sd, nullptr));
        EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd), ERROR_SUCCESS);
        LocalFree(sd);
        RegCloseKey(key);
        EXPECT_NE(RegOpenKeyExW(root_, path_.c_str(), 0, KEY_WRITE, &key), ERROR_SUCCESS)
            << "this Wine grants write access despite the key's rights";
    }
    ~ReadOnlyKey() { RegDeleteTreeW(root_, path_.c_str()); }

private:
    HKEY root_;
    std::wstring path_;
};

struct DeniedCase {
    const char* what;
    HKEY root;
    std::wstring (*path)();
    HRESULT expected;  // S_OK: any failure
};

void PrintTo(const DeniedCase& c, std::ostream* os) { *os << c.what; }

class RegistrationWithoutRights : public ComServer, public testing::WithParamInterface<DeniedCase> {};

TEST_P(RegistrationWithoutRights, ReportsTheFailureAndLeavesNothingBehind)
{
    const DeniedCase& c = GetParam();
    const std::wstring dll = L" \"" + dll_path() + L"\"";
    {
        ReadOnlyKey denied(c.root, c.path());
        HRESULT hr = register_server_();
        EXPECT_TRUE(FAILED(hr));
        if (c.expected != S_OK) {
            EXPECT_EQ(hr, c.expected);
        }
        expect_unregistered();
    }
    {
        ReadOnlyKey denied(c.root, c.path());
        EXPECT_NE(run(L"regsvr32.exe /s" + dll), 0u);
        expect_unregistered();
    }
}

INSTANTIATE_TEST_SUITE_P(Halves, RegistrationWithoutRights,
                         testing::Values(DeniedCase{"class server key", HKEY_CLASSES_ROOT,
                                                    [] { return class_key() + L"\\InprocServer32"; }, SELFREG_E_CLASS},
                                         DeniedCase{"profile key", HKEY_LOCAL_MACHINE, tip_key, S_OK}),
                         [](const auto& info) { return case_name(info.param.what); });

TEST_F(ComServer, UnregisteringWhatIsNotRegisteredSucceeds)
{
    expect_unregistered();
    EXPECT_EQ(unregister_server_(), S_OK);
    expect_unregistered();
}

TEST_F(ComServer, InProcessRegistrationMatchesRegsvr)
{
    ASSERT_EQ(register_server_(), S_OK);
    expect_registered(dll_path());
    EXPECT_EQ(unregister_server_(), S_OK);
    expect_unregistered();
}

}  // namespace
