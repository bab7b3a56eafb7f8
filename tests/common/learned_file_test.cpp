#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "learned_file.h"

namespace {

// The shorthand list takes its name from the learned-data file, so that each
// MIRADOT_USER_FILE of a test run has a list of its own.
TEST(ShorthandFilePath, LiesBesideTheLearnedDataFile)
{
    const struct {
        const wchar_t* userFile;
        const wchar_t* expected;
    } cases[] = {
        {L"C:\\data\\user.tsv", L"C:\\data\\user-shorthand.tsv"},
        {L"C:\\data.d\\learned", L"C:\\data.d\\learned-shorthand.tsv"},
        {L"C:\\data\\run-7.v1.tsv", L"C:\\data\\run-7.v1-shorthand.tsv"},
        {L"Z:/tmp/host-learned.tsv", L"Z:/tmp/host-learned-shorthand.tsv"},
    };
    for (const auto& c : cases) {
        SetEnvironmentVariableW(L"MIRADOT_USER_FILE", c.userFile);
        std::wstring path;
        ASSERT_TRUE(shorthand_file_path(&path));
        EXPECT_EQ(path, c.expected);
    }
    SetEnvironmentVariableW(L"MIRADOT_USER_FILE", nullptr);
    wchar_t appData[MAX_PATH] = {};
    DWORD kept = GetEnvironmentVariableW(L"APPDATA", appData, MAX_PATH);
    SetEnvironmentVariableW(L"APPDATA", L"C:\\Users\\an\\AppData\\Roaming");
    std::wstring path;
    bool found = shorthand_file_path(&path);
    SetEnvironmentVariableW(L"APPDATA", kept ? appData : nullptr);
    ASSERT_TRUE(found);
    EXPECT_EQ(path, L"C:\\Users\\an\\AppData\\Roaming\\miraDot\\user-shorthand.tsv");
}

}  // namespace
