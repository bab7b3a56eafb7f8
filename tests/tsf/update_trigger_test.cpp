// The once-a-day background check: the registry stamps and switches it
// reads, the "Spawn" stamp it writes, and the program it starts. The
// program here is this test program itself, which, started with "--check",
// only leaves a marker file behind.
#include "settings_launcher.h"
#include "settings_store.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <optional>

#include "case_name.h"

using namespace miradot;

namespace {

namespace fs = std::filesystem;

constexpr uint64_t HOUR = 3600, DAY = 86400;

std::wstring update_key() { return std::wstring(resolve_settings_key()) + L"\\Update"; }

uint64_t unix_now()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return ((uint64_t(now.dwHighDateTime) << 32 | now.dwLowDateTime) / 10000000) - 11644473600ULL;
}

void write_stamp(const wchar_t* name, uint64_t value)
{
    RegSetKeyValueW(HKEY_CURRENT_USER, update_key().c_str(), name, REG_QWORD, &value, sizeof value);
}

std::optional<uint64_t> read_stamp(const wchar_t* name)
{
    uint64_t value = 0;
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, update_key().c_str(), name, RRF_RT_REG_QWORD, nullptr, &value, &size)
        != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

std::wstring this_program_path()
{
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::wstring(path, length);
}

fs::path marker()
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    return fs::path(temp) / ("miradot-trigger-" + std::to_string(GetCurrentProcessId()));
}

// Whether the started program left its marker.
bool started_within(DWORD ms)
{
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        if (fs::exists(marker()))
            return true;
        Sleep(50);
    }
    return false;
}

struct TriggerCase {
    const char* name;
    std::optional<int64_t> lastAgo, spawnAgo;  // seconds before now; negative: in the future
    std::optional<DWORD> updateCheck;
    bool appContainer;
    bool disabledByEnvironment;
    bool starts;
};

const TriggerCase CASES[] = {
    {"fresh user", std::nullopt, std::nullopt, std::nullopt, false, false, true},
    {"last check 25 hours old and spawn 2 hours old", 25 * HOUR, 2 * HOUR, std::nullopt, false, false, true},
    {"last check 1 hour old", HOUR, std::nullopt, std::nullopt, false, false, false},
    {"last check 1 hour old whatever spawn holds", HOUR, 2 * HOUR, std::nullopt, false, false, false},
    {"spawn 10 minutes old and no last check", std::nullopt, 600, std::nullopt, false, false, false},
    {"last check a day in the future", -int64_t(DAY), std::nullopt, std::nullopt, false, false, true},
    {"spawn in the future", 2 * DAY, -int64_t(HOUR), std::nullopt, false, false, true},
    {"UpdateCheck 0", std::nullopt, std::nullopt, 0, false, false, false},
    {"UpdateCheck 2 is on", std::nullopt, std::nullopt, 2, false, false, true},
    {"a sandboxed application", std::nullopt, std::nullopt, std::nullopt, true, false, false},
    {"MIRADOT_NO_UPDATE_CHECK", std::nullopt, std::nullopt, std::nullopt, false, true, false},
};

class UpdateTrigger : public testing::TestWithParam<TriggerCase> {
protected:
    void SetUp() override
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, resolve_settings_key());
        fs::remove(marker());
    }
    void TearDown() override
    {
        SetEnvironmentVariableW(L"MIRADOT_NO_UPDATE_CHECK", nullptr);
        RegDeleteTreeW(HKEY_CURRENT_USER, resolve_settings_key());
    }
};

TEST_P(UpdateTrigger, StartsTheCheckOnlyWhenDue)
{
    const TriggerCase& c = GetParam();
    uint64_t now = unix_now();
    if (c.lastAgo)
        write_stamp(L"Last", now - *c.lastAgo);
    if (c.spawnAgo)
        write_stamp(L"Spawn", now - *c.spawnAgo);
    if (c.updateCheck)
        RegSetKeyValueW(HKEY_CURRENT_USER, resolve_settings_key(), SETTINGS_UPDATE_CHECK, REG_DWORD, &*c.updateCheck,
                        4);
    if (c.disabledByEnvironment)
        SetEnvironmentVariableW(L"MIRADOT_NO_UPDATE_CHECK", L"1");
    std::optional<uint64_t> spawnBefore = read_stamp(L"Spawn");

    EXPECT_EQ(start_update_check_if_due(this_program_path(), c.appContainer), c.starts);
    EXPECT_EQ(started_within(c.starts ? 10000 : 1000), c.starts);
    if (c.starts) {
        ASSERT_TRUE(read_stamp(L"Spawn"));
        EXPECT_LE(*read_stamp(L"Spawn") - now, 5u);
    } else {
        EXPECT_EQ(read_stamp(L"Spawn"), spawnBefore);
    }
}

INSTANTIATE_TEST_SUITE_P(Stamps, UpdateTrigger, testing::ValuesIn(CASES),
                         [](const auto& info) { return case_name(std::string_view(info.param.name)); });

TEST(UpdateTriggerStamps, ValuesOfAnotherTypeCountAsMissing)
{
    RegDeleteTreeW(HKEY_CURRENT_USER, resolve_settings_key());
    DWORD recent = DWORD(unix_now() - 60);
    RegSetKeyValueW(HKEY_CURRENT_USER, update_key().c_str(), L"Last", REG_DWORD, &recent, 4);
    RegSetKeyValueW(HKEY_CURRENT_USER, update_key().c_str(), L"Spawn", REG_DWORD, &recent, 4);
    fs::remove(marker());
    EXPECT_TRUE(start_update_check_if_due(this_program_path(), false));
    EXPECT_TRUE(started_within(10000));
    RegDeleteTreeW(HKEY_CURRENT_USER, resolve_settings_key());
}

// The registry is consulted at most once an hour per process: a second
// call within the hour writes no new stamp, even with the stamp gone.
TEST(UpdateTriggerThrottle, ConsultsTheRegistryOnceAnHour)
{
    RegDeleteTreeW(HKEY_CURRENT_USER, resolve_settings_key());
    update_check_trigger();
    EXPECT_TRUE(read_stamp(L"Spawn"));
    RegDeleteTreeW(HKEY_CURRENT_USER, resolve_settings_key());
    update_check_trigger();
    EXPECT_FALSE(read_stamp(L"Spawn"));
}

TEST(SettingsProgramPath, IsInTheParentOfTheDllFolder)
{
    std::wstring program;
    ASSERT_TRUE(settings_program_path(&program));
    fs::path here = fs::path(this_program_path()).parent_path().parent_path();
    EXPECT_EQ(fs::path(program), here / "miraDot-Settings.exe");
}

}  // namespace

int main(int argc, char** argv)
{
    // Started by the trigger: leave the marker of the parent test and end.
    if (argc == 2 && std::string(argv[1]) == "--check") {
        wchar_t parent[32] = {};
        GetEnvironmentVariableW(L"MIRADOT_TRIGGER_PARENT", parent, 32);
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        std::ofstream(fs::path(temp) / (L"miradot-trigger-" + std::wstring(parent))) << "started";
        return 0;
    }
    SetEnvironmentVariableW(L"MIRADOT_TRIGGER_PARENT", std::to_wstring(GetCurrentProcessId()).c_str());
    SetEnvironmentVariableW(L"MIRADOT_SETTINGS_KEY",
                            (L"Software\\miraDot\\trigger-test-" + std::to_wstring(GetCurrentProcessId())).c_str());
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
