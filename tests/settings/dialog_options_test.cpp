// The method and the seven typing behaviours: what the dialog shows for the
// values it finds, and the three values one click writes.
#include "settings_window.h"

#include <gtest/gtest.h>

#include "case_name.h"

namespace {

constexpr int TELEX = 101, VNI = 102;
// The behaviour check boxes with their option bits.
constexpr struct {
    int id;
    DWORD bit;
} BOXES[] = {{103, 0x01}, {104, 0x02}, {118, 0x40}, {119, 0x80}, {106, 0x10}, {117, 0x20}, {105, 0x04}};

struct Stored {
    DWORD type;
    std::vector<BYTE> bytes;
};

Stored dword(DWORD value)
{
    const BYTE* b = reinterpret_cast<const BYTE*>(&value);
    return {REG_DWORD, {b, b + 4}};
}

struct OptionsCase {
    const char* name;
    std::vector<std::pair<const wchar_t*, Stored>> values;
    DWORD shown;    // option bits the check boxes show
    bool vni;       // the method shown
    int click;      // the control clicked afterwards
    DWORD written;  // "Options" after the click
    DWORD method;   // "Method" after the click
};

const OptionsCase CASES[] = {
    {"fresh user", {}, 0xD3, false, 104, 0xD1, 0},
    {"Options 0x01 without OptionsKnown", {{L"Options", dword(0x01)}}, 0xC1, false, VNI, 0xC1, 1},
    {"Options 0x00 with OptionsKnown 0xF7",
     {{L"Options", dword(0)}, {L"OptionsKnown", dword(0xF7)}},
     0x00,
     false,
     105,
     0x04,
     0},
    // All-ones words read the way the text service reads them, so that the
    // dialog never shows other options than those in effect.
    {"OptionsKnown 0xFFFFFFFF as the text service reads it",
     {{L"Options", dword(0)}, {L"OptionsKnown", dword(0xFFFFFFFF)}},
     0x00,
     false,
     103,
     0x01,
     0},
    {"Options 0xFFFFFFFF as the text service reads it", {{L"Options", dword(0xFFFFFFFF)}}, 0xF7, false, 117, 0xD7, 0},
    {"bit 3 never shows or goes back",
     {{L"Options", dword(0xFF)}, {L"OptionsKnown", dword(0xFF)}},
     0xF7,
     false,
     TELEX,
     0xF7,
     0},
    {"Options as a QWORD is ignored", {{L"Options", {REG_QWORD, {0, 0, 0, 0, 0, 0, 0, 0}}}}, 0xD3, false, 106, 0xC3, 0},
    {"Options of two bytes is ignored", {{L"Options", {REG_DWORD, {0, 0}}}}, 0xD3, false, 106, 0xC3, 0},
    {"Options as text is ignored", {{L"Options", {REG_SZ, {'0', 0, 0, 0}}}}, 0xD3, false, 119, 0x53, 0},
    {"Method 1 is VNI", {{L"Method", dword(1)}}, 0xD3, true, TELEX, 0xD3, 0},
    {"Method 2 is Telex", {{L"Method", dword(2)}}, 0xD3, false, VNI, 0xD3, 1},
    {"Method as text is Telex", {{L"Method", {REG_SZ, {'1', 0, 0, 0}}}}, 0xD3, false, 118, 0x93, 0},
};

class DialogOptions : public testing::TestWithParam<OptionsCase> {};

TEST_P(DialogOptions, ShowsTheStoredValuesAndWritesAllThreeOnAClick)
{
    const OptionsCase& c = GetParam();
    std::wstring key = fresh_settings_key(L"options");
    for (const auto& [name, stored] : c.values)
        write_raw(key, name, stored.type, stored.bytes.data(), DWORD(stored.bytes.size()));
    SettingsProgram program(Environment{{L"MIRADOT_SETTINGS_KEY", key}});
    ASSERT_TRUE(program.dialog());
    EXPECT_EQ(program.checked(VNI), c.vni);
    EXPECT_EQ(program.checked(TELEX), !c.vni);
    for (const auto& box : BOXES)
        EXPECT_EQ(program.checked(box.id), (c.shown & box.bit) != 0) << "check box " << box.id;

    program.click(c.click);
    EXPECT_TRUE(wait_until([&] { return read_dword(key, L"Method").has_value(); }));
    EXPECT_EQ(read_dword(key, L"OptionsKnown"), 0xF7u);
    EXPECT_EQ(read_dword(key, L"Options"), c.written);
    EXPECT_EQ(read_dword(key, L"Method"), c.method);
}

INSTANTIATE_TEST_SUITE_P(Cases, DialogOptions, testing::ValuesIn(CASES),
                         [](const auto& info) { return case_name(std::string_view(info.param.name)); });

TEST(DialogOptionsKey, AnOverrideOutsideTheProductKeyIsIgnored)
{
    const std::wstring product = L"Software\\miraDot";
    const wchar_t* names[] = {L"Method", L"Options", L"OptionsKnown"};
    std::optional<DWORD> before[3];
    for (int n = 0; n < 3; ++n)
        before[n] = read_dword(product, names[n]);
    {
        SettingsProgram program(Environment{{L"MIRADOT_SETTINGS_KEY", L"Software\\Other\\miraDot"}});
        ASSERT_TRUE(program.dialog());
        program.click(before[0] == 1u ? TELEX : VNI);
        EXPECT_TRUE(wait_until([&] { return read_dword(product, L"Method") != before[0]; }));
    }
    EXPECT_FALSE(read_dword(L"Software\\Other\\miraDot", L"Method"));
    // The shared prefix's default key is left as it was found.
    for (int n = 0; n < 3; ++n)
        if (before[n])
            write_dword(product, names[n], *before[n]);
        else
            RegDeleteKeyValueW(HKEY_CURRENT_USER, product.c_str(), names[n]);
}

}  // namespace

namespace {

TEST(DialogUpdateSwitch, ShowsAndWritesUpdateCheck)
{
    constexpr int UPDATE_CHECK = 113;
    std::wstring key = fresh_settings_key(L"update-switch");
    write_raw(key, L"UpdateCheck", REG_SZ, L"0", 4);  // not a DWORD: on
    {
        SettingsProgram program(Environment{{L"MIRADOT_SETTINGS_KEY", key}});
        ASSERT_TRUE(program.dialog());
        EXPECT_TRUE(program.checked(UPDATE_CHECK));
        program.click(UPDATE_CHECK);
        EXPECT_TRUE(wait_until([&] { return read_dword(key, L"UpdateCheck") == 0u; }, 3000));
    }
    SettingsProgram program(Environment{{L"MIRADOT_SETTINGS_KEY", key}});
    ASSERT_TRUE(program.dialog());
    EXPECT_FALSE(program.checked(UPDATE_CHECK));
    program.click(UPDATE_CHECK);
    EXPECT_TRUE(wait_until([&] { return read_dword(key, L"UpdateCheck") == 1u; }, 3000));
    // The other values stay untouched by this switch.
    EXPECT_FALSE(read_dword(key, L"Options"));
}

}  // namespace
