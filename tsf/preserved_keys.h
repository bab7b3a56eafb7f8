#pragma once

#include "tsf_interfaces.h"

#include "hotkey.h"

namespace miradot {

// Preserved-key state of the two feature hotkeys of one processor.
struct FeatureHotkey {
    bool registered = false;
    Hotkey remembered{};
};

struct FeatureHotkeys {
    FeatureHotkey voice;
    FeatureHotkey translate;
};

TF_PRESERVEDKEY to_preserved_key(const Hotkey& hotkey);

// Keeps the two preserved keys in step with the current hotkeys.
void register_feature_hotkeys(ITfKeystrokeMgr* keystrokes, TfClientId client, FeatureHotkeys& state,
                              const Hotkey& voice, const Hotkey& translate);
void unregister_feature_hotkeys(ITfKeystrokeMgr* keystrokes, FeatureHotkeys& state);

// The settings program records hotkeys itself; its preserved keys are not eaten.
bool host_is_settings_program();

}  // namespace miradot
