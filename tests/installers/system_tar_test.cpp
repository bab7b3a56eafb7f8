#include <windows.h>

#include <gtest/gtest.h>

#include "installer_fixture.h"
#include "system_tar.h"
#include "temp_folder.h"

namespace {

std::wstring quoted(const std::filesystem::path& path) { return L"\"" + path.wstring() + L"\""; }

TEST(SystemTar, UnpacksIntoAFolderWithSpacesAndVietnameseLetters)
{
    TempFolder folder(L"system-tar");
    const std::filesystem::path target = folder.path() / L"thư mục thử";
    std::filesystem::create_directories(target);
    EXPECT_TRUE(run_system_tar(L"-xf " + quoted(test_archive("python.zip")) + L" -C " + quoted(target), 60000));
    EXPECT_EQ(read_file(target / "pythonw.exe"), "MZ pythonw");
}

TEST(SystemTar, NamedMembersOnly)
{
    TempFolder folder(L"system-tar-members");
    EXPECT_TRUE(run_system_tar(L"-xf " + quoted(test_archive("msvc_runtime.whl")) + L" -C " + quoted(folder.path())
                                   + L" msvc_runtime-14.51.36231.data/data/msvcp140.dll"
                                     L" msvc_runtime-14.51.36231.dist-info/licenses/LICENSE",
                               60000));
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "msvc_runtime-14.51.36231.data/data/msvcp140.dll"));
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "msvc_runtime-14.51.36231.dist-info/licenses/LICENSE"));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "msvc_runtime-14.51.36231.data/data/vcruntime140.dll"));
}

TEST(SystemTar, FailsForABrokenArchiveAndWithoutTar)
{
    TempFolder folder(L"system-tar-fail");
    EXPECT_FALSE(
        run_system_tar(L"-xjf " + quoted(test_archive("error-page.tar.bz2")) + L" -C " + quoted(folder.path()), 60000));
    NoSystemTar noTar;
    EXPECT_FALSE(run_system_tar(L"-xf " + quoted(test_archive("python.zip")) + L" -C " + quoted(folder.path()), 60000));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "python.exe"));
}

}  // namespace
