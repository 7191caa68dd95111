// The setup dialog, the first-run dialog and the folder chooser: what each stores or creates.
#include <gtest/gtest.h>

#include "app/directory_model.h"
#include "app/setup_model.h"
#include "app/work_path_model.h"
#include "pages/bookmarks.h"
#include "settings/navigator.h"
#include "settings/param.h"
#include "settings/profile.h"
#include "support/mem_file_system.h"

namespace korvane {
namespace {

class TNoNavigator final : public TNavigatorPlatform {
 public:
  std::string DefaultHtmlOpenCommand() override { return command; }
  bool StartProgram(const std::string&, const std::string&) override { return true; }
  bool DdeOpenUrl(const std::string&, const std::string&, bool) override { return false; }
  std::optional<std::string> DdeGetWindowInfo(const std::string&) override { return {}; }
  std::string command;
};

class SetupDialogTest : public ::testing::Test {
 protected:
  SetupDialogTest() : profile(fs, "/home/u/.config/korvane/profile.ini", "/home/u/webs/") {
    EXPECT_TRUE(fs.MakeDirs("/home/u"));
    EXPECT_TRUE(fs.MakeDirs("/bin"));
    for (const char* nav : {"/bin/a", "/bin/b", "/bin/c", "/bin/found"}) fs.files[nav] = "";
    navigator.command = "/bin/found %u";
    param = std::make_unique<TParam>(fs, profile, navigator, nullptr);
    param->LoadSettings();
  }

