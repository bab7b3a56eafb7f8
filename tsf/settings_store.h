// The per-user settings key: its path, one validated read with defaults, and
// the watcher that tells a text input processor when to read it again.
#pragma once

#include "hotkey.h"

#include <windows.h>

#include <cstdint>

// HKEY_CURRENT_USER path, or MIRADOT_SETTINGS_KEY when that names a key at or
// below the default one. Decided once per process.
const wchar_t* resolve_settings_key();

// Whether an override of the settings key path is acceptable.
bool settings_key_override_ok(const wchar_t* value);

struct ServiceSettings {
    uint32_t method;          // TELEX or VNI
    uint32_t options;         // effective option word; OPT_ENGLISH_MODE never set
    uint32_t clearSeq;
    Hotkey translateHotkey;   // NO_HOTKEY when the voice hotkey took it
    Hotkey voiceHotkey;
    char otherLanguage[8];    // 2 or 3 lowercase ASCII letters
};

// Never fails: anything absent or malformed keeps its default.
ServiceSettings read_settings();

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
