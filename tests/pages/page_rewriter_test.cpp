// Processing of captured pages and their rewriting for local reading: exact bytes of what the
// program adds, links to captured and dead targets, maps, and stable results on real pages.
#include "pages/page_rewriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "maps/map_list.h"
#include "store/web_tree.h"
#include "support/mem_file_system.h"

namespace korvane {
namespace {

using testing::TMemFileSystem;

const TDateTime kDate = EncodeDateTime(2026, 12, 7, 9, 5, 3);

std::string Footer(std::string_view url) {
  std::string s;
  WriteFooter(s, url, kDate);
  return s;
}

TEST(WriteFooterTest, BytesOfTheFooter) {
  EXPECT_EQ(Footer("http://h.test/a/b.htm"),
            "<!--KORVANE=ON-->  \r\n"
            "<p><hr><b></i></s></u><var><center>  \r\n"
            "Captured by Korvane from  <A HREF=http://h.test/a/b.htm>http://h.test/a/b.htm</a> : " +
                FormatShortDate(kDate) +
                "  \r\n"
                "<hr> \r\n"
                "<!--KORVANE=OFF--> ");
}

TEST(WriteFooterTest, HostileAddressIsEscapedAndLongOneKeepsItsClosingMarker) {
  std::string footer = Footer("http://h.test/\"><script>x</script>");
  EXPECT_EQ(footer.find("<script>"), std::string::npos);
  EXPECT_NE(footer.find("http://h.test/&quot;&gt;&lt;script&gt;x&lt;/script&gt;"),
            std::string::npos);

  std::string long_url = "http://h.test/" + std::string(240, 'a');
  footer = Footer(long_url);
  EXPECT_NE(footer.find(">" + long_url + "</a>"), std::string::npos);
  EXPECT_TRUE(footer.ends_with("<!--KORVANE=OFF--> "));
}

// Links handed to admission by page processing.
struct TAdmitted {
  std::vector<TLinkItem> links;
  TNewLinkProc Proc() {
    return [this](const TLinkItem& link, TWebFile*) { links.push_back(link); };
  }
  std::vector<std::string> Urls() const {
    std::vector<std::string> urls;
    for (const TLinkItem& l : links) urls.push_back(l.Url);
    return urls;
  }
};

TProcessedPage Process(std::string_view page, TAdmitted& admitted, bool footer = false,
                       std::string_view url = "http://www.site.test/dir/page.htm") {
  return ProcessCapturedPage(page, url, {}, admitted.Proc(), nullptr, footer, kDate);
}

TEST(ProcessCapturedPageTest, LinksBecomeAbsoluteWithTheirQuotesAndFragments) {
  TAdmitted admitted;
  TProcessedPage p = Process(
      "<HTML><HEAD><TITLE> A &amp; B </TITLE></HEAD>\n"
      "<BODY BACKGROUND='bg.gif'>\n"
      "<A HREF=\"../up.htm#part\">Up</A> <a href=sub/x.htm>X</a>\n"
      "<IMG SRC=pic.gif LOWSRC=low.gif ALT=\"p\"><IMG LOWSRC=\"low.gif\" SRC=\"/pic2.gif\">\n"
      "<A HREF=\"#top\">Top</A><A HREF=\"mailto:me@site.test\">Mail</A>\n"
      "</BODY></HTML>\n",
      admitted);
  EXPECT_EQ(p.Text,
            "<HTML>\r\n<!-- Url : \"http://www.site.test/dir/page.htm\" -->\r\n"
            "<HEAD><TITLE> A &amp; B </TITLE></HEAD>\n"
            "<BODY BACKGROUND='http://www.site.test/dir/bg.gif'>\n"
            "<A HREF=\"http://www.site.test/up.htm#part\">Up</A> "
            "<a href=http://www.site.test/dir/sub/x.htm>X</a>\n"
            "<IMG SRC=http://www.site.test/dir/pic.gif ALT=\"p\">"
            "<IMG SRC=\"http://www.site.test/pic2.gif\">\n"
            "<A HREF=\"#top\">Top</A><A HREF=\"mailto:me@site.test\">Mail</A>\n"
            "</BODY></HTML>\n");
  EXPECT_EQ(p.Title, "A &amp; B");
  EXPECT_FALSE(p.Ismap);
  EXPECT_EQ(admitted.Urls(), (std::vector<std::string>{
                                 "http://www.site.test/dir/bg.gif",
                                 "http://www.site.test/up.htm",
                                 "http://www.site.test/dir/sub/x.htm",
                                 "http://www.site.test/dir/pic.gif",
                                 "http://www.site.test/pic2.gif",
                             }));
  EXPECT_EQ(admitted.links[0].LinkKind, lkBackground);
  EXPECT_EQ(admitted.links[1].Text, "Up");
  EXPECT_EQ(admitted.links[3].LinkKind, lkImage);
}

// Titles and link texts are read in the page's character set, whoever names it, and become
// descriptions that show what the page shows; the stored page keeps its bytes.
TEST(ProcessCapturedPageTest, TextsAreReadInThePagesCharacterSet) {
  const std::string utf8_body =
      "<TITLE>Caf\xC3\xA9 &#8212; menu \xE2\x86\x92</TITLE><A HREF=a.htm>\xC3\xA9t\xC3\xA9</A>";
  struct Case {
    std::string page;
    std::string header_charset;
    std::string title, link_text;  // as descriptions
  } cases[] = {
      {"<META CHARSET=\"utf-8\">" + utf8_body, "", "Caf\xE9 \x97 menu &#8594;", "\xE9t\xE9"},
      {"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">" + utf8_body, "",
       "Caf\xE9 \x97 menu &#8594;", "\xE9t\xE9"},
      {utf8_body, "utf-8", "Caf\xE9 \x97 menu &#8594;", "\xE9t\xE9"},
      {"\xEF\xBB\xBF" + utf8_body, "iso-8859-1", "Caf\xE9 \x97 menu &#8594;", "\xE9t\xE9"},
      // The response's charset wins over the page's own.
      {"<META CHARSET=\"windows-1252\">" + utf8_body, "UTF-8", "Caf\xE9 \x97 menu &#8594;",
       "\xE9t\xE9"},
      // None named: Windows-1252, as it always was.
      {"<TITLE>Caf\xE9 &eacute;</TITLE><A HREF=a.htm>\x93x\x94</A>", "", "Caf\xE9 \xE9",
       "\x93x\x94"},
      {"<TITLE>\xA4uro</TITLE><A HREF=a.htm>\xBD</A>", "iso-8859-15", "\x80uro", "\x9C"},
      // A declaration after the body is no declaration.
      {"<BODY><META CHARSET=utf-8><A HREF=a.htm>\xC3\xA9</A>", "", "", "\xC3\xA9"},
      // Other sets, through the system's converter: Cyrillic, Japanese (read as browsers do,
      // in the larger Windows set), a byte that is no character of its set.
      {"<TITLE>\xCF\xF0\xE8\xE2\xE5\xF2</TITLE><A HREF=a.htm>\xE4\xE0</A>", "windows-1251",
       "&#1055;&#1088;&#1080;&#1074;&#1077;&#1090;", "&#1076;&#1072;"},
      {"<META CHARSET=Shift_JIS><TITLE>\x93\xFA\x96\x7B \x87\x40</TITLE>", "",
       "&#26085;&#26412; &#9312;", ""},
      {"<TITLE>a\xFF&amp;b</TITLE>", "EUC-JP", "a\xFF&b", ""},
      // Not a set the program or the system reads, or not a name at all: its bytes, as before.
      {"<TITLE>\xC3\xA9</TITLE>", "x-no-such-set", "\xC3\xA9", ""},
      {"<TITLE>\xC3\xA9</TITLE>", "../../x/UTF-8", "\xC3\xA9", ""},
  };
  // Both readings of pages (the original tag table, and the one for requisites) find them.
  for (const bool requisites : {false, true}) {
    for (const Case& c : cases) {
      TAdmitted admitted;
      TProcessedPage processed =
          ProcessCapturedPage(c.page, "http://www.site.test/", {}, admitted.Proc(), nullptr, false,
                              kDate, requisites, c.header_charset);
      EXPECT_EQ(DecodeEntities(processed.Title), c.title) << c.page << requisites;
      if (!c.link_text.empty()) {
        ASSERT_FALSE(admitted.links.empty()) << c.page;
        EXPECT_EQ(DecodeEntities(admitted.links.back().Text), c.link_text) << c.page;
      }
      EXPECT_NE(processed.Text.find(c.page.substr(c.page.find('<'), 20)), std::string::npos);
    }
  }
}

TEST(ProcessCapturedPageTest, BaseChangesTheBaseOfLaterLinksOnly) {
  TAdmitted admitted;
  TProcessedPage p = Process(
      "<a href=a.htm>a</a><BASE HREF=\"http://other.test/base/\"><a href=b.htm>b</a>", admitted);
  EXPECT_EQ(admitted.Urls(),
            (std::vector<std::string>{"http://www.site.test/dir/a.htm", "http://other.test/base/",
                                      "http://other.test/base/b.htm"}));
  EXPECT_NE(p.Text.find("<a href=http://other.test/base/b.htm>b</a>"), std::string::npos);
}

TEST(ProcessCapturedPageTest, ServerSideMapMarksThePageAndItsAnchorIsNotAdmitted) {
  TAdmitted admitted;
  TProcessedPage p = Process("<A HREF=\"/cgi-bin/map\"><IMG SRC=\"nav.gif\" ISMAP></A>", admitted);
  EXPECT_TRUE(p.Ismap);
  EXPECT_EQ(admitted.Urls(), (std::vector<std::string>{"http://www.site.test/dir/nav.gif"}));
  // The anchor is still made absolute, so that the map's address is known off line.
  EXPECT_NE(p.Text.find("HREF=\"http://www.site.test/cgi-bin/map\""), std::string::npos);
}

TEST(ProcessCapturedPageTest, NoByteAfterTheLastTagIsLost) {
  TAdmitted admitted;
  for (std::string_view tail : {"trailing text", "<A HREF=unfinished.htm", "", "\n"}) {
    std::string page = "x<P>" + std::string(tail);
    EXPECT_EQ(Process(page, admitted).Text, page) << tail;
    EXPECT_EQ(Process(page, admitted, true).Text,
              page + Footer("http://www.site.test/dir/page.htm"))
        << tail;
  }
}

TEST(ProcessCapturedPageTest, AddressLineEscapesTheAddress) {
  TAdmitted admitted;
  TProcessedPage p = Process("<html></html>", admitted, false, "http://h.test/a\"-->b");
  EXPECT_EQ(p.Text, "<html>\r\n<!-- Url : \"http://h.test/a&quot;--&gt;b\" -->\r\n</html>");
}

// A web folder in memory with a tree of captured records.
class RewriteTest : public ::testing::Test {
 protected:
  void SetUp() override { fs.dirs.insert("/web"); }

