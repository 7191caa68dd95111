#include "settings/param.h"

#include <gtest/gtest.h>

#include "base/ini_file.h"
#include "engine/web.h"
#include "settings/navigator.h"
#include "settings/profile.h"
#include "support/mem_file_system.h"

namespace korvane {
namespace {

class TFakeNavigator final : public TNavigatorPlatform {
 public:
  std::string DefaultHtmlOpenCommand() override {
    ++queries;
    return command;
  }
  bool StartProgram(const std::string& program, const std::string& argument) override {
    started.push_back(program + " " + argument);
    return program_starts;
  }
  std::optional<std::string> OpenWithDesktop(const std::string& target) override {
    if (!desktop_answer) return std::nullopt;
    desktop_opened.push_back(target);
    return desktop_answer;
  }
  bool DdeOpenUrl(const std::string& service, const std::string& target, bool) override {
    dde.push_back(service + " " + target);
    return dde_answers;
  }
  std::optional<std::string> DdeGetWindowInfo(const std::string&) override { return window_info; }

  std::string command;
  int queries = 0;
  bool dde_answers = false;
  bool program_starts = true;
  std::optional<std::string> desktop_answer;  // none: the platform has no desktop way
  std::vector<std::string> desktop_opened;
  std::optional<std::string> window_info;
  std::vector<std::string> started;
  std::vector<std::string> dde;
};

class TFakeDialogs final : public TSettingsDialogs {
 public:
  std::string AskWorkPath(const std::string& proposed) override {
    asked_work_path.push_back(proposed);
    return answer_work_path;
  }
  bool EditSettings(TParam& param, int page) override {
    pages.push_back(page);
    if (!choose_exe.empty()) param.ExeName = choose_exe;
    return true;
  }
  bool AskErrorYesNo(std::string_view kind, std::string_view added) override {
    errors.push_back(std::string(kind) + std::string(added));
    return answer_yes;
  }
  void OpenFailed(const std::string& target, const std::string& reason) override {
    failures.push_back(target + ": " + reason);
  }

  std::string answer_work_path = "/home/u/chosen//";
  std::vector<std::string> asked_work_path;
  std::vector<int> pages;
  std::string choose_exe;
  bool answer_yes = false;
  std::vector<std::string> errors;
  std::vector<std::string> failures;
};

class ParamTest : public ::testing::Test {
 protected:
  ParamTest() : profile_(fs_, "/home/u/.config/korvane/profile.ini", "/home/u/webs/") {
    EXPECT_TRUE(fs_.MakeDirs("/home/u"));
    EXPECT_TRUE(fs_.MakeDirs("/usr/bin"));
    fs_.files["/usr/bin/nav"] = "";
  }
  // A profile that already names a work path holding "korvane.ini" with `ini`.
  void ExistingSettings(const std::string& ini) {
    ASSERT_TRUE(fs_.MakeDirs("/w"));
    fs_.files["/w/korvane.ini"] = ini;
    profile_.WriteWorkPath("/w/");
  }

