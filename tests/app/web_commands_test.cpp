// The main window's commands on a real web: the form record, Add URL, new webs from the dialogs
// and the command line, project titles and the map editor's link admission.
#include "app/web_commands.h"

#include <gtest/gtest.h>

#include "support/web_fixture.h"

namespace korvane {
namespace {

class WebCommandsTest : public ::testing::Test {
 protected:
  testing::TWebFixture f;
};

TEST_F(WebCommandsTest, StoreWebGoesThroughSetUrlAndSetPath) {
  auto web = f.NewWeb("http://h/docs/");
  TWebForm form = ShowWeb(*web);
  EXPECT_EQ(form.UrlEdit, "http://h/docs/");
  form.UrlEdit = "http://h/a/../other/";
  form.TitleEdit = "Other";
  form.MaxDiskSize = {true, "2048"};
  StoreWeb(form, *web);
  EXPECT_EQ(web->Url(), "http://h/other/");
  EXPECT_EQ(web->Title(), "Other");
  EXPECT_EQ(web->Options().MaxDiskSize, 2048);
  EXPECT_EQ(web->Path(), "/webs/site/");
}

TEST_F(WebCommandsTest, SecondAddUrlOfTheSameAddressAddsNothing) {
  auto web = f.NewWeb("http://h/");
  const auto before = web->GetLinkCount();
  ASSERT_NE(AddUrl(*web, "http://h/more.html"), nullptr);
  EXPECT_EQ(web->GetLinkCount(), before + 1);
  AddUrl(*web, "http://h/./more.html");
  EXPECT_EQ(web->GetLinkCount(), before + 1);
}

TEST_F(WebCommandsTest, NewWebFromTheDialog) {
  TNewForm form("/webs/", DefaultWebName, 0);
  form.UrlEdit = "http://h/manual/";
  form.PathEdit = "/webs/MANUAL/";
  form.TitleEdit = "Manual";
  auto web = CreateNewWeb(form, f.defaults, f.mime, f.fs).Web;
  ASSERT_NE(web, nullptr);
  EXPECT_EQ(web->FileName(), "/webs/MANUAL/Local.Web");
  EXPECT_EQ(web->Title(), "Manual");
  EXPECT_TRUE(f.fs.DirectoryExists("/webs/MANUAL"));
}

// A new web whose folder cannot be made says the system's reason, read-only included, and is
// not made.
TEST_F(WebCommandsTest, ANewWebUnderAReadOnlyMountSaysSo) {
  ASSERT_TRUE(f.fs.MakeDirs("/mnt/cd"));
  f.fs.read_only.insert("/mnt/cd");
  const TMadeWeb made = MakeWeb({"http://h/", "/mnt/cd/site", "/mnt/cd/site/Local.Web", "", ""},
                                f.defaults, f.mime, f.fs);
  EXPECT_EQ(made.Web, nullptr);
  EXPECT_EQ(made.Error,
            "the folder /mnt/cd/site cannot be made (the file system is read-only: /mnt/cd/site/)");
  EXPECT_FALSE(f.fs.DirectoryExists("/mnt/cd/site"));
}

TEST_F(WebCommandsTest, SeparateWebIsWrittenAndReadsBackWithItsTitle) {
  TNewForm form = TNewForm::ForLink("/webs/", "http://x.org/guide/");
  form.Activate(std::nullopt);
  form.TitleEdit = "Guide";
  ASSERT_EQ(CreateSeparateWeb(form, f.defaults, f.mime, f.fs), "");
  EXPECT_EQ(ReadProjectTitle("/webs/GUIDE/local.web", f.defaults, f.fs), "Guide");
  EXPECT_EQ(ReadProjectTitle("/webs/none.web", f.defaults, f.fs), std::nullopt);
}

TEST_F(WebCommandsTest, StartupWebFromTheCommandLine) {
  f.fs.files["/opts.ini"] = "[OPTIONS]\nMIMES=-all,+html\nMaxFileCount=7\n";
  ASSERT_TRUE(f.fs.MakeDirs("/webs"));
  const TCommandLine command = ParseCommandLine({"http://h/site/", "/opts.ini"});
  const TStartupPlan plan = PlanStartup(command, f.fs, "/webs/", DefaultWebName);
  auto web = OpenStartupWeb(plan, f.defaults, f.mime, f.fs).Web;
  ASSERT_NE(web, nullptr);
  EXPECT_EQ(web->FileName(), "/webs/SITE/LOCAL.WEB");
  EXPECT_EQ(web->Options().MaxFileCount, 7);
  const TMimeItem* gif = web->MimeList().GetMimeByString("image/gif");
  ASSERT_NE(gif, nullptr);
  EXPECT_FALSE(gif->Valid);
  ASSERT_TRUE(web->SaveToFile(web->FileName()));

  const TStartupPlan again = PlanStartup(command, f.fs, "/webs/", DefaultWebName);
  EXPECT_EQ(again.Action, TStartupPlan::kLoad);
  EXPECT_NE(OpenStartupWeb(again, f.defaults, f.mime, f.fs).Web, nullptr);
  f.fs.files["/webs/SITE/LOCAL.WEB"] = "not a web";
  const TMadeWeb damaged = OpenStartupWeb(again, f.defaults, f.mime, f.fs);
  EXPECT_EQ(damaged.Web, nullptr);
  EXPECT_TRUE(damaged.Error.starts_with("The web /webs/SITE/LOCAL.WEB cannot be opened: "))
      << damaged.Error;
}

// Two sites never share a folder: webs of one machine are told apart by their whole address and
// port; the command line finds a web's folder and project file in any letter case, loads it for
// its own address and passes it over for another; and no new web is ever made over another.
TEST_F(WebCommandsTest, ANewWebNeverLandsInTheFolderOfAnother) {
  const std::pair<const char*, const char*> names[] = {
      {"http://127.0.0.1:8080/", "127.0.0.1-8080"},
      {"http://127.0.0.1:8081/a.htm", "127.0.0.1-8081"},
      {"http://10.0.3.7/", "10.0.3.7"},
      {"http://[::1]:9/", "__1-9"},
      {"http://localhost:8080/", "LOCALHOS-8080"},
      {"https://a.site.org:443/", "SITE"},
      {"http://h:8080/docs/manual/", "MANUAL"},
  };
  for (const auto& [url, name] : names) EXPECT_EQ(WebFolderName(url), name) << url;

  auto web = f.NewWeb("http://www.site.org/", "/webs/site");
  web->SetFileName("/webs/site/Local.Web");
  ASSERT_TRUE(web->SaveToFile(web->FileName()));
  f.fs.files["/webs/site/_Home.htm"] = "the first web's home";
  const TProjectUrlFn url_of = [this](const std::string& file) {
    return ReadProjectUrl(file, f.defaults, f.fs);
  };
  const TStartupPlan again = PlanStartup(ParseCommandLine({"http://www.site.org/"}), f.fs, "/webs/",
                                         WebFolderName, url_of);
  EXPECT_EQ(again.Action, TStartupPlan::kLoad);
  EXPECT_EQ(again.ProjectFile, "/webs/site/Local.Web");

  const TStartupPlan other = PlanStartup(ParseCommandLine({"http://site.com/", "CAPTURE"}), f.fs,
                                         "/webs/", WebFolderName, url_of);
  EXPECT_EQ(other.Action, TStartupPlan::kCreate);
  EXPECT_EQ(other.ProjectFile, "/webs/SITE-2/LOCAL.WEB");
  ASSERT_NE(OpenStartupWeb(other, f.defaults, f.mime, f.fs).Web, nullptr);

  TNewForm form("/webs/", WebFolderName, TNewForm::kPathFollowsUrl);
  form.SetFileSystem(&f.fs);
  form.UrlEdit = "http://site.net/";
  form.Activate(std::nullopt);
  EXPECT_EQ(form.PathEdit, "/webs/SITE-3/");
  ASSERT_TRUE(f.fs.MakeDirs("/webs/site-3"));  // an empty folder is proposed as it is spelt
  form.UrlExit();
  EXPECT_EQ(form.PathEdit, "/webs/site-3/");
  f.fs.files["/webs/site-3/notes.txt"] = "";
  form.UrlExit();
  EXPECT_EQ(form.PathEdit, "/webs/SITE-4/");

  form.PathEdit = "/webs/site/";
  const TMadeWeb over = CreateNewWeb(form, f.defaults, f.mime, f.fs);
  EXPECT_EQ(over.Web, nullptr);
  EXPECT_EQ(over.Error,
            "the folder /webs/site/ already holds the web Local.Web: open it, or choose another "
            "folder for the new web");
  EXPECT_EQ(f.fs.files["/webs/site/_Home.htm"], "the first web's home");
  EXPECT_NE(NewWebFolderRefusal(f.fs, "/webs/SITE-4", "/webs/site-4/"), "");
}

TEST_F(WebCommandsTest, SavedZonesAreAdmittedAsLinksOfTheMapsPage) {
  auto web = f.NewWeb("http://h/");
  auto map = std::make_unique<TMapImg>();
  map->ImageFile = "nav.gif";
  map->MapFile = "nav.map";
  map->MapUrl = "http://h/cgi-bin/nav";
  map->PageUrl = "http://h/";
  web->MapList().Add(std::move(map));
  TWebMapSource source(*web);
  TMapEditDlg editor(source, f.fs);
  ASSERT_TRUE(editor.OpenMap(0, TMapEditDlg::TSize{100, 100}));
  editor.MousePress({10, 10}, TMapEditDlg::kLeft);
  editor.MouseRelease({30, 40});
  ASSERT_TRUE(editor.Save());
  EXPECT_NE(web->Tree().Find("http://h/cgi-bin/nav?20,25"), nullptr);
  EXPECT_EQ(f.fs.files["/webs/site/nav.map"],
            "<area shape=\"rect\" coords=\"10,10,30,40\" href=\"http://h/cgi-bin/nav?20,25\">\r\n");
}

}  // namespace
}  // namespace korvane
