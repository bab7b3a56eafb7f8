#include "settings_store.h"

#include "diagnostics_log.h"
#include "engine.h"
#include "environment.h"

#include <cstring>
#include <iterator>
#include <cwchar>
#include <mutex>
#include <optional>
#include <string_view>

namespace {

constexpr size_t DEFAULT_KEY_LENGTH = std::size(SETTINGS_DEFAULT_KEY) - 1;
constexpr size_t KEY_BUFFER = 128;
constexpr DWORD HOTKEY_BYTES = 78;
constexpr DWORD LANGUAGE_BYTES = 14;

wchar_t g_key[KEY_BUFFER];
std::once_flag g_key_once;

std::u16string_view as_u16(const wchar_t* text, size_t length)
{
    static_assert(sizeof(wchar_t) == sizeof(char16_t));
    return {reinterpret_cast<const char16_t*>(text), length};
}

std::optional<DWORD> read_dword(HKEY key, const wchar_t* name)
{
    DWORD type = 0, value = 0, size = sizeof value;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS
        || type != REG_DWORD || size != sizeof value)
        return std::nullopt;
    return value;
}

// A REG_SZ of at most bufferBytes, cut at the returned size so that a value
// stored without its terminator still reads whole.
std::optional<std::wstring> read_string(HKEY key, const wchar_t* name, DWORD bufferBytes)
{
    wchar_t buffer[64] = {};
    DWORD type = 0, size = bufferBytes;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS
        || type != REG_SZ)
        return std::nullopt;
    std::wstring text(buffer, size / sizeof(wchar_t));
    return text.substr(0, text.find(L'\0'));
}

// The value's name only: its content may be anything.
void log_refused(const wchar_t* name)
{
    std::string ascii(name, name + std::wcslen(name));  // the names are ASCII
    miradot::log_event("settings value %s refused", ascii.c_str());
}

void read_hotkeys(HKEY key, ServiceSettings* s)
{
    auto voice = key ? read_string(key, SETTINGS_HOTKEY_VOICE, HOTKEY_BYTES) : std::nullopt;
    auto translate = key ? read_string(key, SETTINGS_HOTKEY_TRANSLATE, HOTKEY_BYTES) : std::nullopt;
    auto view = [](const std::optional<std::wstring>& text) -> std::optional<std::u16string_view> {
        if (!text)
            return std::nullopt;
        return as_u16(text->c_str(), text->size());
    };
    HotkeyChoice voice_choice = validate_hotkey(view(voice), u"Ctrl+Alt+V", NO_HOTKEY, u"");
    HotkeyChoice translate_choice
        = validate_hotkey(view(translate), u"Ctrl+Alt+Y", voice_choice.hotkey, u"Nói thành chữ");
    s->voiceHotkey = voice_choice.hotkey;
    s->translateHotkey = translate_choice.hotkey;
    if (s->translateHotkey == s->voiceHotkey)
        s->translateHotkey = NO_HOTKEY;
    if (voice && (!voice_choice.message.empty() || !parse_hotkey(*view(voice))))
        log_refused(SETTINGS_HOTKEY_VOICE);
    if (translate && (!translate_choice.message.empty() || !parse_hotkey(*view(translate))))
        log_refused(SETTINGS_HOTKEY_TRANSLATE);
}

void read_other_language(HKEY key, ServiceSettings* s)
{
    auto text = read_string(key, SETTINGS_MT_OTHER, LANGUAGE_BYTES);
    if (!text)
        return;
    bool valid = text->size() >= 2 && text->size() <= 3;
    for (wchar_t c : *text)
        valid = valid && c >= L'a' && c <= L'z';
    if (!valid)
        return log_refused(SETTINGS_MT_OTHER);
    for (size_t i = 0; i <= text->size(); ++i)
        s->otherLanguage[i] = char(i < text->size() ? (*text)[i] : 0);
}

}  // namespace

uint32_t combine_options(std::optional<uint32_t> options, std::optional<uint32_t> known)
{
    if (!options)
        return DEFAULT_OPTIONS;
    uint32_t mask = known ? (*known & STORABLE_OPTIONS) : OPTIONS_KNOWN_UNMARKED;
    return ((*options ^ DEFAULT_OPTIONS) & mask) ^ DEFAULT_OPTIONS;
}

bool settings_key_override_ok(const wchar_t* value)
{
    if (!value)
        return false;
    return wcslen(value) < KEY_BUFFER && _wcsnicmp(value, SETTINGS_DEFAULT_KEY, DEFAULT_KEY_LENGTH) == 0;
}

