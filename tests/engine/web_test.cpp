#include "engine/web.h"

#include <gtest/gtest.h>

#include "base/checked.h"
#include "support/web_fixture.h"

namespace korvane {
namespace {

class WebTest : public ::testing::Test, public testing::TWebFixture {};

TEST_F(WebTest, SetPathEndsTheFolderWithOneSeparator) {
  TWEB web(defaults, fs);
  web.SetPath("/home/u/webs/site");
  EXPECT_EQ(web.Path(), "/home/u/webs/site/");
  web.SetPath("/home/u/webs/site/");
  EXPECT_EQ(web.Path(), "/home/u/webs/site/");
  web.SetUrl("HTTP://www.A.com");
  EXPECT_EQ(web.Url(), "http://www.A.com/");
}

TEST_F(WebTest, NewWebHoldsItsStartAddressAndItsSpecialPages) {
  defaults.MaxTime = 12;
  auto web = NewWeb("http://www.a.com/docs/index.htm");
  EXPECT_EQ(web->GetLinkCount(), 1);
  ASSERT_EQ(web->TodoList().size(), 1u);
  EXPECT_EQ(web->TodoList().front(), web->Tree().Find("http://www.a.com/docs/index.htm"));
  EXPECT_EQ(web->GetTodoCount(), 1);
  EXPECT_EQ(web->CapturedCount() + web->ErrorCount() + web->FilteredCount() + web->NotFoundCount(),
            0);
  EXPECT_EQ(web->Options().MaxTime, 12);
  EXPECT_TRUE(web->SpareFlag());
  EXPECT_FALSE(web->DisplayOnlineImage());
  // The program-wide table, then what page requisites need that it lacks.
  ASSERT_EQ(web->MimeList().Count(), 29);
  for (int i = 0; i < mime.Count(); ++i) {
    EXPECT_EQ(web->MimeList().GetMimebyIndex(i)->ContentType, mime.GetMimebyIndex(i)->ContentType);
  }
  EXPECT_TRUE(fs.DirectoryExists("/webs/site"));
  EXPECT_EQ(fs.files["/webs/site/NotFound.htm"], "<p>not found</p>");
  EXPECT_EQ(fs.files["/webs/site/BadLink.htm"], "<p>bad link</p>");
  EXPECT_EQ(LogOf(*web),
            "<HTML><HEADER><META CHARSET=\"windows-1252\"></HEADER><BODY BGCOLOR=\"#FFFFFF\">"
            "<H3>WEB : "
            "HTTP://WWW.A.COM/DOCS/INDEX.HTM</H3>");
}

TEST_F(WebTest, MissingDataPagesLeaveTheWebWithoutThem) {
  fs.files.erase(DataFolder() + "BadLink.htm");
  auto web = NewWeb("http://www.a.com/");
  EXPECT_TRUE(fs.FileExists("/webs/site/NotFound.htm"));
  EXPECT_FALSE(fs.FileExists("/webs/site/BadLink.htm"));
}

TEST_F(WebTest, InitKeepsAnExistingLogPageAndAppendsToIt) {
  ASSERT_TRUE(fs.MakeDirs("/webs/site"));
  fs.files["/webs/site/LogFile.htm"] = "<HTML>old";
  auto web = NewWeb("http://www.a.com/");
  web->Log("next");
  EXPECT_EQ(LogOf(*web), "<HTML>old<br>next\r\n");
}

TEST_F(WebTest, LogLinesAreCutAt255BytesLineBreakIncluded) {
  auto web = NewWeb("http://www.a.com/");
  fs.files["/webs/site/LogFile.htm"].clear();
  web->Log(std::string(300, 'x'));
  EXPECT_EQ(LogOf(*web), "<br>" + std::string(251, 'x'));
  fs.files.erase("/webs/site/LogFile.htm");
  web->Log("again");  // a missing log page is created
  EXPECT_EQ(LogOf(*web), "<br>again\r\n");
}

TEST_F(WebTest, HomePageAndTitleWaitForACapturedFile) {
  auto web = NewWeb("http://www.a.com/");
  TWebFile* home = web->Tree().Find("http://www.a.com/");
  ASSERT_NE(home, nullptr);
  home->SetFileName("Index.htm");
  home->SetDescription("Welcome");
  EXPECT_EQ(web->GetHomePage(), "");
  web->SetTitleWithHomepageTitle();
  EXPECT_EQ(web->Title(), "");

  web->SetCounters({.Captured = 1});
  EXPECT_EQ(web->GetHomePage(), "Index.htm");
  web->SetTitleWithHomepageTitle();
  EXPECT_EQ(web->Title(), "Welcome");
  web->SetTitle("Mine");
  web->SetTitleWithHomepageTitle();
  EXPECT_EQ(web->Title(), "Mine");

  web->SetTitle("");
  home->SetDescription("");
  web->SetTitleWithHomepageTitle();
  EXPECT_EQ(web->Title(), "HTTP://WWW.A.COM/");
}

TEST_F(WebTest, ReinitKeepsTotalAndMimeTableButTakesFreshDefaults) {
  auto web = NewWeb("http://www.a.com/");
  web->SetTotalSize(5000);
  web->MimeList().AddMime("application/x-mine", "min", "Other", false);
  web->EditOptions().MaxTime = 99;
  web->NewLink({0, "http://www.a.com/b.htm", ""}, web->Tree().Find(web->Url()));
  web->SetCounters({.Captured = 3});
  web->Reinit("http://www.a.com/new/");
  EXPECT_EQ(web->TotalSize(), 5000);
  EXPECT_TRUE(web->MimeList().MimeExist("application/x-mine"));
  EXPECT_EQ(web->Options().MaxTime, 0);
  EXPECT_EQ(web->GetLinkCount(), 1);
  EXPECT_EQ(web->TodoList().size(), 1u);
  EXPECT_EQ(web->CapturedCount(), 0);
  EXPECT_NE(web->Tree().Find("http://www.a.com/new/"), nullptr);
}

TEST_F(WebTest, TodoCountBelowZeroIsNone) {
  auto web = NewWeb("http://www.a.com/");
  web->SetCounters({.Captured = 2});
  EXPECT_EQ(web->GetTodoCount(), std::nullopt);
  EXPECT_EQ(web->CountRecords().Todo, 1);
}

TEST(ExtensionOfTest, TakesTheDocumentsLastDotWithoutTheQuery) {
  EXPECT_EQ(ExtensionOf("http://h.com/a/b.tar.gz?x=1.2"), "gz");
  EXPECT_EQ(ExtensionOf("http://h.com/a/"), "");
  EXPECT_EQ(ExtensionOf("http://h.com/a/readme"), "");
  EXPECT_EQ(ExtensionOf(""), "");
}

// An update deletes the file of an address gone only when no other captured address names it: a
// redirected address read back from a project file names its target's file.
TEST_F(WebTest, AGoneAddressTakesOnlyAFileOfItsOwn) {
  auto web = NewWeb("http://www.a.com/");
  const auto add = [&](const std::string& url, const std::string& file) {
    auto record = std::make_unique<TWebFile>();
    record->State = wsPage;
    record->SetFileName(file);
    TWebFile* kept = record.get();
    EXPECT_TRUE(web->AddRecord(url, std::move(record)));
    fs.files[web->Path() + file] = "<p>" + url + "</p>";
    return kept;
  };
  TWebFile* moved = add("http://www.a.com/old.htm", "news.htm");
  TWebFile* news = add("http://www.a.com/news.htm", "news.htm");
  TWebFile* own = add("http://www.a.com/own.htm", "own.htm");
  EXPECT_FALSE(web->DeleteGoneFile(*moved));
  EXPECT_EQ(moved->State, wsPage);
  EXPECT_TRUE(fs.files.count(web->Path() + "news.htm"));
  EXPECT_TRUE(web->DeleteGoneFile(*own));
  EXPECT_EQ(own->State, wsNotFound);
  EXPECT_FALSE(fs.files.count(web->Path() + "own.htm"));
  EXPECT_EQ(news->State, wsPage);
}

}  // namespace
}  // namespace korvane
