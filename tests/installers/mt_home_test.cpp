#include <windows.h>

#include <gtest/gtest.h>

#include "mt_home.h"
#include "installer_fixture.h"
#include "temp_folder.h"

namespace {

TEST(MtHomePath, ChoosesTheOverrideOrLocalAppDataAndCreatesIt)
{
    TempFolder folder(L"mt-home");
    const std::wstring base = folder.path().wstring();
    const std::wstring local = base + L"\\local";
    std::filesystem::create_directories(local);
    const std::wstring fits = base + L"\\" + std::wstring(218 - base.size(), L'h');
    const std::wstring tooLong = base + L"\\" + std::wstring(219 - base.size(), L'h');
    ASSERT_EQ(fits.size(), 219u);
    struct Case {
        const char* name;
        std::wstring override, localAppData;
        bool found;
        std::wstring home;
    };
    const Case cases[] = {
        {"override of 219 characters", fits, local, true, fits},
        {"override of 220 characters is ignored", tooLong, local, true, local + L"\\miraDot\\mt"},
        {"no override", L"", local, true, local + L"\\miraDot\\mt"},
        {"neither", L"", L"", false, L""},
        {"local application data of 220 characters", L"", tooLong, false, L""},
    };
    for (const Case& c : cases) {
        ScopedEnvironment environment;
        environment.set(L"MIRADOT_MT_HOME", c.override);
        environment.set(L"LOCALAPPDATA", c.localAppData);
        std::wstring home;
        EXPECT_EQ(mt_home_path(home), c.found) << c.name;
        if (!c.found)
            continue;
        EXPECT_EQ(home, c.home) << c.name;
        EXPECT_TRUE(std::filesystem::is_directory(home)) << c.name;
    }
}

TEST(RuntimeMarker, OnlyTheCurrentVersionCountsAsInstalled)
{
    TempFolder folder(L"mt-marker");
    ScopedEnvironment environment;
    environment.set(L"MIRADOT_MT_HOME", folder.path().wstring());
    EXPECT_FALSE(is_runtime_installed()) << "no runtime";
    const std::string current = RUNTIME_VERSION;
    const std::pair<std::string, bool> cases[] = {
        {current + "\r\n", true},
        {current, true},
        {"python-3.14.9 ctranslate2-4.9.2 sentencepiece-0.2.3 msvc-14.51.36231\r\n", false},
        {current.substr(0, 68), false},
        {"", false},
    };
    for (const auto& [content, installed] : cases) {
        folder.write("runtime/ok", content);
        EXPECT_EQ(is_runtime_installed(), installed) << content;
    }
}

TEST(FreeSpace, IsTheVolumesAnswerForTheHome)
{
    TempFolder folder(L"mt-free");
    ScopedEnvironment environment;
    environment.set(L"MIRADOT_MT_HOME", (folder.path() / "home").wstring());
    uint64_t free = free_space_bytes();
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "home")) << "asking makes no folder";
    EXPECT_GT(free, 0u);
    ULARGE_INTEGER available;
    ASSERT_TRUE(GetDiskFreeSpaceExW(folder.path().c_str(), &available, nullptr, nullptr));
    EXPECT_LT(free > available.QuadPart ? free - available.QuadPart : available.QuadPart - free, 100000000u);

    environment.set(L"MIRADOT_MT_HOME", L"");
    environment.set(L"LOCALAPPDATA", L"");
    EXPECT_EQ(free_space_bytes(), 0u) << "no home, no answer";
}

}  // namespace
