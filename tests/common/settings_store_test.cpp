// Reads and watches the settings key in the real registry (Wine's, under the
// test runner), in a key of its own chosen through MIRADOT_SETTINGS_KEY.
#include "case_name.h"
#include "child_process.h"
#include "engine.h"
#include "settings_store.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

constexpr Hotkey CTRL_ALT_Y = {'Y', HK_CTRL | HK_ALT};
constexpr Hotkey CTRL_ALT_V = {'V', HK_CTRL | HK_ALT};

std::wstring test_key() { return L"Software\\miraDot\\settings-test-" + std::to_wstring(GetCurrentProcessId()); }

struct RegValue {
    const wchar_t* name;
    DWORD type;
    std::vector<BYTE> bytes;
};

RegValue dword(const wchar_t* name, DWORD value)
{
    auto* p = reinterpret_cast<const BYTE*>(&value);
    return {name, REG_DWORD, {p, p + 4}};
}

// A string with its terminator, as the settings dialog writes it.
RegValue text(const wchar_t* name, const std::wstring& value, DWORD type = REG_SZ)
{
    auto* p = reinterpret_cast<const BYTE*>(value.c_str());
    return {name, type, {p, p + (value.size() + 1) * sizeof(wchar_t)}};
}

RegValue unterminated(const wchar_t* name, const std::wstring& value)
{
    auto* p = reinterpret_cast<const BYTE*>(value.data());
    return {name, REG_SZ, {p, p + value.size() * sizeof(wchar_t)}};
}

// A short terminated text at the start of a value longer than its buffer.
RegValue padded(const wchar_t* name, const std::wstring& value, size_t bytes)
{
    RegValue v = text(name, value);
    v.bytes.resize(bytes, 'x');
    return v;
}

class SettingsKey : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        SetEnvironmentVariableW(L"MIRADOT_SETTINGS_KEY", test_key().c_str());
        ASSERT_EQ(std::wstring(resolve_settings_key()), test_key());
    }
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, test_key().c_str()); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, test_key().c_str()); }

    static void write(const std::vector<RegValue>& values, const std::wstring& subkey = L"")
    {
        HKEY key;
        std::wstring path = subkey.empty() ? test_key() : test_key() + L"\\" + subkey;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        for (const RegValue& v : values) {
            // The registry adds a terminator to a string whose next unit in
            // memory is one, so unterminated values need something else there.
            std::vector<BYTE> data = v.bytes;
            data.insert(data.end(), {'x', 'x'});
            ASSERT_EQ(RegSetValueExW(key, v.name, 0, v.type, data.data(), DWORD(v.bytes.size())), ERROR_SUCCESS);
        }
        RegCloseKey(key);
    }
};

ServiceSettings defaults()
{
    ServiceSettings s{};
    s.method = TELEX;
    s.options = DEFAULT_OPTIONS;
    s.translateHotkey = CTRL_ALT_Y;
    s.voiceHotkey = CTRL_ALT_V;
    strcpy(s.otherLanguage, "en");
    return s;
}

void expect_settings(const ServiceSettings& actual, const ServiceSettings& expected)
{
    EXPECT_EQ(actual.method, expected.method);
    EXPECT_EQ(actual.options, expected.options);
    EXPECT_EQ(actual.clearSeq, expected.clearSeq);
    EXPECT_EQ(actual.translateHotkey, expected.translateHotkey);
    EXPECT_EQ(actual.voiceHotkey, expected.voiceHotkey);
    EXPECT_STREQ(actual.otherLanguage, expected.otherLanguage);
}

TEST_F(SettingsKey, MissingKeyGivesDefaults) { expect_settings(read_settings(), defaults()); }

struct ReadCase {
    const char* what;
    std::vector<RegValue> values;
    std::function<void(ServiceSettings&)> expected;  // changes from the defaults
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.what; }

class ReadSettings : public SettingsKey, public testing::WithParamInterface<ReadCase> {};

TEST_P(ReadSettings, TakesValidValuesAndDefaultsTheRest)
{
    write(GetParam().values);
    ServiceSettings expected = defaults();
    GetParam().expected(expected);
    expect_settings(read_settings(), expected);
}

std::vector<BYTE> bytes_of(uint64_t value, size_t size)
{
    auto* p = reinterpret_cast<const BYTE*>(&value);
    return {p, p + size};
}