  testing::TMemFileSystem fs;
  TIniProfile profile;
  TNoNavigator navigator;
  std::unique_ptr<TParam> param;
};

TEST_F(SetupDialogTest, OkKeepsOldNumbersForTextAndClampsRanges) {
  param->MaxSockets = 4;
  param->Timeout = 45;
  TParamForm form(*param, fs);
  form.SocketMaxEdit = "x";
  form.TimeoutEdit = "";
  form.TryCountEdit = "25";
  form.StopWaitEdit = "-5";
  form.ProxyPortEdit = "port";
  form.ImgSizeEdit = "8";
  form.LigEdit = "70";
  ASSERT_TRUE(form.Ok());
  EXPECT_EQ(param->MaxSockets, 4);
  EXPECT_EQ(param->Timeout, 45);
  EXPECT_EQ(param->TryCount, 10);
  EXPECT_EQ(param->StopWaitSecs, 0);
  EXPECT_EQ(param->ProxyPort, 80);
  EXPECT_EQ(param->SommaireParams.ImgSize, 16);
  EXPECT_EQ(param->SommaireParams.LigByPage, 50);
  form.SocketMaxEdit = "12";
  form.Ok();
  EXPECT_EQ(param->MaxSockets, 9);
  // The user agent: spaces around dropped; a second line (a header slipped in) keeps the name.
  form.UserAgentEdit = " Mozilla/5.0 (X11) ";
  form.Ok();
  EXPECT_EQ(param->UserAgent, "Mozilla/5.0 (X11)");
  form.UserAgentEdit = "A\r\nCookie: x";
  form.Ok();
  EXPECT_EQ(param->UserAgent, "Mozilla/5.0 (X11)");
}

TEST_F(SetupDialogTest, FolderAndBookmarkNamesAreCompleted) {
  TParamForm form(*param, fs);
  form.DefaultPathEdit = "/data/webs";
  form.BookmarkFolderEdit = "";
  form.Ok();
  EXPECT_EQ(param->Path, "/data/webs/");
  EXPECT_EQ(param->BookmarkFolder, "Local webs");
  form.DefaultPathEdit = "";
  form.Ok();
  EXPECT_EQ(param->Path, "/data/webs/");
  // What OK stored is in the settings file too.
  EXPECT_NE(fs.files[param->SettingsFileName()].find("/data/webs/"), std::string::npos);
}

TEST_F(SetupDialogTest, ProxyBoxesFollowTheCheckBox) {
  TParamForm form(*param, fs);
  EXPECT_FALSE(form.ProxyControlsEnabled());
  form.SetProxyUse(true);
  EXPECT_TRUE(form.ProxyControlsEnabled());
  form.ProxyAdressExit();  // empty address: the proxy goes off again
  EXPECT_FALSE(form.ProxyUse);
  form.SetProxyUse(true);
  form.ProxyAdressEdit = "proxy.lan";
  form.ProxyAdressExit();
  EXPECT_TRUE(form.ProxyUse);
}

TEST_F(SetupDialogTest, SelectBrowserKeepsAtMostTenAndRejectsMissingFiles) {
  param->AutoBrowser = false;
  param->BrowserList = {"/bin/1", "/bin/2"};
  TParamForm form(*param, fs);
  EXPECT_EQ(form.BrowserItems, (std::vector<std::string>{"/bin/2", "/bin/1"}));
  form.SelectBrowser("/bin/missing");
  EXPECT_EQ(form.BrowserName, "");  // nothing accepted yet in this session
  form.SelectBrowser("/bin/a");
  EXPECT_EQ(form.BrowserItems.size(), 2u);  // only the previously accepted path is added
  form.SelectBrowser("/bin/b");
  EXPECT_EQ(form.BrowserItems.back(), "/bin/a");
  form.SelectBrowser("/bin/missing");
  EXPECT_EQ(form.BrowserName, "/bin/b");
  form.BrowserItems.assign(10, "/bin/x");
  form.SelectBrowser("/bin/c");  // adds /bin/b, then drops the last to stay at ten
  EXPECT_EQ(form.BrowserItems.size(), 10u);
  form.Ok();
  EXPECT_EQ(param->ExeName, "/bin/c");
}

TEST_F(SetupDialogTest, BrowserOrderTurnsRoundAtEveryOk) {
  param->BrowserList = {"/bin/a", "/bin/b", "/bin/c"};
  TParamForm(*param, fs).Ok();
  EXPECT_EQ(param->BrowserList, (std::vector<std::string>{"/bin/c", "/bin/b", "/bin/a"}));
  TParamForm(*param, fs).Ok();
  EXPECT_EQ(param->BrowserList, (std::vector<std::string>{"/bin/a", "/bin/b", "/bin/c"}));
}

TEST_F(SetupDialogTest, AutomaticSearchTakesEffectEvenOnCancel) {
  param->AutoBrowser = false;
  param->ExeName = "/bin/a";
  {
    TParamForm form(*param, fs);
    EXPECT_TRUE(form.BrowserControlsEnabled());
    form.SetAutoBrowser(true);
    EXPECT_FALSE(form.BrowserControlsEnabled());
    EXPECT_EQ(form.BrowserName, "/bin/found");
  }  // cancelled
  EXPECT_TRUE(param->AutoBrowser);
  EXPECT_EQ(param->ExeName, "/bin/found");
}

// "Br&owse..." for the bookmark file: a file that is not a bookmark file leaves the edit as it
// was; a missing one is created empty and then reads back.
TEST_F(SetupDialogTest, ChosenBookmarkFileMustReadOrIsCreated) {
  TParamForm form(*param, fs);
  form.BookmarkFileEdit = "/home/u/old.htm";
  EXPECT_EQ(form.BookmarkProposal(), "/home/u/old.htm");
  form.BookmarkFileEdit.clear();
  EXPECT_EQ(form.BookmarkProposal(), param->WorkPath() + "bookmark.htm");

  const struct {
    const char* name;
    const char* bytes;
    bool accepted;
  } cases[] = {
      {"empty-bookmarks.htm", "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n<DL><p>\r\n</DL><p>\r\n",
       true},
      {"page.htm", "<!-- a page --><HTML><DL></DL></HTML>", false},
      {"bad-date.htm",
       "<!DOCTYPE NETSCAPE-Bookmark-file-1><DL><p><DT><A HREF=\"http://a/\" "
       "ADD_DATE=\"x\">a</A></DL>",
       false},
  };
  for (const auto& c : cases) {
    const std::string path = std::string("/home/u/") + c.name;
    fs.files[path] = c.bytes;
    form.BookmarkFileEdit = "before";
    std::optional<std::string> error = form.ChooseBookmarkFile(fs, path);
    EXPECT_EQ(!error.has_value(), c.accepted) << c.name;
    EXPECT_EQ(form.BookmarkFileEdit, c.accepted ? path : "before") << c.name;
    if (!c.accepted) {
      EXPECT_EQ(*error, TParamForm::kNotBookmarkFile) << c.name;
    }
    EXPECT_EQ(fs.files[path], c.bytes) << "a chosen file is never rewritten: " << c.name;
  }
  ASSERT_FALSE(form.ChooseBookmarkFile(fs, "/home/u/new.htm").has_value());
  TBookMarks created(fs);
  created.SetFileName("/home/u/new.htm");
  EXPECT_EQ(created.Read(), kBookmarksRead);
  EXPECT_EQ(created.Title, kEmptyBookmarkTitle);
}

TEST_F(SetupDialogTest, PagesOfEditSettings) {
  TParamForm form(*param, fs);
  form.ShowPage(3);
  EXPECT_EQ(form.Page(), 2);
  form.ShowPage(0);
  EXPECT_EQ(form.Page(), 2);
}

TEST(WorkPathDlgTest, NormalisesAndCreatesOnlyWhenAsked) {
  testing::TMemFileSystem fs;
  ASSERT_TRUE(fs.MakeDirs("/home/u"));
  TWorkPathDlg dlg("/home/u/webs/");
  dlg.WorkPathEdit = "/home/u/other";
  dlg.Activate();  // every activation shows the default again
  EXPECT_EQ(dlg.WorkPathEdit, "/home/u/webs/");
  dlg.WorkPathEdit = "/home/u/new/deep///";
  ASSERT_EQ(dlg.TryClose(fs), TWorkPathDlg::kAskCreate);
  EXPECT_EQ(dlg.WorkPath(), "/home/u/new/deep/");
  EXPECT_FALSE(dlg.AnswerCreate(fs, mrNo));
  EXPECT_FALSE(fs.DirectoryExists("/home/u/new"));
  EXPECT_TRUE(dlg.AnswerCreate(fs, mrYes));
  EXPECT_TRUE(fs.DirectoryExists("/home/u/new/deep"));
  dlg.WorkPathEdit = "/home/u";
  EXPECT_EQ(dlg.TryClose(fs), TWorkPathDlg::kClose);
  EXPECT_EQ(dlg.WorkPath(), "/home/u/");
}

TEST(DirectoryDlgTest, StartFolderAndNewDirectory) {
  testing::TMemFileSystem fs;
  ASSERT_TRUE(fs.MakeDirs("/prog"));
  ASSERT_TRUE(fs.MakeDirs("/data"));
  EXPECT_EQ(TDirectoryDlg(fs, "Pick", "/prog", "/missing").Folder(), "/");
  EXPECT_EQ(TDirectoryDlg(fs, "Pick", "/prog", "/data/new/web/").Folder(), "/data");
  EXPECT_EQ(TDirectoryDlg(fs, "Pick", "/prog", "relative").Folder(), "/prog");
  TDirectoryDlg dlg(fs, "Select new capture path", "/prog", "/data");
  EXPECT_EQ(dlg.Folder(), "/data");
  EXPECT_EQ(dlg.NewDirectoryProposal(), "/data/");
  EXPECT_FALSE(dlg.NewDirectory(fs, "/data/a/b").has_value());
  EXPECT_TRUE(fs.DirectoryExists("/data/a"));
  EXPECT_EQ(dlg.Folder(), "/data/a/b");
  // A typed relative name goes inside the selected folder.
  EXPECT_FALSE(dlg.NewDirectory(fs, "c").has_value());
  EXPECT_EQ(dlg.Folder(), "/data/a/b/c");
  const auto error = dlg.NewDirectory(fs, "");
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->Message, "Can not create the new folder!");
  EXPECT_EQ(error->Title, "Erreur");
  EXPECT_EQ(dlg.Folder(), "/data/a/b/c");
}

}  // namespace
}  // namespace korvane