const wchar_t* resolve_settings_key()
{
    std::call_once(g_key_once, [] {
        std::optional<std::wstring> value = miradot::environment_value("MIRADOT_SETTINGS_KEY", KEY_BUFFER - 1);
        wcscpy(g_key, value && settings_key_override_ok(value->c_str()) ? value->c_str() : SETTINGS_DEFAULT_KEY);
    });
    return g_key;
}

std::wstring update_key_path() { return std::wstring(resolve_settings_key()) + L"\\" + UPDATE_SUBKEY; }

ServiceSettings read_settings()
{
    ServiceSettings s{};
    s.method = TELEX;
    s.options = DEFAULT_OPTIONS;
    std::strcpy(s.otherLanguage, "en");

    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, resolve_settings_key(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        key = nullptr;
    read_hotkeys(key, &s);
    if (!key)
        return s;

    std::optional<DWORD> method = read_dword(key, SETTINGS_METHOD);
    s.method = method == DWORD(VNI) ? VNI : TELEX;
    if (method && *method != DWORD(VNI) && *method != DWORD(TELEX))
        log_refused(SETTINGS_METHOD);
    s.options = combine_options(read_dword(key, SETTINGS_OPTIONS), read_dword(key, SETTINGS_OPTIONS_KNOWN));
    s.clearSeq = read_dword(key, SETTINGS_CLEAR_SEQ).value_or(0);
    read_other_language(key, &s);
    RegCloseKey(key);
    return s;
}

bool read_update_check_enabled()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, resolve_settings_key(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return true;
    std::optional<DWORD> value = read_dword(key, SETTINGS_UPDATE_CHECK);
    RegCloseKey(key);
    return value != 0u;
}

namespace {

HKEY open_for_writing()
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, resolve_settings_key(), 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                        nullptr, &key, nullptr)
        != ERROR_SUCCESS)
        return nullptr;
    return key;
}

bool set_dword(HKEY key, const wchar_t* name, DWORD value)
{
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value)
           == ERROR_SUCCESS;
}

}  // namespace

bool write_typing_options(uint32_t method, uint32_t options)
{
    HKEY key = open_for_writing();
    if (!key)
        return false;
    bool ok = set_dword(key, SETTINGS_OPTIONS_KNOWN, STORABLE_OPTIONS)
              && set_dword(key, SETTINGS_OPTIONS, options & STORABLE_OPTIONS)
              && set_dword(key, SETTINGS_METHOD, method);
    RegCloseKey(key);
    return ok;
}

bool raise_clear_seq()
{
    HKEY key = open_for_writing();
    if (!key)
        return false;
    bool ok = set_dword(key, SETTINGS_CLEAR_SEQ, read_dword(key, SETTINGS_CLEAR_SEQ).value_or(0) + 1);
    RegCloseKey(key);
    return ok;
}

bool write_settings_text(const wchar_t* name, const wchar_t* text)
{
    HKEY key = open_for_writing();
    if (!key)
        return false;
    bool ok = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                             DWORD((wcslen(text) + 1) * sizeof(wchar_t)))
              == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

bool write_settings_dword(const wchar_t* name, uint32_t value)
{
    HKEY key = open_for_writing();
    if (!key)
        return false;
    bool ok = set_dword(key, name, value);
    RegCloseKey(key);
    return ok;
}

void SettingsWatcher::arm()
{
    close();
    event_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!event_)
        return;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, resolve_settings_key(), 0, nullptr, 0, KEY_READ, nullptr, &key_, nullptr)
        != ERROR_SUCCESS) {
        key_ = nullptr;
        return;
    }
    if (RegNotifyChangeKeyValue(key_, FALSE, REG_NOTIFY_CHANGE_LAST_SET, event_, TRUE) != ERROR_SUCCESS) {
        RegCloseKey(key_);
        key_ = nullptr;
    }
}

bool SettingsWatcher::poll()
{
    if (!key_ || !event_ || WaitForSingleObject(event_, 0) != WAIT_OBJECT_0)
        return false;
    if (RegNotifyChangeKeyValue(key_, FALSE, REG_NOTIFY_CHANGE_LAST_SET, event_, TRUE) != ERROR_SUCCESS) {
        RegCloseKey(key_);
        key_ = nullptr;
    }
    return true;
}

void SettingsWatcher::close()
{
    if (key_)
        RegCloseKey(key_);
    if (event_)
        CloseHandle(event_);
    key_ = nullptr;
    event_ = nullptr;
}