  testing::TMemFileSystem fs_;
  TIniProfile profile_;
  TFakeNavigator navigator_;
  TFakeDialogs dialogs_;
};

TEST_F(ParamTest, FirstRunWithoutDialogUsesTheDefaultWorkPathAndWritesEveryKey) {
  TParam param(fs_, profile_, navigator_, nullptr);
  EXPECT_EQ(param.LoadSettings(), TSettingsLoad::kMissing);
  EXPECT_FALSE(fs_.FileExists("/home/u/webs/korvane.ini"));  // nothing written by loading
  ASSERT_TRUE(param.SaveSettings());
  EXPECT_EQ(param.WorkPath(), "/home/u/webs/");
  EXPECT_TRUE(fs_.DirectoryExists("/home/u/webs"));
  EXPECT_EQ(profile_.ReadWorkPath(), "/home/u/webs/");
  EXPECT_EQ(param.Path, "/home/u/webs/");
  EXPECT_EQ(param.MaxSockets, 5);
  EXPECT_EQ(param.Url, "http://www.");
  EXPECT_EQ(param.BookmarkFolder, "Local webs");

  TIniFile written;
  ASSERT_TRUE(written.LoadFromFile(fs_, "/home/u/webs/korvane.ini"));
  EXPECT_EQ(written.ReadInteger("Options", "TryCount", 0), 3);
  EXPECT_EQ(written.ReadString("Browser", "Auto", ""), "1");
  EXPECT_EQ(written.ReadString("TeskUse", "NoWriteDisk", ""), "0");
  EXPECT_TRUE(written.HasKey("default", "Password"));
  EXPECT_TRUE(written.HasKey("sommaire", "ImgRatio"));
  // A key added since the original file is written only when it differs from its default.
  EXPECT_FALSE(written.HasKey("Options", "StopWaitSecs"));
}

TEST_F(ParamTest, FirstRunAsksTheDialogAndNormalisesItsFolder) {
  TParam param(fs_, profile_, navigator_, &dialogs_);
  param.LoadSettings();
  ASSERT_TRUE(param.SaveSettings());
  EXPECT_EQ(dialogs_.asked_work_path, std::vector<std::string>{"/home/u/webs/"});
  EXPECT_EQ(param.WorkPath(), "/home/u/chosen/");
  EXPECT_TRUE(fs_.DirectoryExists("/home/u/chosen"));
  EXPECT_TRUE(fs_.FileExists("/home/u/chosen/korvane.ini"));

  // Second start: the profile and the settings file are there, nothing is asked.
  TParam again(fs_, profile_, navigator_, &dialogs_);
  again.LoadSettings();
  EXPECT_EQ(dialogs_.asked_work_path.size(), 1u);
}

TEST_F(ParamTest, ReadsKeysAndKeepsUnknownOnes) {
  ExistingSettings(
      "[options]\nMaxSockets=9\nTimeout=abc\nUseProxy=1\nProxyAdress=proxy.lan\nStopWaitSecs=-5\n"
      "[Web]\nPath=/data/webs\n[Bookmark]\nBookmarkFolder=Mine\n[Other]\nTheirs=1\n"
      "[DEFAULT]\nMaxTime=12\n[Sommaire]\nImgSize=32\n");
  TParam param(fs_, profile_, navigator_, nullptr);
  EXPECT_EQ(param.LoadSettings(), TSettingsLoad::kLoaded);
  EXPECT_EQ(param.MaxSockets, 9);
  EXPECT_EQ(param.Timeout, 30);      // not a number
  EXPECT_EQ(param.StopWaitSecs, 0);  // a stop never waits for ever
  EXPECT_TRUE(param.UseProxy);
  EXPECT_EQ(param.ProxyAdress, "proxy.lan");
  EXPECT_EQ(param.Path, "/data/webs/");
  EXPECT_EQ(param.BookmarkFolder, "Mine");
  EXPECT_EQ(param.DefaultOptions.MaxTime, 12);
  EXPECT_EQ(param.SommaireParams.ImgSize, 32);

  ASSERT_TRUE(param.SaveSettings());
  TIniFile written;
  ASSERT_TRUE(written.LoadFromFile(fs_, "/w/korvane.ini"));
  EXPECT_EQ(written.ReadString("Other", "Theirs", ""), "1");
  EXPECT_EQ(written.ReadInteger("Options", "Timeout", 0), 30);
}

TEST_F(ParamTest, BrowserListStopsAtTheFirstGapAndKeepsHigherKeysOnWrite) {
  ExistingSettings("[BrowserList]\n0=/usr/bin/a\n1=/usr/bin/b\n3=/usr/bin/d\n");
  {
    TParam param(fs_, profile_, navigator_, nullptr);
    param.LoadSettings();
    EXPECT_EQ(param.BrowserList, (std::vector<std::string>{"/usr/bin/a", "/usr/bin/b"}));
    param.BrowserList = {"/usr/bin/x"};
    ASSERT_TRUE(param.SaveSettings());
  }
  TIniFile written;
  ASSERT_TRUE(written.LoadFromFile(fs_, "/w/korvane.ini"));
  EXPECT_EQ(written.ReadString("BrowserList", "0", ""), "/usr/bin/x");
  EXPECT_EQ(written.ReadString("BrowserList", "1", ""), "/usr/bin/b");
  EXPECT_EQ(written.ReadString("BrowserList", "3", ""), "/usr/bin/d");
}

TEST_F(ParamTest, NoBrowserListSectionGivesAnEmptyList) {
  ExistingSettings("[Options]\nMaxSockets=2\n");
  TParam param(fs_, profile_, navigator_, nullptr);
  param.LoadSettings();
  EXPECT_TRUE(param.BrowserList.empty());
}

TEST_F(ParamTest, FindNavigatorFollowsTheAutomaticSetting) {
  navigator_.command = "\"/usr/bin/nav\" %u";
  TParam param(fs_, profile_, navigator_, nullptr);
  param.LoadSettings();
  EXPECT_EQ(navigator_.queries, 0) << "loading the settings looks for no navigator";
  EXPECT_TRUE(param.FindNavigator());
  EXPECT_EQ(param.ExeName, "/usr/bin/nav");

  navigator_.command = "\"/opt/My Nav/nav\" %u";
  EXPECT_FALSE(param.FindNavigator());
  EXPECT_EQ(param.ExeName, "\"/opt/My");

  param.AutoBrowser = false;
  param.ExeName = "/usr/bin/nav";
  navigator_.command = "";
  EXPECT_TRUE(param.FindNavigator());
  EXPECT_EQ(param.ExeName, "/usr/bin/nav");
}

TEST_F(ParamTest, OpenInNavigatorStartsTheProgramWhenNoConversationAnswers) {
  navigator_.command = "/usr/bin/nav %u";
  TParam param(fs_, profile_, navigator_, &dialogs_);
  param.LoadSettings();
  param.OpenInNavigator("/w/my web/_Home.htm", true);
  EXPECT_EQ(navigator_.dde, std::vector<std::string>{"NAV /w/my web/_Home.htm"});
  EXPECT_EQ(navigator_.started, std::vector<std::string>{"/usr/bin/nav /w/my web/_Home.htm"});

  navigator_.dde_answers = true;
  param.OpenInNavigator("http://www.a.com/", false);
  EXPECT_EQ(navigator_.started.size(), 1u);
}

TEST_F(ParamTest, OpenInNavigatorGoesThroughTheDesktopUnlessABrowserIsChosen) {
  navigator_.command = "/usr/bin/nav %u";
  navigator_.desktop_answer = "";
  TParam param(fs_, profile_, navigator_, &dialogs_);
  param.LoadSettings();
  param.OpenInNavigator("/w/_Home.htm", true);
  EXPECT_EQ(navigator_.desktop_opened, std::vector<std::string>{"/w/_Home.htm"});
  EXPECT_TRUE(navigator_.started.empty());
  EXPECT_TRUE(dialogs_.failures.empty());

  // The desktop's refusal reaches the user with its reason.
  navigator_.desktop_answer = "No program opens it.";
  param.OpenInNavigator("http://a.com/", false);
  EXPECT_EQ(dialogs_.failures, std::vector<std::string>{"http://a.com/: No program opens it."});

  // A browser chosen in the setup is started instead; when it cannot be, the user hears why.
  param.AutoBrowser = false;
  param.ExeName = "/usr/bin/nav";
  navigator_.program_starts = false;
  param.OpenInNavigator("/w/b.htm", false);
  EXPECT_EQ(navigator_.desktop_opened.size(), 2u);
  EXPECT_EQ(navigator_.started, std::vector<std::string>{"/usr/bin/nav /w/b.htm"});
  ASSERT_EQ(dialogs_.failures.size(), 2u);
  EXPECT_EQ(dialogs_.failures[1], "/w/b.htm: The browser /usr/bin/nav could not be started.");
}

TEST_F(ParamTest, OpenInNavigatorWithoutNavigatorOffersTheBrowserPage) {
  TParam param(fs_, profile_, navigator_, &dialogs_);
  param.LoadSettings();
  param.OpenInNavigator("/w/a.htm", false);  // answered No
  EXPECT_EQ(dialogs_.errors, std::vector<std::string>{"Cannot load browser!\r\nChoose a browser?"});
  EXPECT_TRUE(dialogs_.pages.empty());
  EXPECT_TRUE(navigator_.started.empty());

  dialogs_.answer_yes = true;
  dialogs_.choose_exe = "/usr/bin/nav";
  param.OpenInNavigator("/w/a.htm", false);
  EXPECT_EQ(dialogs_.pages, std::vector<int>{3});
  EXPECT_EQ(navigator_.started, std::vector<std::string>{"/usr/bin/nav /w/a.htm"});
}

TEST_F(ParamTest, WindowInfoComesFromTheNavigatorsReply) {
  TParam param(fs_, profile_, navigator_, nullptr);
  param.LoadSettings();
  std::string url, title;
  EXPECT_FALSE(param.GetNavigatorWindowInfo(url, 255, title, 255));
  navigator_.window_info = "\"http://www.a.com/\",\"A\"";
  ASSERT_TRUE(param.GetNavigatorWindowInfo(url, 255, title, 255));
  EXPECT_EQ(url, "http://www.a.com/");
  EXPECT_EQ(title, "A");
}

TEST_F(ParamTest, AWebsOptionsBecomeTheDefaults) {
  TParam param(fs_, profile_, navigator_, nullptr);
  param.LoadSettings();
  param.DefaultOptions.CheckDomainMachineFlag = true;
  TWEB web(param.DefaultOptions, fs_);
  web.EditOptions().MaxTime = 42;
  web.EditOptions().CheckDomainMachineFlag = false;
  EXPECT_TRUE(web.SaveDefaultOptions(param));
  EXPECT_EQ(param.DefaultOptions.MaxTime, 42);
  EXPECT_TRUE(param.DefaultOptions.CheckDomainMachineFlag);
  TIniFile written;
  ASSERT_TRUE(written.LoadFromFile(fs_, param.SettingsFileName()));
  EXPECT_EQ(written.ReadInteger("default", "MaxTime", 0), 42);
}

TEST(ProfileTest, NormaliseFolder) {
  EXPECT_EQ(NormaliseFolder("/home/u/webs"), "/home/u/webs/");
  EXPECT_EQ(NormaliseFolder("/home/u/webs///"), "/home/u/webs/");
  EXPECT_EQ(NormaliseFolder(""), "/");
}

// The user agent is kept only when written; one that would break the request line is dropped.
TEST_F(ParamTest, UserAgentIsWrittenWhenSetAndReadOnlyAsOneLineOfText) {
  ExistingSettings("[Options]\nUserAgent=Bot/1.0\n");
  TParam param(fs_, profile_, navigator_, nullptr);
  param.LoadSettings();
  EXPECT_EQ(param.UserAgent, "Bot/1.0");
  fs_.files["/w/korvane.ini"] = "[Options]\nUserAgent=Bot\x01X-Evil: 1\n";
  param.LoadSettings();
  EXPECT_EQ(param.UserAgent, "");
  EXPECT_FALSE(IsUserAgentText("a\r\nHost: b"));
  EXPECT_FALSE(IsUserAgentText(std::string(256, 'a')));
  fs_.files.erase("/w/korvane.ini");
  TParam fresh(fs_, profile_, navigator_, nullptr);
  fresh.LoadSettings();
  ASSERT_TRUE(fresh.SaveSettings());
  EXPECT_EQ(fs_.files["/w/korvane.ini"].find("UserAgent"), std::string::npos);
}

// The defaults of new webs hold rules and headers under the web's own keys, and a shorter list
// written back leaves none of the longer one.
TEST_F(ParamTest, DefaultRulesAndHeadersRoundTripThroughTheSettings) {
  ExistingSettings(
      "[default]\nRule2=+ **/docs/**\nRule1=- **.zip\nHeader1=X-A: 1\nSendReferer=0\n");
  TParam param(fs_, profile_, navigator_, nullptr);
  param.LoadSettings();
  EXPECT_EQ(param.DefaultOptions.AddressRules,
            (std::vector<std::string>{"- **.zip", "+ **/docs/**"}));
  EXPECT_EQ(param.DefaultOptions.RequestHeaders, std::vector<std::string>{"X-A: 1"});
  EXPECT_FALSE(param.DefaultOptions.SendReferer);
  param.DefaultOptions.AddressRules.pop_back();
  ASSERT_TRUE(param.SaveSettings());
  TParam back(fs_, profile_, navigator_, nullptr);
  back.LoadSettings();
  EXPECT_EQ(back.DefaultOptions, param.DefaultOptions);
}

}  // namespace
}  // namespace korvane