  static constexpr const char* kPath = "/web/";

  TWebFile* Add(const std::string& url, std::uint8_t state, const std::string& file_name) {
    auto record = std::make_unique<TWebFile>();
    record->State = state;
    record->SetFileName(file_name);
    TWebFile* raw = record.get();
    EXPECT_TRUE(tree.Add(url, std::move(record)));
    return raw;
  }

  // Stores `page` as the captured page at `url` and rewrites it once.
  std::string Rewrite(const std::string& page, bool suppress = true, bool real_link = false) {
    if (!page_) page_ = Add("http://www.site.test/index.htm", wsPage, "index.htm");
    if (!page.empty()) fs.files[std::string(kPath) + "index.htm"] = page;
    EXPECT_TRUE(RewritePage(fs, kPath, *page_, tree, maps, kDate, real_link, suppress));
    return fs.files[std::string(kPath) + "index.htm"];
  }
  std::string RewriteAgain(bool suppress = true, bool real_link = false) {
    return Rewrite("", suppress, real_link);
  }

  TMemFileSystem fs;
  TWebTree tree;
  TMAPLIST maps;
  TWebFile* page_ = nullptr;
};

TEST_F(RewriteTest, CapturedTargetGetsItsLocalNameAndOldref) {
  Add("http://www.site.test/a.htm", wsPage, "a.htm");
  Add("http://www.site.test/gone.htm", wsNotFound, "NotFound.htm");
  std::string once = Rewrite(
      "<A HREF=\"http://www.site.test/a.htm#x\">a</A>"
      "<A HREF=http://www.site.test/gone.htm TARGET=_top>g</A>");
  EXPECT_EQ(once,
            "<A HREF=\"a.htm#x\" OLDREF=\"http://www.site.test/a.htm\">a</A>"
            "<A HREF=NotFound.htm  OLDREF=\"http://www.site.test/gone.htm\"TARGET=_top>g</A>");
  EXPECT_EQ(RewriteAgain(), once);
}

TEST_F(RewriteTest, DeadLinksGoToTheBadLinkPageOrAreEmptied) {
  std::string once = Rewrite(
      "<A HREF=\"http://www.site.test/dead.htm\">d</A>"
      "<IMG SRC=http://www.site.test/pic.gif ALT=p>"
      "<BODY BACKGROUND=\"http://www.site.test/bg.gif\">"
      "<A HREF=\"mailto:me@site.test\">m</A>");
  EXPECT_EQ(once,
            "<A HREF=\"BadLink.htm\" OLDREF=\"http://www.site.test/dead.htm\">d</A>"
            "<IMG SRC=\"\"  OLDREF=\"http://www.site.test/pic.gif\"ALT=p>"
            "<BODY BACKGROUND=\"\" OLDREF=\"http://www.site.test/bg.gif\">"
            "<A HREF=\"mailto:me@site.test\">m</A>");
  EXPECT_EQ(RewriteAgain(), once);

  // Captured later: the emptied picture gets its local name, whole.
  Add("http://www.site.test/pic.gif", wsFile, "pic.gif");
  EXPECT_NE(
      RewriteAgain().find("<IMG SRC=\"pic.gif\"  OLDREF=\"http://www.site.test/pic.gif\"ALT=p>"),
      std::string::npos);
}

TEST_F(RewriteTest, WithoutSuppressionUncapturedLinksGetTheirAddressBackAndLoseOldref) {
  TWebFile* a = Add("http://www.site.test/a.htm", wsPage, "a.htm");
  Rewrite("<A HREF=\"http://www.site.test/a.htm\">a</A>");
  a->State = wsError;  // the target was removed from the web
  EXPECT_EQ(RewriteAgain(false), "<A HREF=\"http://www.site.test/a.htm\" >a</A>");
  EXPECT_EQ(RewriteAgain(false), "<A HREF=\"http://www.site.test/a.htm\" >a</A>");
}

TEST_F(RewriteTest, BaseLosesItsHrefAndTitleAndCommentsStay) {
  EXPECT_EQ(Rewrite("<TITLE>t</TITLE><BASE HREF=\"http://www.site.test/\"><!-- c -->x"),
            "<TITLE>t</TITLE><BASE><!-- c -->x");
  // Every HREF of a BASE goes in one rewrite, read as the page's attributes are: the next
  // rewrite finds none left.
  for (const bool requisites : {false, true}) {
    const std::string file = std::string(kPath) + "index.htm";
    fs.files[file] = "<BASE HREF=a HREF/x=/y><P>";
    ASSERT_TRUE(RewritePage(fs, kPath, *page_, tree, maps, kDate, false, true, requisites));
    const std::string once = fs.files[file];
    ASSERT_TRUE(RewritePage(fs, kPath, *page_, tree, maps, kDate, false, true, requisites));
    EXPECT_EQ(fs.files[file], once) << requisites;
  }
}

// A large page goes to its file in pieces: the result is the page the rewrite gives in memory,
// an unchanged page is not written again, and a disk that fills up midway leaves it as it was.
TEST_F(RewriteTest, LargePagesAreWrittenInPiecesAndOnlyWhenChanged) {
  Add("http://www.site.test/a.htm", wsPage, "a.htm");
  const std::string filler(300 * 1024, 'x');
  for (const std::string& page :
       {filler + "<A HREF=\"http://www.site.test/a.htm\">a</A>" + filler,
        "<A HREF=\"http://www.site.test/a.htm\">a</A>" + filler + "<P>", filler + "<P>"}) {
    const std::string file = std::string(kPath) + "index.htm";
    if (!page_) page_ = Add("http://www.site.test/index.htm", wsPage, "index.htm");
    for (const bool real_link : {false, true}) {
      fs.files[file] = page;
      const std::string expected = RewritePageText(page, "http://www.site.test/index.htm", tree,
                                                   maps, {}, kDate, real_link, true, true);
      std::int64_t size = 0;
      ASSERT_TRUE(RewritePage(fs, kPath, *page_, tree, maps, kDate, real_link, true, true, &size));
      EXPECT_EQ(fs.files[file], expected);
      EXPECT_EQ(size, static_cast<std::int64_t>(expected.size()));
      int opened = 0;
      fs.on_open_for_write = [&](const std::string&) { ++opened; };
      ASSERT_TRUE(RewritePage(fs, kPath, *page_, tree, maps, kDate, real_link, true, true, &size));
      EXPECT_EQ(opened, 0);
      EXPECT_EQ(size, static_cast<std::int64_t>(expected.size()));
      fs.on_open_for_write = {};
      if (expected == page) continue;
      fs.files[file] = page;
      fs.write_budget = 100 * 1024;
      EXPECT_FALSE(RewritePage(fs, kPath, *page_, tree, maps, kDate, real_link, true, true));
      fs.write_budget = -1;
      EXPECT_EQ(fs.files[file], page);
      EXPECT_EQ(fs.files.count(file + ".tmp"), 0u);
    }
  }
}

TEST_F(RewriteTest, FooterIsRenewedNotRepeated) {
  std::string page = "<P>text</P>\n" + Footer("http://old.test/");
  std::string once = Rewrite(page, true, true);
  EXPECT_EQ(once, "<P>text</P>\n" + Footer("http://www.site.test/index.htm"));
  EXPECT_EQ(RewriteAgain(true, true), once);
  EXPECT_EQ(RewriteAgain(true, false), "<P>text</P>\n");
}

TEST_F(RewriteTest, FooterAfterAnUnfinishedEndIsRenewedAndTheEndKept) {
  // The unfinished comment and tag would swallow the footer's first marker if it were tokenized.
  for (std::string end : {"<!-- open", "<A HREF=http://www.site.test/x.htm"}) {
    std::string once = Rewrite("<P>x" + end + Footer("http://old.test/"), true, true);
    EXPECT_EQ(once, "<P>x" + end + Footer("http://www.site.test/index.htm"));
    EXPECT_EQ(RewriteAgain(true, true), once);
  }
}

TEST_F(RewriteTest, AuthorCommentMentioningTheMarkerDropsNothing) {
  std::string page = "<!-- KORVANE=ON is our marker --><P>kept</P>";
  EXPECT_EQ(Rewrite(page), page);
}

TEST_F(RewriteTest, ServerMapIsNeutralisedAndRestored) {
  Add("http://www.site.test/nav.gif", wsFile, "nav.gif");
  std::string page =
      "<A HREF=\"http://www.site.test/cgi-bin/map\"><IMG SRC=\"http://www.site.test/nav.gif\" "
      "ISMAP></A>";
  std::string once = Rewrite(page);
  EXPECT_NE(once.find("OLDREF=\"http://www.site.test/nav.gif\" _SMAP>"), std::string::npos);
  EXPECT_NE(once.find("HREF=\"BadLink.htm\""), std::string::npos);
  EXPECT_NE(RewriteAgain(false).find("OLDREF=\"http://www.site.test/nav.gif\" ISMAP>"),
            std::string::npos);
}

TEST_F(RewriteTest, ClientMapIsInsertedOnceAndReplaced) {
  Add("http://www.site.test/nav.gif", wsFile, "nav.gif");
  auto map = std::make_unique<TMapImg>();
  map->ImageFile = "NAV.GIF";
  map->MapFile = "nav.map";
  maps.Add(std::move(map));
  fs.files["/web/nav.map"] =
      "<AREA SHAPE=rect COORDS=\"0,0,9,9\" HREF=\"http://www.site.test/a.htm\">\r\n";
  Add("http://www.site.test/a.htm", wsPage, "a.htm");

  std::string once = Rewrite("<IMG SRC=\"http://www.site.test/nav.gif\" ISMAP>\n<P>");
  EXPECT_EQ(once,
            "<IMG SRC=\"nav.gif\" OLDREF=\"http://www.site.test/nav.gif\" USEMAP=\"#nav\">\n"
            "<!--KORVANE MAP=ON-->\r\n<map name=\"nav\">\r\n"
            "<AREA SHAPE=rect COORDS=\"0,0,9,9\" HREF=\"http://www.site.test/a.htm\">\r\n"
            "</map>\r\n<!--KORVANE MAP=OFF--><P>");
  EXPECT_EQ(RewriteAgain(), once);

  // An unfinished end after the picture stays after the map.
  std::string unfinished = Rewrite("<IMG SRC=\"http://www.site.test/nav.gif\" ISMAP><!-- open");
  EXPECT_TRUE(unfinished.ends_with("<!--KORVANE MAP=OFF--><!-- open"));
  EXPECT_EQ(RewriteAgain(), unfinished);
  Rewrite("<IMG SRC=\"http://www.site.test/nav.gif\" ISMAP>\n<P>");

  // The user redrew the map: the new one replaces the old.
  fs.files["/web/nav.map"] = "<AREA SHAPE=rect COORDS=\"1,1,2,2\" HREF=\"x.htm\">\r\n";
  std::string again = RewriteAgain();
  EXPECT_EQ(again.find("0,0,9,9"), std::string::npos);
  EXPECT_NE(again.find("1,1,2,2"), std::string::npos);
}

TEST_F(RewriteTest, MapOfAnUnquotedPictureSurvivesTheNextRewrite) {
  // OLDREF lands right before ISMAP, without a blank: the marker must still be found.
  Add("http://www.site.test/nav.gif", wsFile, "nav.gif");
  auto map = std::make_unique<TMapImg>();
  map->ImageFile = "nav.gif";
  map->MapFile = "nav.map";
  maps.Add(std::move(map));
  fs.files["/web/nav.map"] = "<AREA HREF=\"a.htm\">\r\n";
  std::string once = Rewrite("<IMG SRC=http://www.site.test/nav.gif ISMAP>");
  EXPECT_EQ(once,
            "<IMG SRC=nav.gif  OLDREF=\"http://www.site.test/nav.gif\"USEMAP=\"#nav\">"
            "<!--KORVANE MAP=ON-->\r\n<map name=\"nav\">\r\n<AREA HREF=\"a.htm\">\r\n</map>\r\n"
            "<!--KORVANE MAP=OFF-->");
  EXPECT_EQ(RewriteAgain(), once);
}

TEST_F(RewriteTest, ATagNamingTheMarkerTwiceSettlesAtTheFirstRewrite) {
  // The first marker becomes the client-side map; the second takes its final spelling at once.
  Add("http://www.site.test/nav.gif", wsFile, "nav.gif");
  auto map = std::make_unique<TMapImg>();
  map->ImageFile = "nav.gif";
  map->MapFile = "nav.map";
  maps.Add(std::move(map));
  fs.files["/web/nav.map"] = "<AREA HREF=\"a.htm\">\r\n";
  for (bool suppress : {true, false}) {
    std::string once = Rewrite("<IMG SRC=http://www.site.test/nav.gif ISMAP ISMAP>", suppress);
    EXPECT_NE(once.find(suppress ? "USEMAP=\"#nav\" _SMAP>" : "USEMAP=\"#nav\" ISMAP>"),
              std::string::npos)
        << once;
    EXPECT_EQ(RewriteAgain(suppress), once);
  }
}

TEST_F(RewriteTest, AddressHoldingAQuoteIsLeftAsItStands) {
  Add("http://www.site.test/a.gif\"", wsFile, "a.gif");
  std::string page = "<IMG SRC=http://www.site.test/a.gif\" ALT=x>";
  EXPECT_EQ(Rewrite(page), page);
}

TEST_F(RewriteTest, AddressContainingTheMapWordIsNotTouched) {
  Add("http://www.site.test/ismap.gif", wsFile, "ismap.gif");
  std::string once = Rewrite("<IMG SRC=http://www.site.test/ismap.gif>");
  EXPECT_EQ(once, "<IMG SRC=ismap.gif OLDREF=\"http://www.site.test/ismap.gif\">");
}

TEST_F(RewriteTest, MissingPageIsSkippedAndFailedWriteKeepsThePage) {
  page_ = Add("http://www.site.test/index.htm", wsPage, "index.htm");
  EXPECT_TRUE(RewritePage(fs, kPath, *page_, tree, maps, kDate, true, true));
  EXPECT_TRUE(fs.files.empty());

  fs.files["/web/index.htm"] = "<A HREF=\"http://www.site.test/x.htm\">x</A>";
  fs.fail_renames = true;
  EXPECT_FALSE(RewritePage(fs, kPath, *page_, tree, maps, kDate, true, true));
  EXPECT_EQ(fs.files["/web/index.htm"], "<A HREF=\"http://www.site.test/x.htm\">x</A>");
  EXPECT_EQ(fs.files.size(), 1u);
}

TEST(SetHtmlLinksTest, ProcessesTheStoredPageAndUpdatesItsRecord) {
  TMemFileSystem fs;
  fs.dirs.insert("/web");
  TWebTree tree;
  auto owned = std::make_unique<TWebFile>();
  TWebFile* record = owned.get();
  tree.Add("http://www.site.test/index.htm", std::move(owned));
  record->SetFileName("index.htm");
  record->SetDescription("link text");
  fs.files["/web/index.htm"] = "<A HREF=m><IMG SRC=n.gif ISMAP></A>";

  std::vector<TWebFile*> parents;
  THtmlLinksContext web{&fs, "/web/",
                        [&](const TLinkItem&, TWebFile* parent) { parents.push_back(parent); },
                        false, kDate};
  EXPECT_TRUE(SetHtmlLinks(web, *record, "http://www.site.test/index.htm"));
  EXPECT_EQ(fs.files["/web/index.htm"],
            "<A HREF=http://www.site.test/m><IMG SRC=http://www.site.test/n.gif ISMAP></A>");
  EXPECT_EQ(parents, std::vector<TWebFile*>{record});
  EXPECT_TRUE(record->GetIsmap());
  EXPECT_EQ(record->GetDescription(), "link text");  // no TITLE: the description stays

  fs.files["/web/index.htm"] = "<TITLE>caf&eacute;</TITLE>";
  EXPECT_TRUE(SetHtmlLinks(web, *record, "http://www.site.test/index.htm"));
  EXPECT_EQ(record->GetDescription(), "caf\xE9");
}

// Real pages: every link captured, then resolved again and again.
class RealPagesTest : public ::testing::TestWithParam<std::string> {};

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The page's bytes outside tags, in order.
std::string TextOutsideTags(const std::string& page) {
  THtmlParser parser{std::string_view(page)};
  std::string text;
  for (int i = 0; i < parser.Count(); ++i) parser.CopyText(i, text);
  return text;
}

TEST_P(RealPagesTest, ResolvingAgainGivesTheSameBytesAndKeepsTheText) {
  const std::string original = ReadBytes(std::filesystem::path(KORVANE_PROJECT_DIR) / GetParam());
  ASSERT_FALSE(original.empty());
  const std::string url = "http://docs.site.test/3/" + GetParam();

  TMemFileSystem fs;
  fs.dirs.insert("/web");
  TWebTree tree;
  auto owned = std::make_unique<TWebFile>();
  TWebFile* page = owned.get();
  tree.Add(url, std::move(owned));
  page->State = wsPage;
  page->SetFileName("page.htm");
  fs.files["/web/page.htm"] = original;

  // Every other admitted link is captured, so that both branches of the rewrite are taken.
  int n = 0;
  THtmlLinksContext web{&fs, "/web/",
                        [&](const TLinkItem& link, TWebFile*) {
                          if (tree.Find(link.Url)) return;
                          auto record = std::make_unique<TWebFile>();
                          record->State = (n % 2) ? wsFile : wsTodo;
                          record->SetFileName("f" + std::to_string(n++) + ".htm");
                          tree.Add(link.Url, std::move(record));
                        },
                        true, kDate};
  ASSERT_TRUE(SetHtmlLinks(web, *page, url));
  const std::string processed = fs.files["/web/page.htm"];
  EXPECT_GE(n, 5);

  TMAPLIST maps;
  ASSERT_TRUE(RewritePage(fs, "/web/", *page, tree, maps, kDate, true, true));
  const std::string once = fs.files["/web/page.htm"];
  EXPECT_NE(once, processed);
  for (int run = 0; run < 2; ++run) {
    ASSERT_TRUE(RewritePage(fs, "/web/", *page, tree, maps, kDate, true, true));
    EXPECT_EQ(fs.files["/web/page.htm"], once);
  }

  // Apart from the address line and the footer, the text between tags is the original's.
  std::string resolved = once.substr(0, once.rfind("<!--KORVANE=ON-->"));
  std::size_t line = resolved.find("\r\n<!-- Url : \"");
  if (line != std::string::npos) {
    resolved.erase(line, resolved.find("-->\r\n", line) + 5 - line);
  }
  EXPECT_EQ(TextOutsideTags(resolved), TextOutsideTags(original));
}

INSTANTIATE_TEST_SUITE_P(DocumentationPages, RealPagesTest,
                         ::testing::Values("tests/data/pages/about.html",
                                           "tests/data/pages/bugs.html",
                                           "tests/data/pages/glob.html",
                                           "data/sample-site/index.htm"),
                         [](const auto& info) {
                           std::string name = info.param;
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

}  // namespace
}  // namespace korvane

namespace korvane {
namespace {

// A page of today, captured with page requisites and then resolved: every address it names is
// absolute after capture and admitted with its kind; resolved, each points at its local file
// with its original kept, again and again with the same bytes, and back to the original when
// its file is gone. Without the option the same page is processed as the original program did.
// Read with its requisites, a page takes its footer inside BODY as one closed element, so that a
// flexbox BODY keeps its layout; resolving again keeps exactly one footer there.
TEST(RequisitesTest, TheFooterGoesInsideBodyOnceAndOnlyForTodaysPages) {
  const std::string url = "http://www.site.test/a.htm";
  const std::string page = "<html><body style=\"display:flex\"><main>text</main></body></html>\n";
  TAdmitted admitted;
  const std::string captured =
      ProcessCapturedPage(page, url, {}, admitted.Proc(), nullptr, true, kDate, true).Text;
  const std::size_t footer = captured.find("<!--KORVANE=ON--><div class=\"korvane-footer\" style=");
  ASSERT_NE(footer, std::string::npos) << captured;
  EXPECT_EQ(captured.find("</body>"), captured.find("<!--KORVANE=OFF-->") + 18) << captured;
  EXPECT_LT(footer, captured.find("</body>"));
  EXPECT_TRUE(captured.ends_with("</html>\n")) << captured;

  TWebTree tree;
  TMAPLIST maps;
  const auto no_maps = [](const std::string&) { return std::optional<std::string>(); };
  const std::string resolved =
      RewritePageText(captured, url, tree, maps, no_maps, kDate, true, false, true);
  EXPECT_EQ(resolved,
            RewritePageText(resolved, url, tree, maps, no_maps, kDate, true, false, true));
  EXPECT_EQ(resolved.find("KORVANE=ON"), resolved.rfind("KORVANE=ON"));  // one footer
  EXPECT_LT(resolved.find("KORVANE=OFF"), resolved.find("</body>"));

  // Without a BODY end, at the end; without requisites, after the page as before.
  const std::string bare =
      ProcessCapturedPage("<p>x", url, {}, admitted.Proc(), nullptr, true, kDate, true).Text;
  EXPECT_TRUE(bare.ends_with("</span></div><!--KORVANE=OFF-->")) << bare;
  const std::string old =
      ProcessCapturedPage(page, url, {}, admitted.Proc(), nullptr, true, kDate, false).Text;
  EXPECT_EQ(old.find("korvane-footer"), std::string::npos);
  EXPECT_GT(old.find("<!--KORVANE=ON-->"), old.find("</html>"));
}

TEST(RequisitesTest, ATodaysPageIsCapturedAndResolvedWhole) {
  const std::string page =
      "<html><head><link rel=stylesheet href=\"../css/site.css?v=2\"><script src=app.js></script>"
      "<style>body{background:url(img/bg.png)}</style>"
      "<meta http-equiv=refresh content=\"60; url=next.htm\">"
      "<link rel=next href=\"q.htm?a=1&amp;b=2#s\"><link rel=canonical href=/other.htm></head>"
      "<body><img src=a.png srcset=\"a.png 1x, a2.png 2x\" alt=\"" +
      std::string(300, 'x') +
      "\">"
      "<video src=v.mp4 poster=v.jpg></video><iframe src=\"frame.htm#top\"></iframe>"
      "<p style=\"background: url('dot.gif')\"><a "
      "href=\"q.htm?a=1&amp;b=2\">q</a></p></body></html>";
  const std::string base = "http://www.site.test/dir/page.htm";
  TAdmitted admitted;
  TProcessedPage processed =
      ProcessCapturedPage(page, base, {}, admitted.Proc(), nullptr, false, kDate, true);
  std::vector<std::string> kinds;
  for (const TLinkItem& l : admitted.links)
    kinds.push_back(std::to_string(l.LinkKind) + " " + l.Url);
  EXPECT_EQ(kinds,
            (std::vector<std::string>{
                "3 http://www.site.test/css/site.css?v=2", "3 http://www.site.test/dir/app.js",
                "2 http://www.site.test/dir/img/bg.png", "0 http://www.site.test/dir/next.htm",
                // Links of other relations name pages.
                "0 http://www.site.test/dir/q.htm?a=1&b=2", "0 http://www.site.test/other.htm",
                "1 http://www.site.test/dir/a.png",  // the srcset, then the SRC
                "1 http://www.site.test/dir/a2.png", "1 http://www.site.test/dir/a.png",
                "1 http://www.site.test/dir/v.jpg", "3 http://www.site.test/dir/v.mp4",
                "0 http://www.site.test/dir/frame.htm", "2 http://www.site.test/dir/dot.gif",
                "0 http://www.site.test/dir/q.htm?a=1&b=2",  // entities decoded
            }));
  const std::string& text = processed.Text;
  EXPECT_NE(
      text.find("srcset=\"http://www.site.test/dir/a.png 1x, http://www.site.test/dir/a2.png 2x\""),
      std::string::npos);
  EXPECT_NE(text.find("url(http://www.site.test/dir/img/bg.png)"), std::string::npos);
  EXPECT_NE(text.find("href=\"http://www.site.test/dir/q.htm?a=1&amp;b=2\""), std::string::npos);

  // Resolved: the captured addresses become their local files.
  TMemFileSystem fs;
  fs.dirs.insert("/web");
  TWebTree tree;
  auto add = [&](const std::string& url, const std::string& file) {
    auto record = std::make_unique<TWebFile>();
    record->State = wsFile;
    record->SetFileName(file);
    EXPECT_TRUE(tree.Add(url, std::move(record)));
  };
  add(base, "page.htm");
  for (auto [url, file] : std::vector<std::pair<std::string, std::string>>{
           {"http://www.site.test/css/site.css?v=2", "site.css"},
           {"http://www.site.test/dir/app.js", "app.js"},
           {"http://www.site.test/dir/img/bg.png", "bg.png"},
           {"http://www.site.test/dir/a2.png", "a2.png"},
           {"http://www.site.test/dir/v.mp4", "v.mp4"},
           {"http://www.site.test/dir/dot.gif", "dot.gif"},
           {"http://www.site.test/dir/q.htm?a=1&b=2", "q.htm"}}) {
    add(url, file);
  }
  fs.files["/web/page.htm"] = text;
  TMAPLIST maps;
  TWebFile* record = tree.Find(base);
  ASSERT_TRUE(RewritePage(fs, "/web/", *record, tree, maps, kDate, false, false, true));
  const std::string once = fs.files["/web/page.htm"];
  for (std::string_view expected : {
           "href=\"site.css\" OLDREF=\"http://www.site.test/css/site.css?v=2\"",
           "src=app.js OLDREF=\"http://www.site.test/dir/app.js\"",
           "url(bg.png)/*OLDREF=http://www.site.test/dir/img/bg.png*/",
           "srcset=\"http://www.site.test/dir/a.png 1x, a2.png 2x\" "
           "OLDSRCSET=\"http://www.site.test/dir/a.png 1x, "
           "http://www.site.test/dir/a2.png 2x\"",
           "src=v.mp4 OLDREF=\"http://www.site.test/dir/v.mp4\"",
           "style=\"background: url('dot.gif')\" OLDSTYLE=\"background: "
           "url('http://www.site.test/dir/dot.gif')\"",
           "href=\"q.htm\" OLDREF=\"http://www.site.test/dir/q.htm?a=1&amp;b=2\"",
           "<link rel=next href=\"q.htm#s\" OLDREF=",
       }) {
    EXPECT_NE(once.find(expected), std::string::npos) << expected << "\n" << once;
  }
  // A page relation not in the copy keeps its address online, even where dead links are
  // suppressed: no reader follows it to the bad-link page.
  fs.files["/web/page.htm"] = text;
  ASSERT_TRUE(RewritePage(fs, "/web/", *record, tree, maps, kDate, false, true, true));
  EXPECT_NE(
      fs.files["/web/page.htm"].find("<link rel=canonical href=http://www.site.test/other.htm"),
      std::string::npos)
      << fs.files["/web/page.htm"];
  fs.files["/web/page.htm"] = once;
  ASSERT_TRUE(RewritePage(fs, "/web/", *record, tree, maps, kDate, false, false, true));
  EXPECT_EQ(fs.files["/web/page.htm"], once);

  // Nothing local any more: every link has its absolute address back, the kept ones gone.
  TWebTree empty;
  auto only_page = std::make_unique<TWebFile>();
  only_page->State = wsPage;
  only_page->SetFileName("page.htm");
  TWebFile* lone = only_page.get();
  ASSERT_TRUE(empty.Add(base, std::move(only_page)));
  ASSERT_TRUE(RewritePage(fs, "/web/", *lone, empty, maps, kDate, false, false, true));
  const std::string back = fs.files["/web/page.htm"];
  EXPECT_EQ(back.find("OLD"), std::string::npos) << back;
  for (std::string_view absolute :
       {"href=\"http://www.site.test/css/site.css?v=2\"",
        "url(http://www.site.test/dir/img/bg.png)}",
        "srcset=\"http://www.site.test/dir/a.png 1x, http://www.site.test/dir/a2.png 2x\"",
        "style=\"background: url('http://www.site.test/dir/dot.gif')\"",
        "href=\"http://www.site.test/dir/q.htm?a=1&amp;b=2\""}) {
    EXPECT_NE(back.find(absolute), std::string::npos) << absolute;
  }

  // The original program's reading of the same page: no requisite is seen.
  TAdmitted design;
  TProcessedPage original =
      ProcessCapturedPage(page, base, {}, design.Proc(), nullptr, false, kDate);
  EXPECT_EQ(design.Urls(), (std::vector<std::string>{"http://www.site.test/dir/q.htm?a=1&b=2"}));
  EXPECT_NE(original.Text.find("<link rel=stylesheet href=\"../css/site.css?v=2\">"),
            std::string::npos);
}

}  // namespace
}  // namespace korvane
