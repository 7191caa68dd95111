#include "settings/navigator.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace korvane {
namespace {

TEST(NavigatorTest, ProgramOfAnOpenCommand) {
  EXPECT_EQ(ExeNameFromOpenCommand("\"C:\\NETSCAPE\\NETSCAPE.EXE\" \"%1\""),
            "C:\\NETSCAPE\\NETSCAPE.EXE");
  EXPECT_EQ(ExeNameFromOpenCommand("/usr/bin/firefox %u"), "/usr/bin/firefox");
  EXPECT_EQ(ExeNameFromOpenCommand("/usr/bin/browser"), "/usr/bin/browser");
  // A quoted path holding a blank is cut inside the quotes and keeps its opening quote.
  EXPECT_EQ(ExeNameFromOpenCommand("\"/opt/My Browser/run\" %u"), "\"/opt/My");
  EXPECT_EQ(ExeNameFromOpenCommand(""), "");
  EXPECT_EQ(ExeNameFromOpenCommand("\""), "\"");
}

TEST(NavigatorTest, ServiceName) {
  EXPECT_EQ(DdeServiceName("C:\\PROGRAMS\\netscape.exe"), "NETSCAPE");
  EXPECT_EQ(DdeServiceName("/usr/bin/firefox-esr"), "FIREFOX-ESR");
  EXPECT_EQ(DdeServiceName("/opt/a.b/nav.x.exe"), "NAV");
}

TEST(NavigatorTest, SplitQuotedList) {
  EXPECT_EQ(SplitQuotedList("\"a\",\"\",x \"b\\\"c\\\\\" \"open"),
            (std::vector<std::string>{"a", "", "b\"c\\"}));
  EXPECT_TRUE(SplitQuotedList("no quotes at all").empty());
  EXPECT_TRUE(SplitQuotedList("\"never closed").empty());
}

TEST(NavigatorTest, WindowInfoReply) {
  std::string url, title;
  ASSERT_TRUE(ParseWindowInfoReply("\"http://www.a.com/\",\"NetScape - [Welcome page]\"", 255, 255,
                                   url, title));
  EXPECT_EQ(url, "http://www.a.com/");
  EXPECT_EQ(title, "Welcome page");

  EXPECT_FALSE(ParseWindowInfoReply("http://www.a.com/", 255, 255, url, title));
  EXPECT_EQ(url, "");

  ASSERT_TRUE(ParseWindowInfoReply("\"http://www.a.com/\"", 255, 255, url, title));
  EXPECT_EQ(title, "");

  ASSERT_TRUE(
      ParseWindowInfoReply("\"http://www.a.com/long\",\"  Other [x]  \"", 10, 6, url, title));
  EXPECT_EQ(url, "http://www");
  EXPECT_EQ(title, "Other ");
}

// The real platform, pointed at a stand-in desktop database and program in a temporary folder.
class SystemNavigatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ =
        std::filesystem::path(::testing::TempDir()) / ("korvane_nav_" + std::to_string(getpid()));
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_ / "bin");
    std::filesystem::create_directories(root_ / "share/applications");
    old_path_ = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", ((root_ / "bin").string() + ":" + old_path_).c_str(), 1);
    setenv("XDG_DATA_HOME", (root_ / "share").c_str(), 1);
  }
  void TearDown() override {
    setenv("PATH", old_path_.c_str(), 1);
    unsetenv("XDG_DATA_HOME");
    std::filesystem::remove_all(root_);
  }
  void WriteScript(const std::string& name, const std::string& body) {
    std::ofstream(root_ / "bin" / name) << "#!/bin/sh\n" << body << "\n";
    std::filesystem::permissions(root_ / "bin" / name, std::filesystem::perms::owner_all);
  }

  std::filesystem::path root_;
  std::string old_path_;
};

TEST_F(SystemNavigatorTest, FindsTheDefaultHandlerAndStartsItWithThePage) {
  WriteScript("xdg-mime", "echo testnav.desktop");
  const std::string out = (root_ / "opened.txt").string();
  WriteScript("testnav", "printf '%s|%s' \"$#\" \"$1\" > " + out);
  std::ofstream(root_ / "share/applications/testnav.desktop")
      << "[Desktop Entry]\nName=Test\nExec=testnav %u\n[Desktop Action new]\nExec=other\n";

  TNavigatorPlatform& platform = SystemNavigatorPlatform();
  std::string command = platform.DefaultHtmlOpenCommand();
  EXPECT_EQ(command, (root_ / "bin/testnav").string() + " %u");

  // The page goes through as one argument, blanks and shell characters included.
  const std::string page = "/webs/my site/_Home.htm;$(x)";
  ASSERT_TRUE(platform.StartProgram(ExeNameFromOpenCommand(command), page));
  for (int i = 0; i < 500 && !std::filesystem::exists(out); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  std::ifstream in(out);
  std::string got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(got, "1|" + page);
  EXPECT_FALSE(platform.DdeOpenUrl("TESTNAV", page, true));
  EXPECT_FALSE(platform.DdeGetWindowInfo("TESTNAV").has_value());

  // A program that cannot be run is a failure the caller hears of, not a silent child.
  std::ofstream(root_ / "bin/not-a-program") << "plain text";
  EXPECT_FALSE(platform.StartProgram((root_ / "bin/not-a-program").string(), page));
  EXPECT_FALSE(platform.StartProgram((root_ / "bin/missing").string(), page));
}

TEST_F(SystemNavigatorTest, NoHandlerGivesNoCommand) {
  WriteScript("xdg-mime", "exit 4");
  std::string command = SystemNavigatorPlatform().DefaultHtmlOpenCommand();
  // Without a desktop answer, only Debian's x-www-browser alternative can be named.
  if (access("/usr/bin/x-www-browser", X_OK) == 0) {
    EXPECT_EQ(command, "/usr/bin/x-www-browser %u");
  } else {
    EXPECT_EQ(command, "");
  }
}

}  // namespace
}  // namespace korvane
