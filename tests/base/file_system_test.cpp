#include "base/file_system.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/mem_file_system.h"

namespace korvane {
namespace {

// The same contract, checked on the real file system and on the test double.
void CheckContract(TFileSystem& fs, const std::string& root) {
  const std::string dir = root + "/a/b";
  ASSERT_TRUE(fs.MakeDirs(dir));
  EXPECT_TRUE(fs.DirectoryExists(dir));
  EXPECT_TRUE(fs.DirectoryExists(dir + "/"));
  const std::string file = dir + "/page.htm";
  EXPECT_FALSE(fs.FileExists(file));
  EXPECT_EQ(fs.FileSize(file), -1);
  EXPECT_FALSE(fs.ReadFile(file).has_value());

  auto out = fs.OpenForWrite(file);
  ASSERT_NE(out, nullptr);
  EXPECT_TRUE(out->Append("<HTML>"));
  EXPECT_TRUE(out->Append(std::string("\0\xE9", 2)));
  EXPECT_TRUE(out->Close());
  EXPECT_EQ(fs.ReadFile(file), std::string("<HTML>\0\xE9", 8));
  EXPECT_EQ(fs.FileSize(file), 8);

  auto more = fs.OpenForAppend(file);
  ASSERT_NE(more, nullptr);
  EXPECT_TRUE(more->Append("<br>"));
  EXPECT_TRUE(more->Close());
  EXPECT_EQ(fs.ReadFile(file), std::string("<HTML>\0\xE9<br>", 12));
  auto fresh = fs.OpenForAppend(dir + "/log.htm");
  ASSERT_NE(fresh, nullptr);
  EXPECT_TRUE(fresh->Close());
  EXPECT_EQ(fs.FileSize(dir + "/log.htm"), 0);
  EXPECT_TRUE(fs.RemoveFile(dir + "/log.htm"));

  ASSERT_TRUE(fs.WriteFile(dir + "/other.gif", "GIF89a"));
  ASSERT_TRUE(fs.RenameFile(dir + "/other.gif", file));
  EXPECT_EQ(fs.ReadFile(file), "GIF89a");
  EXPECT_FALSE(fs.FileExists(dir + "/other.gif"));
  std::vector<std::string> names = fs.ListFiles(dir);
  EXPECT_EQ(names, std::vector<std::string>{"page.htm"});

  EXPECT_FALSE(fs.RemoveDir(dir));  // not empty
  EXPECT_TRUE(fs.RemoveFile(file));
  EXPECT_FALSE(fs.RemoveFile(file));
  EXPECT_TRUE(fs.RemoveDir(dir));
  EXPECT_FALSE(fs.DirectoryExists(dir));
  EXPECT_EQ(fs.OpenForWrite(root + "/missing/x.htm"), nullptr);
}

TEST(FileSystemTest, RealFileSystemKeepsTheContract) {
  std::string root = ::testing::TempDir() + "korvane_fs_test";
  std::filesystem::remove_all(root);
  CheckContract(RealFileSystem(), root);
  EXPECT_GT(RealFileSystem().FreeSpace(root), 0);
  std::filesystem::remove_all(root);
}

TEST(FileSystemTest, MemFileSystemKeepsTheContract) {
  testing::TMemFileSystem fs;
  CheckContract(fs, "/tmp/webs");
}

TEST(FileSystemTest, MemFileSystemFillsUp) {
  testing::TMemFileSystem fs;
  ASSERT_TRUE(fs.MakeDirs("/w"));
  fs.write_budget = 5;
  auto out = fs.OpenForWrite("/w/big.bin");
  EXPECT_TRUE(out->Append("abc"));
  EXPECT_FALSE(out->Append("defg"));
  EXPECT_EQ(fs.files["/w/big.bin"], "abcde");
}

TEST(FileSystemTest, OwnerOnlyPermissions) {
  std::string path = ::testing::TempDir() + "korvane_owner_only";
  ASSERT_TRUE(RealFileSystem().WriteFile(path, "secret"));
  RealFileSystem().MakeOwnerOnly(path);
  auto perms = std::filesystem::status(path).permissions();
  using std::filesystem::perms;
  EXPECT_EQ(perms & (perms::group_all | perms::others_all), perms::none);
  std::filesystem::remove(path);
}

TEST(FileSystemTest, WithSeparatorAddsOneAtMost) {
  EXPECT_EQ(WithSeparator("/home/webs"), "/home/webs/");
  EXPECT_EQ(WithSeparator("/home/webs/"), "/home/webs/");
  EXPECT_EQ(WithSeparator(""), "/");
}

}  // namespace
}  // namespace korvane
