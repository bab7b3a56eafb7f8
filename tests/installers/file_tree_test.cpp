#include <windows.h>

#include <gtest/gtest.h>

#include "file_tree.h"
#include "temp_folder.h"

namespace {

TEST(DeleteTree, RemovesNestedFilesReadOnlyOnesIncluded)
{
    TempFolder folder(L"delete-tree");
    const std::filesystem::path root = folder.path() / "root";
    folder.write("root/a.txt", "a");
    folder.write("root/sub/deeper/b.bin", std::string(70000, 'b'));
    std::filesystem::path locked = folder.write("root/sub/ro.txt", "r");
    SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_READONLY);
    std::filesystem::create_directories(root / "empty");

    EXPECT_TRUE(delete_tree(root.wstring()));
    EXPECT_FALSE(std::filesystem::exists(root));
    EXPECT_FALSE(delete_tree(root.wstring())) << "nothing left to remove is no success";
}

TEST(DeleteTree, AFileInUseFailsTheWholeAndKeepsItsFolder)
{
    TempFolder folder(L"delete-tree-open");
    const std::filesystem::path root = folder.path() / "root";
    folder.write("root/free.txt", "f");
    std::filesystem::path held = folder.write("root/sub/model.bin", "m");
    HANDLE open = CreateFileW(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(open, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(delete_tree(root.wstring()));
    EXPECT_TRUE(std::filesystem::exists(held));
    EXPECT_FALSE(std::filesystem::exists(root / "free.txt"));
    CloseHandle(open);
    EXPECT_TRUE(delete_tree(root.wstring()));
}

TEST(TreeSize, AddsEveryFileBelowAndIsZeroForAMissingFolder)
{
    TempFolder folder(L"tree-size");
    folder.write("a.txt", "12345");
    folder.write("sub/b.bin", std::string(100000, 'b'));
    folder.write("sub/deeper/c", "");
    EXPECT_EQ(tree_size(folder.path().wstring()), 100005u);
    EXPECT_EQ(tree_size((folder.path() / "absent").wstring()), 0u);
}

TEST(WriteTextFile, WritesExactlyTheTextAndTruncates)
{
    TempFolder folder(L"write-text");
    std::filesystem::path file = folder.write("python314._pth", std::string(500, 'x'));
    EXPECT_TRUE(write_text_file(file.wstring(), "python314.zip\r\n.\r\nsite\r\n"));
    EXPECT_EQ(read_file(file), "python314.zip\r\n.\r\nsite\r\n");
    EXPECT_FALSE(write_text_file((folder.path() / "absent" / "ok").wstring(), "x"));
}

}  // namespace
