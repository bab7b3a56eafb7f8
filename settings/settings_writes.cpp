#include "settings_writes.h"

#include "settings_store.h"

namespace {

constexpr DWORD KNOWN_OPTIONS = 0xF7;

HKEY open_for_writing()
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, resolve_settings_key(), 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

bool set_dword(HKEY key, const wchar_t* name, DWORD value)
{
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) == ERROR_SUCCESS;
}

} // namespace

bool update_check_enabled()
{
    DWORD type = 0, value = 1, size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, resolve_settings_key(), L"UpdateCheck", RRF_RT_ANY, &type, &value, &size)
            != ERROR_SUCCESS
        || type != REG_DWORD || size != sizeof value)
        return true;
    return value != 0;
}

bool write_typing_options(uint32_t method, uint32_t options)
{
    HKEY key = open_for_writing();
    if (!key)
        return false;
    // A reader between the writes sees the old "Options" under the full
    // mask; the dialog wrote both before, so only a first write from an
    // older writer's values can show for that moment.
    bool ok = set_dword(key, L"OptionsKnown", KNOWN_OPTIONS) && set_dword(key, L"Options", options & KNOWN_OPTIONS)
           && set_dword(key, L"Method", method);
    RegCloseKey(key);
    return ok;
}

bool raise_clear_seq()
{
    HKEY key = open_for_writing();
    if (!key)
        return false;
    DWORD type = 0, value = 0, size = sizeof value;
    if (RegQueryValueExW(key, L"ClearSeq", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS
        || type != REG_DWORD || size != sizeof value)
        value = 0;
    bool ok = set_dword(key, L"ClearSeq", value + 1);
    RegCloseKey(key);
    return ok;
}

bool write_settings_text(const wchar_t* name, const std::wstring& text)
{
    HKEY key = open_for_writing();
    if (!key)
        return false;
    bool ok = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             DWORD((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

bool write_settings_dword(const wchar_t* name, DWORD value)
{
    HKEY key = open_for_writing();
    if (!key)
        return false;
    bool ok = set_dword(key, name, value);
    RegCloseKey(key);
    return ok;
}
