#include <gtest/gtest.h>

#include <algorithm>

#include "base/checked.h"
#include "engine/web.h"
#include "support/web_fixture.h"

namespace korvane {
namespace {

class AdmissionTest : public ::testing::Test, public testing::TWebFixture {
 protected:
  void SetUp() override { web_ = NewWeb("http://www.a.com/docs/index.htm"); }

  TWebFile* Start() { return web_->Tree().Find(web_->Url()); }
  TWebFile* Link(const std::string& url, TWebFile* parent, std::uint8_t kind = 0) {
    return web_->NewLink({kind, url, "text"}, parent);
  }
  std::string Log() { return LogOf(*web_).substr(LogOf(*web_).find("</H3>") + 5); }

  std::unique_ptr<TWEB> web_;
};

TEST_F(AdmissionTest, DepthZeroAdmitsOnlyTheStartAddress) {
  defaults.InternalLinkDepth = 0;
  web_ = NewWeb("http://www.a.com/docs/index.htm", "/webs/zero");
  EXPECT_EQ(Start()->State, wsTodo);
  TWebFile* page = Link("http://www.a.com/docs/next.htm", Start());
  EXPECT_EQ(page->LinkDepth, 1);
  EXPECT_EQ(page->State, wsFiltered);
  EXPECT_EQ(web_->FilteredCount(), 1);
  EXPECT_EQ(Log(), "");  // refused silently
}

TEST_F(AdmissionTest, OtherDomainsAreOtherWebs) {
  TWebFile* page = Link("http://www.b.org/x.htm", Start());
  EXPECT_EQ(page->ExternalDepth, 1);
  EXPECT_EQ(page->LinkDepth, 0);
  EXPECT_EQ(page->State, wsFiltered);
  EXPECT_EQ(Log(), "<br>http://www.b.org/x.htm filtr\xE9 : Externe au domaine principal\r\n");

  // Pictures are not depth-tested.
  TWebFile* picture = Link("http://img.b.org/p.gif", Start(), 1);
  EXPECT_EQ(picture->State, wsTodo);
}

TEST_F(AdmissionTest, ExternalWebsHaveTheirOwnLinkLevels) {
  web_->EditOptions().ExternalWebDepth = 1;
  web_->EditOptions().ExternalLinkDepth = 1;
  TWebFile* entry = Link("http://www.b.org/", Start());
  EXPECT_EQ(entry->State, wsTodo);
  TWebFile* one = Link("http://www.b.org/1.htm", entry);
  EXPECT_EQ(one->State, wsTodo);
  TWebFile* two = Link("http://www.b.org/2.htm", one);
  EXPECT_EQ(two->State, wsFiltered);
  TWebFile* third_web = Link("http://www.c.net/", one);
  EXPECT_EQ(third_web->ExternalDepth, 2);
  EXPECT_EQ(third_web->State, wsFiltered);
  EXPECT_EQ(Log(),
            "<br>http://www.b.org/2.htm filtr\xE9 : Niveau externe max atteint\r\n"
            "<br>http://www.c.net/ filtr\xE9 : Externe au domaine principal\r\n");
}

TEST_F(AdmissionTest, MachinesOfOneDomainAreOneWebUnlessChecked) {
  TWebFile* same = Link("http://docs.a.com/docs/p.htm", Start());
  EXPECT_EQ(same->ExternalDepth, 0);
  EXPECT_EQ(same->LinkDepth, 1);

  defaults.CheckDomainMachineFlag = true;  // only the default set's flag counts
  TWebFile* other = Link("http://img.a.com/docs/q.htm", Start());
  EXPECT_EQ(other->ExternalDepth, 1);
  EXPECT_EQ(other->LinkDepth, 0);
}

// What a page needs to show is fetched like a picture, first, whatever its depth, folder or web,
// but the picture options hold pictures only; the record keeps its kind through a save.
TEST_F(AdmissionTest, RequisitesAreQueuedFirstAndHeldByNoLimitOfPagesOrPictures) {
  web_->EditOptions().InternalLinkDepth = 0;
  web_->EditOptions().RefLimit = true;
  TWebFile* page = Link("http://www.a.com/docs/next.htm", Start());
  TWebFile* sheet = Link("http://www.a.com/_static/site.css", Start(), lkRequisite);
  TWebFile* font = Link("http://cdn.b.net/f.woff2", sheet, lkRequisite);
  TWebFile* picture = Link("http://www.a.com/docs/p.png", Start(), lkImage);
  EXPECT_EQ(page->State, wsFiltered);
  EXPECT_EQ(picture->State, wsFiltered);
  EXPECT_EQ(sheet->State, wsTodo);
  EXPECT_EQ(font->State, wsTodo);
  EXPECT_EQ(font->ExternalDepth, 1);
  ASSERT_GE(web_->TodoList().size(), 2u);
  EXPECT_EQ(web_->TodoList().front(), font);
  EXPECT_EQ(sheet->GetLinkType(), 3);
  ASSERT_TRUE(web_->SaveToFile("/webs/site/Local.Web"));
  TWEB back(defaults, fs);
  ASSERT_TRUE(back.LoadFromFile("/webs/site/Local.Web"));
  EXPECT_EQ(back.Tree().Find("http://cdn.b.net/f.woff2")->GetLinkType(), 3);
}

// An exclude rule refuses whatever the limits say, and says which rule; an include rule lifts
// the path limit and the external-web limits but not the depth; no rule leaves the limits as
// they were. The start address is always taken.
TEST_F(AdmissionTest, RulesDecideBeforeTheLimitsAndTheRefusalNamesTheRule) {
  defaults.AddressRules = {"- **/private/**", "+ http://www.a.com/blog/**", "+ http://cdn.b.org/**",
                           "- re:\\.(zip|gz)$", "- **/docs/index.htm"};
  defaults.InternalLinkDepth = 1;
  web_ = NewWeb("http://www.a.com/docs/index.htm", "/webs/rules");
  ASSERT_EQ(Start()->State, wsTodo);  // though rule 5 names it
  TWebFile* page = Link("http://www.a.com/docs/page.htm", Start());
  struct TCase {
    const char* url;
    TWebFile* parent;
    std::uint8_t kind;
    TWebState state;
    std::string log;
  } cases[] = {
      {"http://www.a.com/docs/private/a.htm", Start(), 0, wsFiltered,
       " filtered by rule - **/private/**"},
      {"http://img.a.com/private/p.gif", Start(), 1, wsFiltered,
       " filtered by rule - **/private/**"},
      {"http://www.a.com/blog/post.htm", Start(), 0, wsTodo, ""},   // outside the start's folder
      {"http://cdn.b.org/lib/x.htm", Start(), 0, wsTodo, ""},       // another web
      {"http://www.a.com/blog/deep.htm", page, 0, wsFiltered, ""},  // deeper than 1, silently
      {"http://www.a.com/docs/f.zip", Start(), 0, wsFiltered,
       " filtered by rule - re:\\.(zip|gz)$"},
      {"http://www.a.com/other.htm", Start(), 0, wsFiltered,
       " filtr\xE9 : Niveau interne max atteint"},
      {"http://www.c.net/", Start(), 0, wsFiltered, " filtr\xE9 : Externe au domaine principal"},
  };
  std::string log;
  for (const TCase& c : cases) {
    TWebFile* record = Link(c.url, c.parent, c.kind);
    ASSERT_NE(record, nullptr) << c.url;
    EXPECT_EQ(record->State, c.state) << c.url;
    if (!c.log.empty()) log += "<br>" + std::string(c.url) + c.log + "\r\n";
  }
  EXPECT_EQ(Log(), log);
  EXPECT_EQ(web_->FilteredCount(), 6);
}

TEST_F(AdmissionTest, PathLimitLetsCgiBinThroughCaseSensitively) {
  EXPECT_EQ(Link("http://www.a.com/DOCS/more.htm", Start())->State, wsTodo);
  EXPECT_EQ(Link("http://www.a.com/cgi-bin/q.htm", Start())->State, wsTodo);
  EXPECT_EQ(Link("http://www.a.com/CGI-BIN/r.htm", Start())->State, wsFiltered);
  EXPECT_EQ(Link("http://www.a.com/other.htm", Start())->State, wsFiltered);
  EXPECT_EQ(Log(),
            "<br>http://www.a.com/CGI-BIN/r.htm filtr\xE9 : Niveau interne max atteint\r\n"
            "<br>http://www.a.com/other.htm filtr\xE9 : Niveau interne max atteint\r\n");
  web_->EditOptions().InternalPathLimit = false;
  EXPECT_EQ(Link("http://www.a.com/else.htm", Start())->State, wsTodo);
}

TEST_F(AdmissionTest, OtherProtocolsAreRefusedAndLogged) {
  EXPECT_EQ(Link("mailto:someone@a.com", Start())->State, wsFiltered);
  EXPECT_EQ(Link("ftp://ftp.a.com/f.zip", Start(), 1)->State, wsFiltered);
  EXPECT_EQ(Log(),
            "<br>mailto:someone@a.com filtr\xE9 : Protocole incorrect\r\n"
            "<br>ftp://ftp.a.com/f.zip filtr\xE9 : Protocole incorrect\r\n");
}

TEST_F(AdmissionTest, AnAddressIsEnteredOnce) {
  TWebFile* first = Link("http://www.a.com/docs/p.htm", Start());
  TWebFile* again = Link("http://www.a.com/docs/p.htm", Start(), 1);
  EXPECT_EQ(first, again);
  EXPECT_EQ(web_->TodoList().size(), 2u);
  EXPECT_EQ(web_->GetLinkCount(), 2);
}

// One site reached under http and https is one web: each address has one record, and one that
// is still waiting moves to https when a secure link names it.
TEST_F(AdmissionTest, AnAddressUnderBothWebProtocolsIsOneRecord) {
  const std::string plain = "http://www.a.com/docs/p.htm", secure = "https://www.a.com/docs/p.htm";
  Link(plain, Start());
  TWebFile* moved = Link(secure, Start());
  EXPECT_EQ(web_->Tree().Find(plain), moved);
  EXPECT_EQ(web_->Tree().GetUrl(moved), secure);
  EXPECT_EQ(Link(plain, Start()), moved);
  EXPECT_EQ(std::count(web_->TodoList().begin(), web_->TodoList().end(), moved), 1);
  EXPECT_EQ(moved->State, wsTodo);
  EXPECT_EQ(moved->LinkDepth, 1);

  // Fetched under http already: the secure link leads to that copy, nothing moves.
  TWebFile* done = Link("http://www.a.com/docs/q.htm", Start());
  done->State = wsPage;
  EXPECT_EQ(Link("https://www.a.com/docs/q.htm", Start()), done);
  EXPECT_EQ(web_->Tree().Find("https://www.a.com/docs/q.htm"), nullptr);
  // Met first under https, the address keeps it.
  TWebFile* first = Link("https://www.a.com/docs/r.htm", Start());
  EXPECT_EQ(Link("http://www.a.com/docs/r.htm", Start()), first);
  // A named port is another server.
  EXPECT_NE(Link("http://www.a.com:8080/docs/p.htm", Start()),
            Link("https://www.a.com:8080/docs/p.htm", Start()));
  EXPECT_EQ(web_->Tree().FindAnyWebProtocol("http://www.a.com/docs/r.htm"), first);
  EXPECT_EQ(web_->Tree().FindAnyWebProtocol("http://www.a.com:8080/docs/r.htm"), nullptr);
}

TEST_F(AdmissionTest, PicturesGoToTheHeadOfTheQueue) {
  TWebFile* page = Link("http://www.a.com/docs/p.htm", Start());
  TWebFile* picture = Link("http://www.a.com/i/p.gif", page, 1);
  TWebFile* background = Link("http://www.a.com/i/bg.gif", page, 2);
  EXPECT_EQ(picture->GetLinkType(), 1);
  EXPECT_EQ(std::vector<TWebFile*>(web_->TodoList().begin(), web_->TodoList().end()),
            (std::vector<TWebFile*>{background, picture, Start(), page}));
}

TEST_F(AdmissionTest, PictureOptions) {
  web_->EditOptions().RefLimit = true;
  EXPECT_EQ(Link("http://www.a.com/1.gif", Start(), 1)->State, wsFiltered);
  EXPECT_EQ(Link("http://www.a.com/1bg.gif", Start(), 2)->State, wsFiltered);
  web_->EditOptions().RefLimit = false;
  web_->EditOptions().BackgroundOnlyFlag = true;
  EXPECT_EQ(Link("http://www.a.com/2.gif", Start(), 1)->State, wsFiltered);
  EXPECT_EQ(Link("http://www.a.com/2bg.gif", Start(), 2)->State, wsTodo);
  EXPECT_EQ(Log(), "");
}

TEST_F(AdmissionTest, DepthsOverflowAt255) {
  TWebFile* page = Start();
  page->LinkDepth = 255;
  web_->EditOptions().InternalLinkDepth = 1000;
  EXPECT_THROW(Link("http://www.a.com/docs/deep.htm", page), TCounterOverflow);
  EXPECT_EQ(web_->Tree().Find("http://www.a.com/docs/deep.htm"), nullptr);
}

TEST_F(AdmissionTest, FilterByTypeAndSize) {
  TWebFile* file = Link("http://www.a.com/docs/f.zip", Start(), 1);
  file->SetMimeType("application/x-unheard-of");
  web_->EditOptions().PageRequisites = false;
  EXPECT_FALSE(web_->Filter(file, 10, "http://www.a.com/docs/f.zip"));
  const TMimeItem* added = web_->MimeList().GetMimeByString("application/x-unheard-of");
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(added->Extension, "zip");
  EXPECT_EQ(added->MimeClass, mcOther);
  EXPECT_FALSE(added->Valid);

  // With requisites, a document the server could not name is known by its extension; the
  // table's refusals still hold.
  web_->EditOptions().PageRequisites = true;
  file->SetMimeType("application/x-never-met");
  EXPECT_TRUE(web_->Filter(file, 10, "http://www.a.com/docs/f.zip"));
  EXPECT_FALSE(web_->MimeList().MimeExist("application/x-never-met"));
  EXPECT_EQ(file->GetMimeType(), "application/zip");
  file->SetMimeType("application/octet-stream");
  EXPECT_TRUE(web_->Filter(file, 10, "http://www.a.com/docs/README.MD?raw=1"));
  const TMimeItem* markdown = web_->MimeList().GetMimeByString("text/markdown");
  ASSERT_NE(markdown, nullptr);
  EXPECT_TRUE(markdown->Valid);
  EXPECT_EQ(markdown->Extension, "md");
  EXPECT_EQ(markdown->MimeClass, mcText);
  web_->MimeList().AddMime("application/pdf", "pdf", "Other", false);
  file->SetMimeType("application/octet-stream");
  EXPECT_FALSE(web_->Filter(file, 10, "http://www.a.com/docs/f.pdf"));
  file->SetMimeType("application/octet-stream");
  EXPECT_FALSE(web_->Filter(file, 10, "http://www.a.com/wiki/Portal:Packaging"));

  file->SetMimeType("image/gif");
  web_->EditOptions().MinFileSize = 2;
  web_->EditOptions().MaxFileSize = 4;
  EXPECT_TRUE(web_->Filter(file, 0, ""));  // size not known
  EXPECT_FALSE(web_->Filter(file, 2047, ""));
  EXPECT_TRUE(web_->Filter(file, 2048, ""));
  EXPECT_TRUE(web_->Filter(file, 4096, ""));
  EXPECT_FALSE(web_->Filter(file, 4097, ""));

  file->SetMimeType("text/html");
  web_->MimeList().SetValidAll(false);
  EXPECT_TRUE(web_->Filter(file, 1 << 30, ""));  // pages are always wanted here
  file->SetMimeType("image/gif");
  EXPECT_FALSE(web_->Filter(file, 0, ""));
}

TEST_F(AdmissionTest, UpdateTodoRequeuesMainWebPagesNotFoundOnly) {
  web_->EditOptions().ExternalWebDepth = 1;
  TWebFile* lost = Link("http://www.a.com/docs/lost.htm", Start());
  TWebFile* far = Link("http://www.b.org/gone.htm", Start());
  TWebFile* failed = Link("http://www.a.com/docs/err.htm", Start());
  TWebFile* done = Link("http://www.a.com/docs/ok.htm", Start());
  Start()->State = wsPage;
  done->State = wsFile;
  lost->State = wsNotFound;
  far->State = wsNotFound;
  failed->State = wsError;
  web_->SetCounters({.Errors = 1});

  web_->UpdateTodo();
  EXPECT_EQ(web_->GetTodoCount(), 2);
  EXPECT_EQ(web_->CapturedCount(), 2);
  EXPECT_EQ(web_->NotFoundCount(), 1);
  EXPECT_EQ(web_->ErrorCount(), 0);
  EXPECT_EQ(lost->State, wsTodo);
  EXPECT_EQ(far->State, wsNotFound);
  EXPECT_EQ(failed->State, wsTodo);
  EXPECT_EQ(std::vector<TWebFile*>(web_->TodoList().begin(), web_->TodoList().end()),
            (std::vector<TWebFile*>{lost, failed}));
}

TEST_F(AdmissionTest, UpdateTodoReexaminesFilteredRecordsUnderTheCurrentOptions) {
  web_->EditOptions().RefLimit = true;
  TWebFile* picture = Link("http://www.a.com/p.gif", Start(), 1);
  TWebFile* typed = Link("http://www.a.com/docs/t.bin", Start());
  typed->SetMimeType("application/octet-stream");
  web_->MimeList().AddMime("application/octet-stream", "bin", "Other", false);
  ASSERT_EQ(picture->State, wsFiltered);
  web_->EditOptions().RefLimit = false;
  web_->UpdateTodo();
  EXPECT_EQ(web_->GetTodoCount(), 2);
  EXPECT_EQ(picture->State, wsTodo);
  EXPECT_EQ(typed->State, wsFiltered);
  EXPECT_EQ(web_->FilteredCount(), 1);
}

// A web goes on past the 65,535 addresses a version 21 project file holds: a link beyond them is
// entered and queued, and the figures count on instead of wrapping to a small number.
TEST_F(AdmissionTest, AWebPast65535AddressesGoesOnAdmitting) {
  while (web_->Tree().Count() <= UINT16_MAX) {
    ASSERT_NE(
        Link("http://www.a.com/docs/p" + std::to_string(web_->Tree().Count()) + ".htm", Start()),
        nullptr);
  }
  TWebFile* more = Link("http://www.a.com/docs/one-more.htm", Start());
  ASSERT_NE(more, nullptr);
  EXPECT_EQ(more->State, wsTodo);
  EXPECT_EQ(web_->GetLinkCount(), 65537u);
  EXPECT_EQ(web_->GetTodoCount(), 65537u);
  EXPECT_EQ(web_->TodoList().back(), more);
  EXPECT_EQ(Log().find("Tree error"), std::string::npos);
  EXPECT_EQ(Link("http://www.a.com/docs/p7.htm", Start()),
            web_->Tree().Find("http://www.a.com/docs/p7.htm"));
  EXPECT_EQ(web_->GetLinkCount(), 65537u);  // a known address is not counted twice
}

TEST_F(AdmissionTest, ForceCaptureMakesAFilteredRecordAMainWebRecord) {
  TWebFile* far = Link("http://www.b.org/x.htm", Start());
  ASSERT_EQ(far->State, wsFiltered);
  EXPECT_TRUE(web_->ForceCapture(far));
  EXPECT_EQ(far->State, wsTodo);
  EXPECT_EQ(far->ExternalDepth, 0);
  EXPECT_EQ(web_->FilteredCount(), 0);  // the figures shown follow at once
  EXPECT_FALSE(web_->ForceCapture(Start()));
  web_->EditOptions().InternalPathLimit = false;
  web_->UpdateTodo();
  EXPECT_EQ(far->State, wsTodo);
  EXPECT_EQ(web_->FilteredCount(), 0);
}

TEST_F(AdmissionTest, ARecordHeldUnderTwoAddressesCountsOncePerAddress) {
  TWebFile* target = Link("http://www.a.com/docs/new.htm", Start());
  ASSERT_TRUE(web_->AddAlias("http://www.a.com/docs/old.htm", target));
  target->State = wsPage;
  Start()->State = wsPage;
  web_->UpdateTodo();
  EXPECT_EQ(web_->GetLinkCount(), 3);
  EXPECT_EQ(web_->CapturedCount(), 3);
  EXPECT_EQ(web_->GetTodoCount(), 0);
}

TEST_F(AdmissionTest, AReplacedRecordLeavesNoDanglingQueueEntry) {
  TWebFile* page = Link("http://www.a.com/docs/p.htm", Start());
  ASSERT_EQ(web_->TodoList().back(), page);
  auto replacement = std::make_unique<TWebFile>();
  TWebFile* fresh = replacement.get();
  ASSERT_TRUE(web_->AddRecord("http://www.a.com/docs/p.htm", std::move(replacement)));
  EXPECT_EQ(web_->TodoList().back(), fresh);  // under the sanitizers, reading the old would fail
  EXPECT_EQ(web_->TodoList().back()->State, wsTodo);
}

}  // namespace
}  // namespace korvane

