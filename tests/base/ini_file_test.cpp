#include "base/ini_file.h"

#include <gtest/gtest.h>

#include "support/mem_file_system.h"

namespace korvane {
namespace {

TEST(IniFileTest, SectionsAndKeysIgnoreCaseValuesAreBytes) {
  TIniFile ini;
  ini.LoadFromString("[Options]\nMaxSockets=7\nName=caf\xE9 cr\xE8me\n[DEFAULT]\nRefLimit=1\n");
  EXPECT_EQ(ini.ReadInteger("options", "maxsockets", 5), 7);
  EXPECT_EQ(ini.ReadString("OPTIONS", "NAME", ""), "caf\xE9 cr\xE8me");
  EXPECT_TRUE(ini.ReadBool("default", "reflimit", false));
  EXPECT_TRUE(ini.HasSection("Default"));
  EXPECT_FALSE(ini.HasKey("Options", "Missing"));
}

TEST(IniFileTest, BadNumbersGiveTheFallback) {
  TIniFile ini;
  ini.LoadFromString("[s]\na=12x\nb=\nc=-40\nd=99999999999\ne=+3\nf=2\ng=0\n");
  EXPECT_EQ(ini.ReadInteger("s", "a", 9), 9);
  EXPECT_EQ(ini.ReadInteger("s", "b", 9), 9);
  EXPECT_EQ(ini.ReadInteger("s", "c", 9), -40);
  EXPECT_EQ(ini.ReadInteger("s", "d", 9), 9);
  EXPECT_EQ(ini.ReadInteger("s", "e", 9), 3);
  EXPECT_TRUE(ini.ReadBool("s", "f", false));  // any number but 0
  EXPECT_FALSE(ini.ReadBool("s", "g", true));
  EXPECT_TRUE(ini.ReadBool("s", "a", true));     // not a number: the fallback
  EXPECT_EQ(ini.ReadString("s", "b", "x"), "");  // present but empty is empty
}

TEST(IniFileTest, DamagedTextKeepsWhatItCanRead) {
  TIniFile ini;
  ini.LoadFromString(std::string("\0\xFF[[x\n=novalue\n[ok]\nkey=1\ngarbage line\n[broken\n", 44));
  EXPECT_EQ(ini.ReadInteger("ok", "key", 0), 1);
}

TEST(IniFileTest, UnknownKeysSurviveAndNewKeysKeepTheirOrder) {
  TIniFile ini;
  ini.LoadFromString("[Web]\nUrl=http://a.com/\nTheirs=kept\n");
  ini.WriteString("Web", "Url", "http://b.com/");
  ini.WriteString("Web", "Path", "/w/");
  ini.WriteString("New", "Z", "1");
  ini.WriteString("New", "A", "2");
  EXPECT_EQ(ini.SaveToString(),
            "[Web]\nUrl=http://b.com/\nTheirs=kept\nPath=/w/\n\n\n[New]\nZ=1\nA=2\n");
  EXPECT_EQ(ini.Keys("new"), (std::vector<std::string>{"Z", "A"}));
}

TEST(IniFileTest, SaveReplacesTheFileOnlyWhenTheWriteSucceeded) {
  testing::TMemFileSystem fs;
  ASSERT_TRUE(fs.MakeDirs("/w"));
  fs.files["/w/korvane.ini"] = "[Options]\nMaxSockets=3\n";
  TIniFile ini;
  ASSERT_TRUE(ini.LoadFromFile(fs, "/w/korvane.ini"));
  ini.WriteInteger("Options", "MaxSockets", 9);

  fs.write_budget = 4;  // the disk fills up during the write
  EXPECT_FALSE(ini.SaveToFile(fs, "/w/korvane.ini"));
  EXPECT_EQ(fs.files["/w/korvane.ini"], "[Options]\nMaxSockets=3\n");
  EXPECT_FALSE(fs.FileExists("/w/korvane.ini.tmp"));

  fs.write_budget = -1;
  ASSERT_TRUE(ini.SaveToFile(fs, "/w/korvane.ini"));
  TIniFile back;
  ASSERT_TRUE(back.LoadFromFile(fs, "/w/korvane.ini"));
  EXPECT_EQ(back.ReadInteger("Options", "MaxSockets", 0), 9);
  EXPECT_FALSE(back.LoadFromFile(fs, "/w/missing.ini"));
}

}  // namespace
}  // namespace korvane
