// Hotkey combinations and their text form ("Ctrl+Alt+Y"), shared by the text
// service and the settings dialog so both accept and store the same texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

constexpr uint32_t HK_CTRL = 0x1;
constexpr uint32_t HK_ALT = 0x2;
constexpr uint32_t HK_SHIFT = 0x4;
constexpr uint32_t HK_WIN = 0x8;

// vk is a Windows virtual-key code; all zero means "no hotkey".
struct Hotkey {
    uint32_t vk;
    uint32_t mods;
    bool operator==(const Hotkey&) const = default;
};

constexpr Hotkey NO_HOTKEY = {0, 0};
constexpr int HOTKEY_TEXT_MAX = 39;
constexpr int HOTKEY_MESSAGE_MAX = 159;

std::optional<Hotkey> parse_hotkey(std::u16string_view text);

// Shift, Ctrl, Alt and Win (either side), the Apps key and the three lock
// keys: keys that only change what the next key means.
bool is_modifier_or_lock_key(uint32_t vk);

// Modifiers always come out as Ctrl, Alt, Shift, Win. Empty when the main key
// has no name in the notation.
std::u16string format_hotkey(Hotkey hotkey);

struct HotkeyChoice {
    Hotkey hotkey;           // the accepted text, or the parse of the default
    std::u16string message;  // why the text was refused; empty otherwise
};

// other / otherName: the hotkey and caption of the other feature, which this
// one must not take. A text that does not parse falls back silently.
HotkeyChoice validate_hotkey(std::optional<std::u16string_view> text, std::u16string_view defaultText, Hotkey other,
                             std::u16string_view otherName);

// The same rules for a combination the user pressed, which may have a main
// key without a name in the notation.
HotkeyChoice validate_hotkey_combination(Hotkey hotkey, std::u16string_view defaultText, Hotkey other,
                                         std::u16string_view otherName);
