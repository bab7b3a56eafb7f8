#include "preserved_keys.h"

#include "guids.h"

#include <cwchar>

namespace miradot {

namespace {

constexpr wchar_t VOICE_DESCRIPTION[] = L"miraDot: voice typing";
constexpr wchar_t TRANSLATE_DESCRIPTION[] = L"miraDot: translate";

struct Feature {
    FeatureHotkey& state;
    const GUID& guid;
    const Hotkey& current;
    const wchar_t* description;
};

}  // namespace

TF_PRESERVEDKEY to_preserved_key(const Hotkey& hotkey)
{
    TF_PRESERVEDKEY key{};
    key.uVKey = hotkey.vk;
    if (hotkey.mods & HK_CTRL)
        key.uModifiers |= TF_MOD_CONTROL;
    if (hotkey.mods & HK_ALT)
        key.uModifiers |= TF_MOD_ALT;
    if (hotkey.mods & HK_SHIFT)
        key.uModifiers |= TF_MOD_SHIFT;
    return key;
}

void register_feature_hotkeys(ITfKeystrokeMgr* keystrokes, TfClientId client, FeatureHotkeys& state,
                              const Hotkey& voice, const Hotkey& translate)
{
    if (!keystrokes)
        return;
    if (state.voice.registered && state.translate.registered && state.voice.remembered == voice
        && state.translate.remembered == translate)
        return;
    Feature features[] = {
        {state.voice, GUID_MIRADOT_KEY_VOICE, voice, VOICE_DESCRIPTION},
        {state.translate, GUID_MIRADOT_KEY_TRANSLATE, translate, TRANSLATE_DESCRIPTION},
    };
    // Both old keys go before any new one is taken, so swapped combinations do not clash.
    for (Feature& feature : features) {
        if (feature.state.registered && !(feature.state.remembered == feature.current)) {
            TF_PRESERVEDKEY old = to_preserved_key(feature.state.remembered);
            keystrokes->UnpreserveKey(feature.guid, &old);
            feature.state.registered = false;
        }
    }
    for (Feature& feature : features) {
        if (feature.state.registered || feature.current.vk == 0)
            continue;
        TF_PRESERVEDKEY key = to_preserved_key(feature.current);
        feature.state.registered = SUCCEEDED(keystrokes->PreserveKey(client, feature.guid, &key, feature.description,
                                                                     static_cast<ULONG>(wcslen(feature.description))));
        feature.state.remembered = feature.current;
    }
}

void unregister_feature_hotkeys(ITfKeystrokeMgr* keystrokes, FeatureHotkeys& state)
{
    FeatureHotkey* features[] = {&state.voice, &state.translate};
    const GUID* guids[] = {&GUID_MIRADOT_KEY_VOICE, &GUID_MIRADOT_KEY_TRANSLATE};
    for (int i = 0; i < 2; ++i) {
        if (!features[i]->registered)
            continue;
        TF_PRESERVEDKEY key = to_preserved_key(features[i]->remembered);
        if (keystrokes)
            keystrokes->UnpreserveKey(*guids[i], &key);
        features[i]->registered = false;
    }
}

bool host_is_settings_program()
{
    static const bool is_settings = [] {
        wchar_t path[MAX_PATH];
        DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
        if (length == 0 || length >= MAX_PATH)
            return false;
        const wchar_t* name = wcsrchr(path, L'\\');
        name = name ? name + 1 : path;
        return _wcsnicmp(name, L"miraDot-Settings", 16) == 0;
    }();
    return is_settings;
}

}  // namespace miradot