INSTANTIATE_TEST_SUITE_P(Values, ReadSettings,
                         testing::Values(
                             ReadCase{"method VNI", {dword(L"Method", 1)}, [](auto& s) { s.method = VNI; }},
                             ReadCase{"method 2 is Telex", {dword(L"Method", 2)}, [](auto&) {}},
                             ReadCase{"method as text", {text(L"Method", L"1")}, [](auto&) {}},
                             ReadCase{"method as qword", {{L"Method", REG_QWORD, bytes_of(1, 8)}}, [](auto&) {}},
                             // No writer stores the switch of the user's own shorthand
                             // yet: it keeps its default, on.
                             ReadCase{"options without known mask keep bits 6 and 7",
                                      {dword(L"Options", 0)},
                                      [](auto& s) { s.options = 0xC0 | OPT_USER_SHORTHAND; }},
                             ReadCase{"options with known mask",
                                      {dword(L"Options", 0), dword(L"OptionsKnown", 0xF7)},
                                      [](auto& s) { s.options = OPT_USER_SHORTHAND; }},
                             ReadCase{"english mode never stored",
                                      {dword(L"Options", 0x08), dword(L"OptionsKnown", 0xFF)},
                                      [](auto& s) { s.options = OPT_USER_SHORTHAND; }},
                             ReadCase{"shorthand and old tone on",
                                      {dword(L"Options", 0xF7), dword(L"OptionsKnown", 0xF7)},
                                      [](auto& s) { s.options = 0xF7 | OPT_USER_SHORTHAND; }},
                             ReadCase{"known mask alone changes nothing", {dword(L"OptionsKnown", 0xF7)}, [](auto&) {}},
                             ReadCase{"hints off from the dialog",
                                      {dword(L"OptionsKnown", 0xF7), dword(L"Options", 0x53)},
                                      [](auto& s) { s.options = 0x53 | OPT_USER_SHORTHAND; }},
                             ReadCase{
                                 "hints bit of a writer that did not know it", {dword(L"Options", 0x53)}, [](auto&) {}},
                             ReadCase{"options as qword", {{L"Options", REG_QWORD, bytes_of(0, 8)}}, [](auto&) {}},
                             ReadCase{"options of two bytes", {{L"Options", REG_DWORD, bytes_of(0, 2)}}, [](auto&) {}},
                             ReadCase{"malformed known mask counts as absent",
                                      {dword(L"Options", 0), {L"OptionsKnown", REG_BINARY, bytes_of(0xF7, 4)}},
                                      [](auto& s) { s.options = 0xC0 | OPT_USER_SHORTHAND; }},
                             ReadCase{"clear counter", {dword(L"ClearSeq", 7)}, [](auto& s) { s.clearSeq = 7; }},
                             ReadCase{"clear counter as text", {text(L"ClearSeq", L"7")}, [](auto&) {}},
                             ReadCase{"clear counter of eight bytes",
                                      {{L"ClearSeq", REG_DWORD, bytes_of(7, 8)}},
                                      [](auto&) {}},
                             ReadCase{"three-letter language",
                                      {text(L"MtOther", L"vie")},
                                      [](auto& s) { strcpy(s.otherLanguage, "vie"); }},
                             ReadCase{"language without terminator",
                                      {unterminated(L"MtOther", L"ja")},
                                      [](auto& s) { strcpy(s.otherLanguage, "ja"); }},
                             ReadCase{"upper-case language", {text(L"MtOther", L"FR")}, [](auto&) {}},
                             ReadCase{"one-letter language", {text(L"MtOther", L"f")}, [](auto&) {}},
                             ReadCase{"four-letter language", {text(L"MtOther", L"abcd")}, [](auto&) {}},
                             ReadCase{"language with a digit", {text(L"MtOther", L"f1")}, [](auto&) {}},
                             ReadCase{"overlong language", {text(L"MtOther", L"abcdefghij")}, [](auto&) {}},
                             ReadCase{
                                 "short language in an overlong value", {padded(L"MtOther", L"fr", 16)}, [](auto&) {}},
                             ReadCase{
                                 "language as expandable text", {text(L"MtOther", L"fr", REG_EXPAND_SZ)}, [](auto&) {}},
                             ReadCase{"voice takes the translation default",
                                      {text(L"HotkeyVoice", L"Ctrl+Alt+Y")},
                                      [](auto& s) {
                                          s.voiceHotkey = CTRL_ALT_Y;
                                          s.translateHotkey = NO_HOTKEY;
                                      }},
                             ReadCase{"both on one combination: voice wins",
                                      {text(L"HotkeyVoice", L"Alt+K"), text(L"HotkeyTranslate", L"alt+k")},
                                      [](auto& s) {
                                          s.voiceHotkey = {'K', HK_ALT};
                                      }},
                             ReadCase{"translation on the voice default falls back",
                                      {text(L"HotkeyTranslate", L"Ctrl+Alt+V")},
                                      [](auto&) {}},
                             ReadCase{"own translation hotkey",
                                      {text(L"HotkeyTranslate", L"Shift+Alt+F7")},
                                      [](auto& s) {
                                          s.translateHotkey = {0x76, HK_ALT | HK_SHIFT};
                                      }},
                             ReadCase{"hotkey without terminator",
                                      {unterminated(L"HotkeyVoice", L"Alt+K")},
                                      [](auto& s) {
                                          s.voiceHotkey = {'K', HK_ALT};
                                      }},
                             ReadCase{"reserved hotkey", {text(L"HotkeyVoice", L"Alt+F4")}, [](auto&) {}},
                             ReadCase{"unparseable hotkey", {text(L"HotkeyVoice", L"Ctrl+Alt+")}, [](auto&) {}},
                             ReadCase{"empty hotkey", {text(L"HotkeyVoice", L"")}, [](auto&) {}},
                             ReadCase{"short hotkey in an overlong value",
                                      {padded(L"HotkeyVoice", L"Alt+K", 80)},
                                      [](auto&) {}},
                             ReadCase{"hotkey value filling its buffer",
                                      {padded(L"HotkeyVoice", L"Alt+K", 78)},
                                      [](auto& s) {
                                          s.voiceHotkey = {'K', HK_ALT};
                                      }},
                             ReadCase{"overlong hotkey",
                                      {text(L"HotkeyVoice", L"Ctrl+Alt+Shift+K" + std::wstring(40, L' '))},
                                      [](auto&) {}},
                             ReadCase{"hotkey as expandable text",
                                      {text(L"HotkeyVoice", L"Alt+K", REG_EXPAND_SZ)},
                                      [](auto&) {}}),
                         [](const auto& info) { return case_name(info.param.what); });

