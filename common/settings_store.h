// The per-user settings key: its path, the names of its values, the rule that
// combines the option words, one validated read with defaults, and the watcher
// that tells a reader when to read it again. The text service reads these
// values; the settings program writes them.
#pragma once

#include "engine.h"
#include "hotkey.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

// The settings key under HKEY_CURRENT_USER.
inline constexpr wchar_t SETTINGS_DEFAULT_KEY[] = L"Software\\miraDot";

// HKEY_CURRENT_USER path, or MIRADOT_SETTINGS_KEY when that names a key at or
// below the default one. Decided once per process.
const wchar_t* resolve_settings_key();

// Whether an override of the settings key path is acceptable.
bool settings_key_override_ok(const wchar_t* value);

// Value names in the settings key.
inline constexpr wchar_t SETTINGS_METHOD[] = L"Method";
inline constexpr wchar_t SETTINGS_OPTIONS[] = L"Options";
inline constexpr wchar_t SETTINGS_OPTIONS_KNOWN[] = L"OptionsKnown";
inline constexpr wchar_t SETTINGS_CLEAR_SEQ[] = L"ClearSeq";
inline constexpr wchar_t SETTINGS_HOTKEY_TRANSLATE[] = L"HotkeyTranslate";
inline constexpr wchar_t SETTINGS_HOTKEY_VOICE[] = L"HotkeyVoice";
inline constexpr wchar_t SETTINGS_MT_OTHER[] = L"MtOther";
inline constexpr wchar_t SETTINGS_UPDATE_CHECK[] = L"UpdateCheck";

// The "Update" subkey: the settings program's update check writes it, the
// text service's daily trigger reads "Last" (the last check that reached the
// server) and writes "Spawn" (when it last started one), both Unix seconds.
inline constexpr wchar_t UPDATE_SUBKEY[] = L"Update";
inline constexpr wchar_t UPDATE_LAST[] = L"Last";
inline constexpr wchar_t UPDATE_SPAWN[] = L"Spawn";
inline constexpr wchar_t UPDATE_FAILED[] = L"Failed";
inline constexpr wchar_t UPDATE_FAILURES[] = L"Failures";
inline constexpr wchar_t UPDATE_STATUS[] = L"Status";
inline constexpr wchar_t UPDATE_ERROR[] = L"Error";
inline constexpr wchar_t UPDATE_LATEST[] = L"Latest";
inline constexpr wchar_t UPDATE_NOTES[] = L"Notes";
inline constexpr wchar_t UPDATE_URL[] = L"Url";
inline constexpr wchar_t UPDATE_SHA256[] = L"Sha256";
inline constexpr wchar_t UPDATE_SIZE[] = L"Size";
inline constexpr wchar_t UPDATE_MANIFEST[] = L"Manifest";
inline constexpr wchar_t UPDATE_MANIFEST_SIGNATURE[] = L"ManifestSignature";

// The settings key's path followed by "\\Update".
std::wstring update_key_path();

// The option bits a writer may store (all but OPT_ENGLISH_MODE): what the
// settings program writes as OptionsKnown. Without OptionsKnown only the bits
// of OPTIONS_KNOWN_UNMARKED come from Options.
inline constexpr uint32_t STORABLE_OPTIONS
    = OPT_AUTO_ENGLISH | OPT_AUTO_CORRECT | OPT_OLD_TONE | OPT_LEARN | OPT_SHORTHAND | OPT_PUNCTUATION | OPT_HINTS;
inline constexpr uint32_t OPTIONS_KNOWN_UNMARKED
    = OPT_AUTO_ENGLISH | OPT_AUTO_CORRECT | OPT_OLD_TONE | OPT_LEARN | OPT_SHORTHAND;

// Effective option word from the stored Options and OptionsKnown, either absent:
// every known bit from Options, every other bit its default.
uint32_t combine_options(std::optional<uint32_t> options, std::optional<uint32_t> known);

struct ServiceSettings {
    uint32_t method;   // TELEX or VNI
    uint32_t options;  // effective option word; OPT_ENGLISH_MODE never set
    uint32_t clearSeq;
    Hotkey translateHotkey;  // NO_HOTKEY when the voice hotkey took it
    Hotkey voiceHotkey;
    char otherLanguage[8];  // 2 or 3 lowercase ASCII letters
};

// Never fails: anything absent or malformed keeps its default.
ServiceSettings read_settings();

// "UpdateCheck": on unless it is a 4-byte REG_DWORD 0.
bool read_update_check_enabled();

// The settings program's writes, one value per call; each returns whether it
// was stored. The method and options go as "OptionsKnown" (STORABLE_OPTIONS),
// "Options" (bit 3 cleared), "Method", in that order: a reader between them
// sees either the old word or one the writer knew whole.
bool write_typing_options(uint32_t method, uint32_t options);
// "ClearSeq" + 1, or 1 when it is missing or not a 4-byte REG_DWORD.
bool raise_clear_seq();
bool write_settings_text(const wchar_t* name, const wchar_t* text);
bool write_settings_dword(const wchar_t* name, uint32_t value);

class SettingsWatcher {
public:
    SettingsWatcher() = default;
    SettingsWatcher(const SettingsWatcher&) = delete;
    SettingsWatcher& operator=(const SettingsWatcher&) = delete;
    ~SettingsWatcher() { close(); }

    void arm();
    bool poll();  // true once per observed change of a value of the key
    void close();

private:
    HKEY key_ = nullptr;
    HANDLE event_ = nullptr;
};
