#include "hotkey.h"

#include <array>

namespace {

struct KeyName {
    std::u16string_view name;
    uint32_t vk;
};

constexpr std::array<KeyName, 15> KEY_NAMES = {{
    {u"Space", 0x20},
    {u"Tab", 0x09},
    {u"Esc", 0x1B},
    {u"Del", 0x2E},
    {u"Insert", 0x2D},
    {u"Home", 0x24},
    {u"End", 0x23},
    {u"PgUp", 0x21},
    {u"PgDn", 0x22},
    {u"Backspace", 0x08},
    {u"Enter", 0x0D},
    {u"Left", 0x25},
    {u"Right", 0x27},
    {u"Up", 0x26},
    {u"Down", 0x28},
}};

struct ModifierName {
    std::u16string_view name;
    uint32_t mod;
};

constexpr std::array<ModifierName, 5> MODIFIER_NAMES = {{
    {u"Ctrl", HK_CTRL},
    {u"Control", HK_CTRL},
    {u"Alt", HK_ALT},
    {u"Shift", HK_SHIFT},
    {u"Win", HK_WIN},
}};

struct Reserved {
    std::u16string_view combination;
    std::u16string_view description;
};

constexpr std::array<Reserved, 12> RESERVED = {{
    {u"Win+L", u"khoá máy"},
    {u"Ctrl+Alt+Del", u"màn hình bảo mật"},
    {u"Win+Space", u"đổi bộ gõ"},
    {u"Alt+Tab", u"đổi cửa sổ"},
    {u"Ctrl+Shift+Esc", u"Task Manager"},
    {u"Alt+Shift+Tab", u"đổi cửa sổ"},
    {u"Ctrl+Alt+Tab", u"đổi cửa sổ"},
    {u"Alt+Esc", u"đổi cửa sổ"},
    {u"Ctrl+Esc", u"menu Start"},
    {u"Alt+F4", u"đóng cửa sổ"},
    {u"Alt+Space", u"menu cửa sổ"},
    {u"Ctrl+Alt+Esc", u"màn hình bảo mật"},
}};

constexpr Hotkey LANGUAGE_SWITCH = {0x20, HK_CTRL | HK_SHIFT};
constexpr size_t TOKEN_MAX = 15;

char16_t ascii_lower(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c - u'A' + u'a') : c; }

bool equal_ignoring_case(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (ascii_lower(a[i]) != ascii_lower(b[i]))
            return false;
    return true;
}

std::optional<uint32_t> modifier_of(std::u16string_view token)
{
    for (const auto& m : MODIFIER_NAMES)
        if (equal_ignoring_case(token, m.name))
            return m.mod;
    return std::nullopt;
}

std::optional<uint32_t> function_key_of(std::u16string_view token)
{
    uint32_t n = 0;
    for (char16_t c : token.substr(1)) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        n = n * 10 + (c - u'0');
    }
    if (n < 1 || n > 24)
        return std::nullopt;
    return 0x6F + n;
}

std::optional<uint32_t> key_of(std::u16string_view token)
{
    if (token.size() == 1) {
        char16_t c = token[0];
        if (c >= u'a' && c <= u'z')
            return uint32_t(c - u'a' + u'A');
        if ((c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9'))
            return uint32_t(c);
    }
    if ((token.size() == 2 || token.size() == 3) && ascii_lower(token[0]) == u'f')
        return function_key_of(token);
    for (const auto& k : KEY_NAMES)
        if (equal_ignoring_case(token, k.name))
            return k.vk;
    return std::nullopt;
}

std::u16string key_text(uint32_t vk)
{
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9'))
        return std::u16string(1, char16_t(vk));
    if (vk >= 0x70 && vk <= 0x87) {
        uint32_t n = vk - 0x6F;
        std::u16string text = u"F";
        if (n >= 10)
            text += char16_t(u'0' + n / 10);
        text += char16_t(u'0' + n % 10);
        return text;
    }
    for (const auto& k : KEY_NAMES)
        if (k.vk == vk)
            return std::u16string(k.name);
    return {};
}

// Fills each "%ls" of pattern with the next argument, cut to the message limit.
std::u16string fill(std::u16string_view pattern, std::u16string_view first, std::u16string_view second = {})
{
    std::u16string out;
    std::u16string_view args[2] = {first, second};
    int next = 0;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern.substr(i, 3) == u"%ls" && next < 2) {
            out += args[next++];
            i += 2;
        } else {
            out += pattern[i];
        }
    }
    if (out.size() > size_t(HOTKEY_MESSAGE_MAX))
        out.resize(HOTKEY_MESSAGE_MAX);
    return out;
}

}  // namespace