struct OverrideCase {
    const wchar_t* value;
    bool accepted;
};

class SettingsKeyOverride : public testing::TestWithParam<OverrideCase> {};

TEST_P(SettingsKeyOverride, AcceptsOnlyKeysAtOrBelowTheDefault)
{
    EXPECT_EQ(settings_key_override_ok(GetParam().value), GetParam().accepted);
}

const std::wstring LONGEST = L"Software\\miraDot\\" + std::wstring(110, L'x');
const std::wstring TOO_LONG = LONGEST + L"y";

INSTANTIATE_TEST_SUITE_P(Paths, SettingsKeyOverride,
                         testing::Values(OverrideCase{L"Software\\miraDot", true},
                                         OverrideCase{L"SOFTWARE\\MIRADOT\\Test", true},
                                         OverrideCase{LONGEST.c_str(), true}, OverrideCase{nullptr, false},
                                         OverrideCase{L"", false}, OverrideCase{L"Software\\miraDo", false},
                                         OverrideCase{L"Software\\Other\\miraDot", false},
                                         OverrideCase{TOO_LONG.c_str(), false}),
                         [](const auto& info) { return case_name(info.param.value); });

// The key path is decided once per process, so each override is tried in a
// child run of this program; the child's test fails on another path.
TEST(SettingsKeyOfThisProcess, IsTheOneItsParentExpects)
{
    wchar_t expected[256];
    DWORD length = GetEnvironmentVariableW(L"MIRADOT_TEST_EXPECTED_KEY", expected, 256);
    if (length == 0 || length >= 256)
        GTEST_SKIP() << "only run by ResolveSettingsKey in a child process";
    EXPECT_EQ(std::wstring(resolve_settings_key()), expected);
}

TEST(ResolveSettingsKey, TakesTheOverrideOnlyWhenItNamesAKeyAtOrBelowTheDefault)
{
    const struct {
        std::wstring value;
        std::wstring expected;
    } cases[] = {
        {L"SOFTWARE\\MIRADOT\\Portable", L"SOFTWARE\\MIRADOT\\Portable"},
        {LONGEST, LONGEST},
        {TOO_LONG, L"Software\\miraDot"},
        {L"Software\\Other\\miraDot", L"Software\\miraDot"},
        {L"", L"Software\\miraDot"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.value));
        SetEnvironmentVariableW(L"MIRADOT_SETTINGS_KEY", c.value.c_str());
        SetEnvironmentVariableW(L"MIRADOT_TEST_EXPECTED_KEY", c.expected.c_str());
        EXPECT_EQ(run(this_program() + L" --gtest_filter=SettingsKeyOfThisProcess.*"), 0u);
    }
    SetEnvironmentVariableW(L"MIRADOT_TEST_EXPECTED_KEY", nullptr);
    SetEnvironmentVariableW(L"MIRADOT_SETTINGS_KEY", test_key().c_str());
}

// Waits for the asynchronous notification; poll itself never waits.
bool poll_soon(SettingsWatcher& watcher)
{
    for (int i = 0; i < 200; ++i) {
        if (watcher.poll())
            return true;
        Sleep(10);
    }
    return false;
}

TEST_F(SettingsKey, WatcherReportsEachValueChangeOnce)
{
    SettingsWatcher watcher;
    watcher.arm();  // creates the missing key
    EXPECT_FALSE(watcher.poll());
    write({dword(L"Method", 1)});
    EXPECT_TRUE(poll_soon(watcher));
    EXPECT_FALSE(watcher.poll());
    write({dword(L"Options", 0)});
    EXPECT_TRUE(poll_soon(watcher));
}

TEST_F(SettingsKey, WatcherIgnoresTheUpdateSubkey)
{
    write({}, L"Update");
    SettingsWatcher watcher;
    watcher.arm();
    write({text(L"Status", L"checked")}, L"Update");
    Sleep(200);
    EXPECT_FALSE(watcher.poll());
    write({dword(L"ClearSeq", 1)});
    EXPECT_TRUE(poll_soon(watcher));
}

TEST_F(SettingsKey, ClosedWatcherReportsNothing)
{
    SettingsWatcher watcher;
    watcher.arm();
    watcher.close();
    write({dword(L"Method", 1)});
    Sleep(200);
    EXPECT_FALSE(watcher.poll());
}

}  // namespace