namespace korvane {
namespace {

class CapturedPageTest : public AdmissionTest {};

TEST_F(CapturedPageTest, LinksOfACapturedPageEnterTheWebWithThePageAsParent) {
  TWebFile* start = Start();
  start->SetFileName("index.htm");
  fs.files[web_->Path() + "index.htm"] =
      "<TITLE>Docs</TITLE><A HREF=\"p.htm#s\">P</A><IMG SRC='../i/p.gif'>"
      "<A HREF=\"mailto:x@a.com\">m</A><A HREF=/cgi-bin/map><IMG SRC=m.gif ISMAP></A>";
  ASSERT_TRUE(web_->SetHtmlLinks(*start, web_->Url()));

  TWebFile* page = web_->Tree().Find("http://www.a.com/docs/p.htm");
  TWebFile* picture = web_->Tree().Find("http://www.a.com/i/p.gif");
  ASSERT_TRUE(page && picture);
  EXPECT_EQ(page->GetDescription(), "P");
  EXPECT_EQ(picture->GetLinkType(), 1);
  // The map program behind the anchor is not a page to fetch; the map picture is.
  EXPECT_EQ(web_->Tree().Find("http://www.a.com/cgi-bin/map"), nullptr);
  EXPECT_NE(web_->Tree().Find("http://www.a.com/docs/m.gif"), nullptr);
  EXPECT_EQ(start->GetDescription(), "Docs");
  EXPECT_TRUE(start->GetIsmap());
  const std::string& stored = fs.files[web_->Path() + "index.htm"];
  EXPECT_NE(stored.find("<IMG SRC='http://www.a.com/i/p.gif'>"), std::string::npos);
  EXPECT_NE(stored.find("<!--KORVANE=ON-->"), std::string::npos);  // RealLinkFlag by default
}

}  // namespace
}  // namespace korvane