std::optional<Hotkey> parse_hotkey(std::u16string_view text)
{
    Hotkey hotkey = NO_HOTKEY;
    for (;;) {
        size_t plus = text.find(u'+');
        std::u16string_view token = text.substr(0, plus);
        if (token.empty() || token.size() > TOKEN_MAX)
            return std::nullopt;
        if (plus == std::u16string_view::npos) {
            auto vk = key_of(token);
            if (!vk)
                return std::nullopt;
            hotkey.vk = *vk;
            return hotkey;
        }
        auto mod = modifier_of(token);
        if (!mod || (hotkey.mods & *mod))
            return std::nullopt;
        hotkey.mods |= *mod;
        text.remove_prefix(plus + 1);
    }
}

std::u16string format_hotkey(Hotkey hotkey)
{
    std::u16string key = key_text(hotkey.vk);
    if (key.empty())
        return {};
    std::u16string text;
    if (hotkey.mods & HK_CTRL)
        text += u"Ctrl+";
    if (hotkey.mods & HK_ALT)
        text += u"Alt+";
    if (hotkey.mods & HK_SHIFT)
        text += u"Shift+";
    if (hotkey.mods & HK_WIN)
        text += u"Win+";
    return text + key;
}

HotkeyChoice validate_hotkey(std::optional<std::u16string_view> text, std::u16string_view defaultText, Hotkey other,
                             std::u16string_view otherName)
{
    auto parsed = text ? parse_hotkey(*text) : std::nullopt;
    if (!parsed)
        return {parse_hotkey(defaultText).value_or(NO_HOTKEY), {}};
    return validate_hotkey_combination(*parsed, defaultText, other, otherName);
}

HotkeyChoice validate_hotkey_combination(Hotkey h, std::u16string_view defaultText, Hotkey other,
                                         std::u16string_view otherName)
{
    Hotkey fallback = parse_hotkey(defaultText).value_or(NO_HOTKEY);
    std::u16string name = format_hotkey(h);
    if (name.empty())
        return {fallback, u"Phím này không dùng làm phím tắt được."};
    for (const auto& r : RESERVED)
        if (parse_hotkey(r.combination) == h)
            return {fallback, fill(u"%ls là phím của Windows (%ls).", name, r.description)};
    if (h == LANGUAGE_SWITCH)
        return {fallback, fill(u"%ls đang dùng cho «Bật / tắt tiếng Việt».", name)};
    if (h.mods & HK_WIN)
        return {fallback, u"Windows giữ phím Win cho chính nó; hãy dùng Ctrl hoặc Alt."};
    if (!(h.mods & (HK_CTRL | HK_ALT)))
        return {fallback, u"Cần có Ctrl hoặc Alt, để không chặn phím gõ thường."};
    if (h == other)
        return {fallback, fill(u"%ls đang dùng cho «%ls».", name, otherName)};
    return {h, {}};
}

bool is_modifier_or_lock_key(uint32_t vk)
{
    switch (vk) {
    case 0x10:  // Shift
    case 0x11:  // Ctrl
    case 0x12:  // Alt
    case 0x14:  // Caps Lock
    case 0x5B:  // left Win
    case 0x5C:  // right Win
    case 0x5D:  // Apps
    case 0x90:  // Num Lock
    case 0x91:  // Scroll Lock
    case 0xA0:  // left and right Shift, Ctrl and Alt
    case 0xA1:
    case 0xA2:
    case 0xA3:
    case 0xA4:
    case 0xA5:
        return true;
    default:
        return false;
    }
}
