// The home page and index generators on an in-memory folder: page numbering across sites, the
// navigation links and table, template expansion, thumbnails and the minimum picture size.
#include "pages/page_index.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "engine/resolve_links.h"
#include "engine/web.h"
#include "support/mem_file_system.h"

namespace korvane {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using testing::TMemFileSystem;

constexpr const char* kTemplates = "/prog/index/";

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class PageIndexTest : public ::testing::Test {
 protected:
  PageIndexTest() : web_(defaults_, fs_) {
    web_.SetPath("/web/");
    web_.SetTitle("My <web>");
    web_.MimeList().SetToDefault();
    EXPECT_TRUE(fs_.MakeDirs(kTemplates));
    // Templates that show what each page needs checking.
    for (const char* name : {"_IxH.krv", "_IxI.krv", "_IxO.krv", "_IxE.krv", "_Home.krv"}) {
      fs_.files[std::string(kTemplates) + name] =
          "n=KRVN_PAGE_NUMBER/KRVN_PAGE_COUNT next=KRVN_PAGE_NEXT back=KRVN_PAGE_BACK\r\n"
          "KRVN_HTML_TABLE\r\n";
    }
  }

  TWebFile& Add(const std::string& url, std::uint8_t state, const std::string& mime,
                const std::string& file) {
    auto record = std::make_unique<TWebFile>();
    TWebFile* raw = record.get();
    raw->State = state;
    raw->SetMimeType(mime);
    raw->SetFileName(file);
    EXPECT_TRUE(web_.AddRecord(url, std::move(record)));
    return *raw;
  }
  // `n` captured pages of `host`, added as the generator's site.
  std::vector<TWebFile*> Pages(const std::string& host, int n) {
    std::vector<TWebFile*> pages;
    for (int i = 0; i < n; ++i) {
      std::string name = host.substr(0, 1) + std::to_string(i) + ".htm";
      pages.push_back(&Add("http://" + host + "/" + name, wsPage, "text/html", name));
    }
    return pages;
  }
  void FeedSite(TSommaireIndex& home, const std::string& host, const std::vector<TWebFile*>& files,
                const TSiteCounts& counts, std::vector<TPictureSize> sizes = {}) {
    home.StartSite(host, "http://" + host + "/", files.empty() ? "" : files[0]->GetFileName(),
                   std::move(sizes), counts);
    for (TWebFile* f : files) home.AddFile(*f);
    home.EndSite();
  }
  const std::string& File(const std::string& name) { return fs_.files["/web/" + name]; }
  bool Exists(const std::string& name) { return fs_.files.count("/web/" + name) > 0; }

  TOPTIONS defaults_;
  TMemFileSystem fs_;
  TWEB web_;
  TSommaireParam param_;
};

TEST_F(PageIndexTest, PageFileNamesAreHexadecimalWithTwoDigitsAtLeast) {
  TPageIndex index(IndexedWeb(web_), fs_, kTemplates);
  index.BaseName = "_IxH";
  const std::pair<int, const char*> cases[] = {
      {-1, "_IxH.htm"},   {0, "_IxH.htm"},    {1, "_IxH01.htm"},
      {10, "_IxH0A.htm"}, {16, "_IxH10.htm"}, {256, "_IxH100.htm"},
  };
  for (auto [n, name] : cases) EXPECT_EQ(index.PageFileName(n), name) << n;
}

TEST_F(PageIndexTest, TemplateLinesExpandMarkersAndDropUnknownPrefixes) {
  TPageIndex index(IndexedWeb(web_), fs_, kTemplates);
  const std::pair<const char*, const char*> cases[] = {
      {"plain", "plain\r\n"},
      {"", "\r\n"},
      {"v=KRVN_VERSION!", "v=17!\r\n"},
      {"a KRVN_NOSUCH b", "a NOSUCH b\r\n"},
      {"KRVN_", "\r\n"},
      {"KRVN_KRVN_VERSION", "17\r\n"},
      {"[KRVN_TITLE][KRVN_PAGE_TITLE]", "[My &lt;web&gt;][My &lt;web&gt;]\r\n"},
      {"KRVN_SOMMAIREx", "_Home.htmx\r\n"},
      {"KRVN_TODO KRVN_CAPTURE_TODOCOUNT.", "TODO .\r\n"},
  };
  for (auto [line, expected] : cases) {
    std::string out;
    index.ExpandTemplateLine(out, line);
    EXPECT_EQ(out, expected) << line;
  }
}

TEST_F(PageIndexTest, CellsAndLinksHaveTheirExactBytes) {
  TSommaireIndex home(IndexedWeb(web_), param_, fs_, kTemplates);
  auto pages = Pages("h", 1);
  pages[0]->SetDescription("A & B");
  FeedSite(home, "h", pages, {.Html = 1});
  EXPECT_THAT(File("_IxH.htm"),
              HasSubstr("<TR><TD ALIGN=\"Left\" VALIGN=\"Center\" >A &amp; B</TD>\r\n"
                        "<TD ALIGN=\"Left\" VALIGN=\"Center\" ><A HREF=\"h0.htm\">h0.htm</A>\r\n"
                        "</TD>\r\n"
                        "<TD ALIGN=\"Left\" VALIGN=\"Center\" ><A HREF=\"http://h/h0.htm\">"
                        "http://h/h0.htm</A>\r\n</TD>\r\n</TR>\r\n"));
  // The row that the last cell closed is not closed a second time.
  EXPECT_EQ(Count(File("_IxH.htm"), "</TR>"), 1);
}

TEST_F(PageIndexTest, PagesAreNumberedAcrossSites) {
  TSommaireIndex home(IndexedWeb(web_), param_, fs_, kTemplates);
  FeedSite(home, "a", Pages("a", 23), {.Html = 23});
  FeedSite(home, "b", Pages("b", 2), {.Html = 2});

  EXPECT_EQ(Count(File("_IxH.htm"), "<TR>"), 10);
  EXPECT_EQ(Count(File("_IxH01.htm"), "<TR>"), 10);
  EXPECT_EQ(Count(File("_IxH02.htm"), "<TR>"), 3);
  EXPECT_THAT(File("_IxH03.htm"), HasSubstr("b0.htm"));
  EXPECT_FALSE(Exists("_IxH04.htm"));

  // Next and back within a site; its ends lead home.
  EXPECT_THAT(File("_IxH.htm"), HasSubstr("n=1/3 next=_IxH01.htm back=_Home.htm"));
  EXPECT_THAT(File("_IxH01.htm"), HasSubstr("n=2/3 next=_IxH02.htm back=_IxH.htm"));
  EXPECT_THAT(File("_IxH02.htm"), HasSubstr("n=3/3 next=_Home.htm back=_IxH01.htm"));
  EXPECT_THAT(File("_IxH03.htm"), HasSubstr("n=1/1 next=_Home.htm back=_Home.htm"));
}

TEST_F(PageIndexTest, HomeRowLinksEachSitesFirstIndexPages) {
  TSommaireParam param;
  {
    TSommaireIndex home(IndexedWeb(web_), param, fs_, kTemplates);
    FeedSite(home, "a", Pages("a", 12), {.Html = 12});
    auto b = Pages("b", 1);
    b.push_back(&Add("http://b/gone.htm", wsNotFound, "", ""));
    FeedSite(home, "b", b, {.Html = 1, .Errors = 1});
    EXPECT_FALSE(Exists("_Home.htm"));  // written when the generator finishes
    home.Finish(0);
  }
  const std::string& page = File("_Home.htm");
  // A site without errors: six blanks and no error page; without pictures or others likewise.
  EXPECT_THAT(page,
              HasSubstr("<A HREF=\"a0.htm\">a</A>\r\n</TD>\r\n"
                        "<TD ALIGN=\"Left\" VALIGN=\"Center\" ><A HREF=\"_IxH.htm\">Htmls</A>"));
  EXPECT_THAT(page, HasSubstr("<A HREF=\"_IxH02.htm\">Htmls</A>"));
  EXPECT_THAT(page, HasSubstr("<A HREF=\"_IxE.htm\">Errors</A>"));
  // Pictures, others and errors of a; pictures and others of b.
  EXPECT_EQ(Count(page, "VALIGN=\"Center\" >      </TD>"), 5);
  EXPECT_EQ(Count(page, "VALIGN=\"Center\" >      </TD>\r\n</TR>"), 1);  // a's errors cell
  EXPECT_TRUE(Exists("_IxE.htm"));
  EXPECT_FALSE(Exists("_IxE01.htm"));
  EXPECT_FALSE(Exists("_IxI.htm"));
  EXPECT_THAT(File("_IxE.htm"), HasSubstr("<B>Not Found</B>"));
}

TEST_F(PageIndexTest, AWebWithoutSitesKeepsItsOldHomePage) {
  fs_.files["/web/_Home.htm"] = "old";
  {
    TSommaireIndex home(IndexedWeb(web_), param_, fs_, kTemplates);
    home.Finish(0);
  }
  EXPECT_EQ(File("_Home.htm"), "old");
}

TEST_F(PageIndexTest, NavigationTableOffersEveryStepthPage) {
  TPageIndex index(IndexedWeb(web_), fs_, kTemplates);
  index.BaseName = "_IxH";
  index.RowsPerPage = 1;
  index.SetItemCount(120);
  index.PageNumber = 1;  // not offered: with this step only pages 1, 4, 7, ... are
  std::string out;
  index.WriteMarker(out, 31);
  EXPECT_THAT(out, HasSubstr("<TR><TD>Page n\xB0</TD><TD><A HREF=\"_IxH.htm\">1</A></TD>\r\n"
                             "<TD><A HREF=\"_IxH03.htm\">4</A></TD>\r\n"
                             "<TD><A HREF=\"_IxH06.htm\">7</A></TD>\r\n"));
  EXPECT_EQ(Count(out, "<TR>"), 2);
  EXPECT_THAT(out, HasSubstr("<TR><TD></TD><TD><A HREF=\"_IxH4B.htm\">76</A></TD>"));
  EXPECT_THAT(out, HasSubstr("\">118</A></TD>\r\n</TR>\r\n</TABLE>\r\n"
                             "<!-- Find Index sur les Pages -->\r\n"));
  // The current page is shown, not linked.
  index.PageNumber = 0;
  out.clear();
  index.WriteMarker(out, 31);
  EXPECT_THAT(out, HasSubstr("<TD>Page n\xB0</TD><TD><BLINK><B>1</B></BLINK></TD>"));
}

TEST_F(PageIndexTest, HomePageNavigationShowsOneBlinkingPage) {
  TSommaireIndex home(IndexedWeb(web_), param_, fs_, kTemplates);
  std::string out;
  home.WriteMarker(out, 31);
  EXPECT_THAT(out, HasSubstr("<TR><TD>Page n\xB0</TD><TD><BLINK><B>1</B></BLINK></TD>\r\n</TR>"));
  EXPECT_THAT(out, Not(HasSubstr("HREF")));
}

struct ThumbCase {
  int w, h;
  bool ratio;
  const char* img;
  const char* caption;
};

TEST_F(PageIndexTest, ThumbnailsKeepTheirRatioWhenAsked) {
  const ThumbCase cases[] = {
      {200, 100, true, "WIDTH=\"64\" HEIGHT=\"32\"", "(200x100)"},
      {100, 200, true, "WIDTH=\"32\" HEIGHT=\"64\"", "(100x200)"},
      {40, 20, true, "WIDTH=\"40\" HEIGHT=\"20\"", "(40x20)"},
      {200, 100, false, "WIDTH=\"64\" HEIGHT=\"64\"", "(200x100)"},
      {0, 0, true, "WIDTH=\"64\" HEIGHT=\"64\"", "(64x64)"},  // not measured
  };
  int n = 0;
  for (const ThumbCase& c : cases) {
    fs_.files.clear();
    fs_.files[std::string(kTemplates) + "_IxI.krv"] = "KRVN_IMAGE_TABLE";
    TSommaireParam param;
    param.ImgRatio = c.ratio;
    TSommaireIndex home(IndexedWeb(web_), param, fs_, kTemplates);
    std::string name = "p" + std::to_string(n++) + ".gif";
    TWebFile& pic = Add("http://h/" + name, wsFile, "image/gif", name);
    FeedSite(home, "h", {&pic}, {.Pictures = 1}, {{c.w, c.h}});
    const std::string& page = File("_IxI.htm");
    EXPECT_THAT(page, HasSubstr("<IMG SRC=\"" + name + "\" " + c.img + " BORDER=\"0\">"))
        << c.w << "x" << c.h;
    EXPECT_THAT(page, HasSubstr(std::string("<FONT SIZE=\"2\">") + c.caption + "</FONT>"));
    EXPECT_THAT(page, HasSubstr("<TD WITDH=\"64\" HEIGHT=\"64\" ALIGN=\"CENTER\""));
  }
}

TEST_F(PageIndexTest, SmallPicturesAreLeftOut) {
  TSommaireParam param;
  param.ImgSizeMin = 50;
  param.ImgLigByPage = 1;
  param.ImgColByPage = 2;
  TSommaireIndex home(IndexedWeb(web_), param, fs_, kTemplates);
  std::vector<TWebFile*> pics;
  for (const char* name : {"small.gif", "big1.gif", "wide.gif", "big2.gif", "big3.gif"}) {
    pics.push_back(&Add(std::string("http://h/") + name, wsFile, "image/gif", name));
  }
  std::vector<TPictureSize> sizes = {{30, 30}, {60, 60}, {100, 49}, {50, 50}, {0, 0}};
  int listed = 0;
  for (auto s : sizes) listed += IsListedPicture(s, 50);
  EXPECT_EQ(listed, 3);
  FeedSite(home, "h", pics, {.Pictures = listed}, sizes);
  EXPECT_EQ(home.ImageIdx.ItemCount, 3);
  EXPECT_EQ(home.ImageIdx.PageCount, 2);
  std::string all = File("_IxI.htm") + File("_IxI01.htm");
  EXPECT_THAT(all, Not(HasSubstr("small.gif")));
  EXPECT_THAT(all, Not(HasSubstr("wide.gif")));
  EXPECT_THAT(File("_IxI.htm"), HasSubstr("big1.gif"));
  EXPECT_THAT(File("_IxI.htm"), HasSubstr("big2.gif"));
  EXPECT_THAT(File("_IxI01.htm"), HasSubstr("big3.gif"));
  EXPECT_FALSE(Exists("_IxI02.htm"));
}

TEST_F(PageIndexTest, OtherFilesShowTypeAndSize) {
  fs_.files["/web/a.zip"] = std::string(3000, 'z');
  fs_.files["/web/b.txt"] = "short";
  TSommaireIndex home(IndexedWeb(web_), param_, fs_, kTemplates);
  std::vector<TWebFile*> files = {&Add("http://h/a.zip", wsFile, "application/zip", "a.zip"),
                                  &Add("http://h/b.txt", wsFile, "text/plain", "b.txt"),
                                  &Add("http://h/c.xyz", wsFile, "x/<odd>", "c.xyz")};
  for (TWebFile* f : files) EXPECT_EQ(IndexKindOf(web_.MimeList(), *f), TIndexKind::kOther);
  FeedSite(home, "h", files, {.Others = 3});
  const std::string& page = File("_IxO.htm");
  EXPECT_THAT(page, HasSubstr(">2 Kb</TD>"));
  EXPECT_THAT(page, HasSubstr(">5 bytes</TD>"));
  EXPECT_THAT(page, HasSubstr(">x/&lt;odd&gt;</TD>"));
  EXPECT_THAT(page, HasSubstr(">Local file not found!</TD>"));
}

TEST_F(PageIndexTest, MissingTemplateWritesNothingAndKeepsNumbering) {
  fs_.files.erase(std::string(kTemplates) + "_IxH.krv");
  TSommaireIndex home(IndexedWeb(web_), param_, fs_, kTemplates);
  FeedSite(home, "a", Pages("a", 3), {.Html = 3});
  EXPECT_FALSE(Exists("_IxH.htm"));
  EXPECT_EQ(home.HtmlIdx.PageNumber, 0);
}

TEST_F(PageIndexTest, SupportFilesAreCopiedButNotTemplates) {
  fs_.files[std::string(kTemplates) + "korvane.css"] = "css";
  fs_.files[std::string(kTemplates) + "EXTRA.KRV"] = "template";
  fs_.files["/web/korvane.css"] = "old";
  TSommaireIndex home(IndexedWeb(web_), param_, fs_, kTemplates);
  EXPECT_EQ(File("korvane.css"), "css");
  EXPECT_FALSE(Exists("EXTRA.KRV"));
  EXPECT_FALSE(Exists("_IxH.krv"));
}

TEST_F(PageIndexTest, AddressesAndTitlesAreEscaped) {
  TSommaireIndex home(IndexedWeb(web_), param_, fs_, kTemplates);
  TWebFile& page = Add("http://h/x.htm?a=1&b=\"2\"", wsPage, "text/html", "x.htm");
  page.SetDescription("<script>alert(1)</script>");
  FeedSite(home, "h", {&page}, {.Html = 1});
  EXPECT_THAT(File("_IxH.htm"), Not(HasSubstr("<script>")));
  EXPECT_THAT(File("_IxH.htm"), HasSubstr("&lt;script&gt;"));
  EXPECT_THAT(File("_IxH.htm"), HasSubstr("a=1&amp;b=&quot;2&quot;"));
}

// The pages are written in UTF-8: titles show every character, those Windows-1252 cannot hold
// through their references; addresses lead where they did, whatever bytes they hold.
TEST_F(PageIndexTest, PagesAreUtf8AndShowEveryCharacter) {
  fs_.files[std::string(kTemplates) + "_IxH.krv"] =
      "<title>KRVN_TITLE</title>KRVN_PAGE_INDEX\r\n"
      "KRVN_HTML_TABLE\r\n";
  web_.SetTitle("Caf\xE9 \x97 AT&T");
  TSommaireIndex home(IndexedWeb(web_), param_, fs_, kTemplates);
  TWebFile& page = Add("https://h/caf\xC3\xA9 1.htm", wsPage, "text/html", "cafe.htm");
  page.SetDescription("&Eacute;t&eacute; &rarr; &#x1F600; &amp;#42;");
  FeedSite(home, "h", {&page}, {.Html = 1});
  const std::string& out = File("_IxH.htm");
  EXPECT_THAT(out, HasSubstr("<title>Caf\xC3\xA9 \xE2\x80\x94 AT&amp;T</title>"));
  EXPECT_THAT(out, HasSubstr("Page n\xC2\xB0"));
  // A text that reads like a reference stays that text.
  EXPECT_THAT(out, HasSubstr(">\xC3\x89t\xC3\xA9 &#8594; &#128512; &#38;#42;</TD>"));
  EXPECT_THAT(out,
              HasSubstr("<A HREF=\"https://h/caf%C3%A9%201.htm\">https://h/caf%C3%A9%201.htm</A>"));
}

}  // namespace
}  // namespace korvane
