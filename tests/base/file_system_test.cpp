#include "base/file_system.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "store/web_folder.h"
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

  // Replacing: the new bytes in place, nothing left beside; into a missing folder, nothing.
  ASSERT_TRUE(fs.MakeDirs(dir));
  ASSERT_TRUE(fs.WriteFile(file, "old"));
  ASSERT_TRUE(fs.ReplaceFile(file, "new", {.OwnerOnly = true, .Durable = true}));
  EXPECT_EQ(fs.ReadFile(file), "new");
  EXPECT_EQ(fs.ListFiles(dir), std::vector<std::string>{"page.htm"});
  EXPECT_FALSE(fs.ReplaceFile(root + "/missing/x.htm", "x"));
  // Piece by piece: the old file stays whole until the commit, and stays whole when the new one
  // is abandoned.
  {
    auto piecewise = fs.BeginReplace(file);
    ASSERT_NE(piecewise, nullptr);
    EXPECT_TRUE(piecewise->Append("ne"));
    EXPECT_EQ(fs.ReadFile(file), "new");
    EXPECT_TRUE(piecewise->Append("wer"));
    EXPECT_TRUE(piecewise->Commit());
    EXPECT_FALSE(piecewise->Commit());
  }
  EXPECT_EQ(fs.ReadFile(file), "newer");
  {
    auto abandoned = fs.BeginReplace(file);
    ASSERT_NE(abandoned, nullptr);
    EXPECT_TRUE(abandoned->Append("half"));
  }
  EXPECT_EQ(fs.ReadFile(file), "newer");
  EXPECT_EQ(fs.ListFiles(dir), std::vector<std::string>{"page.htm"});
  EXPECT_TRUE(fs.RemoveFile(file));
  EXPECT_TRUE(fs.RemoveDir(dir));
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
  EXPECT_TRUE(RealFileSystem().MakeOwnerOnly(path));
  auto perms = std::filesystem::status(path).permissions();
  using std::filesystem::perms;
  EXPECT_EQ(perms & (perms::group_all | perms::others_all), perms::none);
  std::filesystem::remove(path);
  // Replaced owner-only, the file is never readable by others, not even while it is written.
  ASSERT_TRUE(RealFileSystem().ReplaceFile(path, "secret", {.OwnerOnly = true}));
  EXPECT_EQ(std::filesystem::status(path).permissions() & (perms::group_all | perms::others_all),
            perms::none);
  std::filesystem::remove(path);
}

// A link planted in a folder the program writes into never makes it write elsewhere: opening
// refuses the link, replacing puts a file of its own in the link's place, emptying the folder
// removes the link and not what it points at. Failures say why.
TEST(FileSystemTest, PlantedLinksAreNeverFollowed) {
  namespace fs = std::filesystem;
  const fs::path root = fs::path(::testing::TempDir()) / "korvane_links";
  fs::remove_all(root);
  fs::create_directories(root / "web" / "sub");
  fs::create_directories(root / "outside");
  const fs::path target = root / "outside" / "target.txt";
  ASSERT_TRUE(RealFileSystem().WriteFile(target.string(), "keep"));
  for (const char* name : {"LogFile.htm", "page.htm", "_Home.htm"}) {
    fs::create_symlink(target, root / "web" / name);
  }
  fs::create_symlink(root / "outside" / "nothing", root / "web" / "dangling.htm");
  TFileSystem& real = RealFileSystem();
  const std::string web = (root / "web").string() + "/";

  EXPECT_EQ(real.OpenForAppend(web + "LogFile.htm"), nullptr);
  EXPECT_NE(real.LastError().find("symbolic link"), std::string::npos) << real.LastError();
  EXPECT_EQ(real.OpenForWrite(web + "page.htm"), nullptr);
  EXPECT_EQ(real.OpenForWrite(web + "dangling.htm"), nullptr);
  EXPECT_FALSE(fs::exists(root / "outside" / "nothing"));
  ASSERT_TRUE(real.ReplaceFile(web + "_Home.htm", "home"));
  EXPECT_FALSE(fs::is_symlink(root / "web" / "_Home.htm"));
  EXPECT_EQ(real.ReadFile(target.string()), "keep");

  EXPECT_TRUE(DeleteFolderFiles(real, web).empty());
  EXPECT_TRUE(fs::is_empty(root / "web" / "sub") && fs::exists(root / "web" / "sub"));
  EXPECT_EQ(fs::directory_iterator(root / "web")->path().filename(), "sub");
  EXPECT_EQ(real.ReadFile(target.string()), "keep");

  EXPECT_FALSE(real.ReplaceFile((root / "none" / "x.htm").string(), "x"));
  EXPECT_EQ(real.LastError().rfind("no such file or folder: ", 0), 0u) << real.LastError();
  fs::remove_all(root);
}

TEST(FileSystemTest, WithSeparatorAddsOneAtMost) {
  EXPECT_EQ(WithSeparator("/home/webs"), "/home/webs/");
  EXPECT_EQ(WithSeparator("/home/webs/"), "/home/webs/");
  EXPECT_EQ(WithSeparator(""), "/");
}

}  // namespace
}  // namespace korvane
