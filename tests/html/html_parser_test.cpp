#include "html/html_parser.h"

#include <gtest/gtest.h>

#include <vector>

namespace korvane {
namespace {

struct ItemView {
  int kind;
  int type;
  int position;
  int length;
  bool operator==(const ItemView&) const = default;
};

std::ostream& operator<<(std::ostream& os, const ItemView& v) {
  return os << "{kind " << v.kind << ", type " << v.type << ", at " << v.position << ", len "
            << v.length << "}";
}

std::vector<ItemView> Items(std::string_view page) {
  THtmlParser parser(page);
  std::vector<ItemView> out;
  for (int i = 0; i < parser.Count(); ++i) {
    const TTag& t = parser.Item(i);
    out.push_back({t.Kind, t.TagType, t.Position, t.Length});
  }
  return out;
}

// Copies the page back item by item, as the page rewriters do.
std::string CopyBack(const THtmlParser& parser) {
  std::string out;
  for (int i = 0; i + 1 < parser.Count(); ++i) {
    if (parser.Item(i).Kind & kBoundary) {
      parser.CopyText(i, out);
    } else {
      parser.CopyTagAndText(i, out);
    }
  }
  return out;
}

constexpr int B = kBoundary;
constexpr int S = kStartTag;
constexpr int E = kEndTag;
constexpr int T = kTextFollows;

TEST(HtmlScanTest, EmptyPageHasTwoBoundaries) {
  EXPECT_EQ(Items(""), (std::vector<ItemView>{{B, ttUnknown, 0, 0}, {B, ttUnknown, 0, 0}}));
}

TEST(HtmlScanTest, TextAroundATag) {
  THtmlParser parser("xx<B>yy");
  ASSERT_EQ(parser.Count(), 3);
  EXPECT_EQ(Items("xx<B>yy"),
            (std::vector<ItemView>{
                {B | T, ttUnknown, 0, 0}, {S | T, ttUnknown, 2, 3}, {B, ttUnknown, 5, 0}}));
  EXPECT_EQ(parser.GetText(0), "xx");
  // Bytes after the last tag belong to it, so that nothing of the page is lost when copied.
  EXPECT_EQ(parser.GetText(1), "yy");
  EXPECT_EQ(parser.GetText(2), "");
  EXPECT_EQ(parser.GetTagText(1), "<B>");
}

TEST(HtmlScanTest, TagCutOffByTheNextOpeningBracket) {
  EXPECT_EQ(
      Items("<A HREF=x.htm<B>"),
      (std::vector<ItemView>{
          {B, ttUnknown, 0, 0}, {S, ttA, 0, 13}, {S, ttUnknown, 13, 3}, {B, ttUnknown, 16, 0}}));
  // The cut tag has no '>': its last character is still part of its link.
  THtmlParser parser("<A HREF=x.htm<B>");
  TLinkParam link;
  ASSERT_TRUE(parser.GetLink(1, &link));
  EXPECT_EQ(link.Link.Value, "x.htm");
}

TEST(HtmlScanTest, CommentsEndAtTheirClosingDashes) {
  EXPECT_EQ(
      Items("<!-- a > b -->"),
      (std::vector<ItemView>{{B, ttUnknown, 0, 0}, {S, ttComment, 0, 14}, {B, ttUnknown, 14, 0}}));
  EXPECT_EQ(Items("<!-->x"),
            (std::vector<ItemView>{
                {B, ttUnknown, 0, 0}, {S | T, ttComment, 0, 5}, {B, ttUnknown, 5, 0}}));
  EXPECT_EQ(
      Items("<!---->"),
      (std::vector<ItemView>{{B, ttUnknown, 0, 0}, {S, ttComment, 0, 7}, {B, ttUnknown, 7, 0}}));
  EXPECT_EQ(Items("<!--KORVANE=ON--><p>"), (std::vector<ItemView>{{B, ttUnknown, 0, 0},
                                                                  {S, ttComment, 0, 17},
                                                                  {S, ttUnknown, 17, 3},
                                                                  {B, ttUnknown, 20, 0}}));
  // "<!-" without a second dash, and declarations, end at the first '>'.
  EXPECT_EQ(Items("<!-x > y>"),
            (std::vector<ItemView>{
                {B, ttUnknown, 0, 0}, {S | T, ttComment, 0, 6}, {B, ttUnknown, 6, 0}}));
  EXPECT_EQ(
      Items("<!DOCTYPE HTML>"),
      (std::vector<ItemView>{{B, ttUnknown, 0, 0}, {S, ttComment, 0, 15}, {B, ttUnknown, 15, 0}}));
  // A '<' inside a comment does not cut it.
  EXPECT_EQ(Items("<!-- <b> -->").size(), 3u);
}

TEST(HtmlScanTest, UnfinishedConstructsAtTheEndAreNotItems) {
  for (const char* page : {"ab<A HREF=x", "ab<!-- never closed", "ab<!DOCTYPE"}) {
    THtmlParser parser(page);
    ASSERT_EQ(parser.Count(), 2) << page;
    EXPECT_EQ(parser.Item(1).Position, 2) << page;
    EXPECT_EQ(CopyBack(parser), page);
  }
}

TEST(HtmlScanTest, ATagOf255CharactersIsText) {
  std::string tag254 = "<" + std::string(254, 'x') + ">";
  std::string tag255 = "<" + std::string(255, 'x') + ">";
  EXPECT_EQ(THtmlParser(tag254).Count(), 3);
  std::string page = tag255 + "<B>";
  THtmlParser parser(page);
  ASSERT_EQ(parser.Count(), 3);
  EXPECT_EQ(parser.Item(0).Kind, B | T);
  EXPECT_EQ(parser.Item(1).Position, 257);
  EXPECT_EQ(parser.GetText(0).size(), 255u);  // the text is cut, the copy is not
  EXPECT_EQ(CopyBack(parser), page);
  // A tag this program rewrote past that length stays a tag, up to its '>' or the '<' that ends
  // it, so what the rewrite put after it is found again.
  const std::string rewritten = "<IMG SRC=p.gif OLDREF=\"http://h/" + std::string(250, 'p') + "\"";
  for (const char* after : {"><B>", "<B>"}) {
    const std::string text = rewritten + after;
    THtmlParser again(text);
    ASSERT_EQ(again.Count(), 4) << after;
    EXPECT_EQ(again.Item(1).TagType, ttImg) << after;
    EXPECT_EQ(again.Item(2).Position, static_cast<int>(text.size() - 3)) << after;
  }
}

struct ClassifyCase {
  const char* page;
  int kind;
  int type;
};

TEST(HtmlScanTest, ClassifiesByTheWholeName) {
  for (const ClassifyCase& c : std::vector<ClassifyCase>{{"<AREA HREF=a>", S, ttArea},
                                                         {"<ADDRESS>", S, ttUnknown},
                                                         {"<H1 ALIGN=center>", S, ttH1},
                                                         {"</TITLE>", E, ttTitle},
                                                         {"<A\nHREF=x>", S, ttA},
                                                         {"<A\fHREF=x>", S, ttUnknown},
                                                         {"<>", S, ttUnknown},
                                                         {"</>", E, ttUnknown},
                                                         {"<korvane>", S, ttKorvane},
                                                         {"<input src=x>", S, ttInput},
                                                         {"< A>", S, ttUnknown},
                                                         {"<img/>", S, ttUnknown},
                                                         {"<BODY\tBGCOLOR=w>", S, ttBody},
                                                         {"<!>", S, ttComment},
                                                         {"</a >", E, ttA},
                                                         {"<frameset>", S, ttUnknown}}) {
    THtmlParser parser(c.page);
    ASSERT_EQ(parser.Count(), 3) << c.page;
    EXPECT_EQ(parser.Item(1).Kind, c.kind) << c.page;
    EXPECT_EQ(parser.Item(1).TagType, c.type) << c.page;
  }
}

TEST(HtmlScanTest, ReadingPastTheListGivesTheEndItem) {
  THtmlParser parser("<B>");
  const TTag& end = parser.Item(99);
  EXPECT_EQ(end.Kind, B);
  EXPECT_EQ(end.TagType, ttUnknown);
  EXPECT_EQ(end.Position, -1);
  EXPECT_EQ(&parser.Item(-1), &end);
  EXPECT_EQ(parser.GetTagText(99), "");
  EXPECT_EQ(parser.GetText(99), "");
  TLinkParam link;
  EXPECT_FALSE(parser.GetLink(99, &link));
  TTagParam param;
  EXPECT_FALSE(parser.FindAttr("HREF", 99, &param));
  EXPECT_FALSE(parser.FindAttr("HREF", 1, nullptr));
}

TEST(HtmlScanTest, CopiesReproduceThePage) {
  const std::string page =
      "<!DOCTYPE html>\r\n<HTML><HEAD><TITLE>T</TITLE></HEAD>\n<BODY>text <A HREF=a.htm>a</A>"
      "<!-- c > d --> tail <IMG SRC=x.gif";
  THtmlParser parser(page);
  EXPECT_EQ(CopyBack(parser), page);
  std::string tag;
  parser.CopyTag(2, tag);
  EXPECT_EQ(tag, "<HTML>");
  std::string none;
  parser.CopyTagAndText(0, none);
  parser.CopyTag(0, none);
  EXPECT_EQ(none, "");
}

TEST(HtmlScanTest, ParseAgainAfterTheBytesChanged) {
  std::string page = "<A HREF=x>";
  THtmlParser parser(page);
  EXPECT_EQ(parser.Item(1).TagType, ttA);
  page[1] = 'B';
  page[2] = '>';
  parser.Parse();
  EXPECT_EQ(parser.Count(), 3);
  EXPECT_EQ(parser.Item(1).TagType, ttUnknown);
  EXPECT_EQ(parser.Item(1).Length, 3);
}

// --- attributes ---

TEST(FindAttrTest, ReportsPositionsFromTheOpeningBracket) {
  THtmlParser parser("<A HREF=\"x.htm\" NAME=y>");
  TTagParam p;
  ASSERT_TRUE(parser.FindAttr("href", 1, &p));
  EXPECT_EQ(p.Value, "x.htm");
  EXPECT_TRUE(p.Quoted);
  EXPECT_EQ(p.AttrStart, 4);
  EXPECT_EQ(p.AttrLength, 12);
  EXPECT_EQ(p.ValueStart, 10);
  EXPECT_EQ(p.ValueLength, 5);

  ASSERT_TRUE(parser.FindAttr("NAME", 1, &p));
  EXPECT_EQ(p.Value, "y");
  EXPECT_FALSE(p.Quoted);
  EXPECT_EQ(p.AttrStart, 17);
  EXPECT_EQ(p.ValueStart, 22);
}

TEST(FindAttrTest, EmptyValuesStillReportTheirPositions) {
  TTagParam p;
  THtmlParser empty_quoted("<IMG SRC=\"\">");
  EXPECT_FALSE(empty_quoted.FindAttr("SRC", 1, &p));
  EXPECT_EQ(p.AttrStart, 6);
  EXPECT_EQ(p.AttrLength, 6);
  EXPECT_EQ(p.ValueStart, 11);  // between the quotes
  EXPECT_EQ(p.ValueLength, 0);

  THtmlParser nothing_after("<A HREF=>");
  EXPECT_FALSE(nothing_after.FindAttr("HREF", 1, &p));
  EXPECT_EQ(p.AttrStart, 4);
  EXPECT_EQ(p.AttrLength, 5);
  EXPECT_EQ(p.ValueStart, 9);

  THtmlParser absent("<A NAME=x>");
  EXPECT_FALSE(absent.FindAttr("HREF", 1, &p));
  EXPECT_EQ(p.AttrStart, 0);
  EXPECT_EQ(p.ValueStart, 0);
}

TEST(FindAttrTest, MatchesWholeAttributeNamesOnly) {
  TTagParam p;
  THtmlParser srcset("<IMG SRCSET=\"a.png 2x\" SRC=\"b.png\">");
  ASSERT_TRUE(srcset.FindAttr("SRC", 1, &p));
  EXPECT_EQ(p.Value, "b.png");

  THtmlParser hreflang("<A HREFLANG=en HREF=x.htm>");
  ASSERT_TRUE(hreflang.FindAttr("HREF", 1, &p));
  EXPECT_EQ(p.Value, "x.htm");

  // The word "SRC" closing an ALT value is not the SRC attribute.
  THtmlParser alt("<IMG ALT=\"see SRC\" SRC=\"real.gif\">");
  ASSERT_TRUE(alt.FindAttr("SRC", 1, &p));
  EXPECT_EQ(p.Value, "real.gif");
}

TEST(FindAttrTest, ValuesAreBlankSeparatedWords) {
  TTagParam p;
  THtmlParser spaced("<IMG SRC = \"map.gif\" ISMAP>");
  ASSERT_TRUE(spaced.FindAttr("SRC", 1, &p));
  EXPECT_EQ(p.Value, "map.gif");
  EXPECT_TRUE(p.Quoted);

  // A quoted value holding a blank is read up to the blank.
  THtmlParser blank("<A HREF=\"my page.htm\">");
  ASSERT_TRUE(blank.FindAttr("HREF", 1, &p));
  EXPECT_EQ(p.Value, "my");

  // Single quotes are quotes too.
  THtmlParser single("<A HREF='page.htm' TARGET=x>");
  ASSERT_TRUE(single.FindAttr("HREF", 1, &p));
  EXPECT_EQ(p.Value, "page.htm");
  EXPECT_TRUE(p.Quoted);
  EXPECT_EQ(p.ValueLength, 8);

  // Without '=', the next word is the value.
  THtmlParser bare("<IMG ISMAP SRC=a.gif>");
  ASSERT_TRUE(bare.FindAttr("ISMAP", 1, &p));
  EXPECT_EQ(p.Value, "SRC=a.gif");
}

// --- links ---

TEST(GetLinkTest, AnchorTextAndFragment) {
  THtmlParser parser("<A HREF=\"doc.htm#sec\">Go <B>now</B></A> after");
  TLinkParam link;
  ASSERT_TRUE(parser.GetLink(1, &link));
  EXPECT_EQ(link.Link.Value, "doc.htm");
  EXPECT_EQ(link.Link.ValueLength, 7);  // the fragment stays out of the rewritten part
  EXPECT_EQ(link.Text, "Go now");
  EXPECT_EQ(link.LinkKind, lkPage);
  EXPECT_EQ(link.TagType, ttA);
  EXPECT_FALSE(link.IsMap);
}

TEST(GetLinkTest, AnchorsWithoutAddress) {
  TLinkParam link;
  THtmlParser name("<A NAME=x>label</A>");
  ASSERT_TRUE(name.GetLink(1, &link));
  EXPECT_EQ(link.Link.Value, "");
  EXPECT_EQ(link.Text, "");

  THtmlParser fragment("<A HREF=\"#top\">up</A>");
  ASSERT_TRUE(fragment.GetLink(1, &link));
  EXPECT_EQ(link.Link.Value, "");
  EXPECT_EQ(link.Text, "");  // no text is read for an empty link
}

TEST(GetLinkTest, AnchorEnclosingAServerSideMap) {
  THtmlParser parser("<A HREF=\"/cgi/map\"><IMG SRC=\"m.gif\" ISMAP ALT=\"Map\"></A>");
  TLinkParam link;
  ASSERT_TRUE(parser.GetLink(1, &link));
  EXPECT_TRUE(link.IsMap);
  EXPECT_EQ(link.Text, "Map");
  ASSERT_TRUE(parser.GetLink(2, &link));
  EXPECT_EQ(link.Link.Value, "m.gif");
  EXPECT_EQ(link.LinkKind, lkImage);
  EXPECT_TRUE(link.IsMap);
}

TEST(GetLinkTest, AnchorTextGathersAltTextsUntilTheClosingAnchor) {
  THtmlParser parser("<A HREF=x><IMG SRC=a.gif ALT=Logo> Home</A> not this <A HREF=y>");
  TLinkParam link;
  ASSERT_TRUE(parser.GetLink(1, &link));
  EXPECT_EQ(link.Text, "Logo  Home");
  // An unclosed anchor reads to the end of the page.
  ASSERT_TRUE(parser.GetLink(4, &link));
  EXPECT_EQ(link.Text, "");
  THtmlParser unclosed("<A HREF=z>one <I>two</I> <IMG SRC=p ISMAP>");
  ASSERT_TRUE(unclosed.GetLink(1, &link));
  EXPECT_EQ(link.Text, "one two");
  EXPECT_TRUE(link.IsMap);
}

TEST(GetLinkTest, AnchorTextStopsAt255Bytes) {
  std::string page = "<A HREF=x>";
  for (int i = 0; i < 100; ++i) page += "word <B>";
  page += "</A>";
  THtmlParser parser(page);
  TLinkParam link;
  ASSERT_TRUE(parser.GetLink(1, &link));
  EXPECT_EQ(link.Text.size(), 254u);  // 255 bytes, less the trailing blank trimmed
}

TEST(GetLinkTest, LinkOfEachTagType) {
  struct Case {
    const char* page;
    bool result;
    const char* value;
    int kind;
  };
  for (const Case& c :
       std::vector<Case>{{"<BASE HREF=\"http://h.com/d/\">", true, "http://h.com/d/", lkPage},
                         {"<AREA HREF=\"m.htm#x\" COORDS=1,2>", true, "m.htm#x", lkPage},
                         {"<BODY BACKGROUND=bg.gif>", true, "bg.gif", lkBackground},
                         {"<BODY BGCOLOR=white>", true, "", lkBackground},
                         {"<FRAME SRC=\"f.htm#top\">", true, "f.htm", lkPage},
                         {"<FORM ACTION=/cgi/post METHOD=post>", true, "/cgi/post", lkPage},
                         {"<INPUT TYPE=image SRC=b.gif>", true, "b.gif", lkPage},
                         {"<INPUT TYPE=text>", false, "", lkPage},
                         {"<HTML>", false, "", lkPage},
                         {"</A HREF=x>", false, "", lkPage},
                         {"<!-- A HREF=x -->", false, "", lkPage},
                         {"<P HREF=x>", false, "", lkPage}}) {
    THtmlParser parser(c.page);
    TLinkParam link;
    EXPECT_EQ(parser.GetLink(1, &link), c.result) << c.page;
    EXPECT_EQ(link.Link.Value, c.value) << c.page;
    EXPECT_EQ(link.LinkKind, c.kind) << c.page;
  }
}

TEST(GetLinkTest, TitleTextAndOldref) {
  THtmlParser title("<TITLE>  My page \n</TITLE>");
  TLinkParam link;
  ASSERT_TRUE(title.GetLink(1, &link));
  EXPECT_EQ(link.Text, "My page");

  THtmlParser rewritten("<A HREF=\"a.htm\" OLDREF=\"http://h.com/a.htm\">");
  ASSERT_TRUE(rewritten.GetLink(1, &link));
  EXPECT_EQ(link.Link.Value, "a.htm");
  EXPECT_EQ(link.OldLink.Value, "http://h.com/a.htm");
}

// --- rewriting a tag ---

std::string Rewrite(std::string_view page, std::string_view old_link, std::string_view new_link) {
  THtmlParser parser(page);
  TLinkParam link;
  EXPECT_TRUE(parser.GetLink(1, &link)) << page;
  std::string out;
  parser.WriteLinkTag(1, out, old_link, new_link, link);
  return out;
}

TEST(WriteLinkTagTest, QuotedValueGetsOldrefAfterTheClosingQuote) {
  EXPECT_EQ(Rewrite("<A HREF=\"http://h.com/a.htm\" NAME=n>", "http://h.com/a.htm", "a.htm"),
            "<A HREF=\"a.htm\" OLDREF=\"http://h.com/a.htm\" NAME=n>");
}

TEST(WriteLinkTagTest, UnquotedValueGetsOldrefJustBeforeTheNextAttribute) {
  std::string out = Rewrite("<IMG SRC=http://h.com/p.gif  ALT=x>", "http://h.com/p.gif", "p.gif");
  EXPECT_EQ(out, "<IMG SRC=p.gif   OLDREF=\"http://h.com/p.gif\"ALT=x>");
  THtmlParser back(out);
  TTagParam p;
  ASSERT_TRUE(back.FindAttr("OLDREF", 1, &p));
  EXPECT_EQ(p.Value, "http://h.com/p.gif");
  ASSERT_TRUE(back.FindAttr("SRC", 1, &p));
  EXPECT_EQ(p.Value, "p.gif");
}

TEST(WriteLinkTagTest, FragmentIsKeptAfterTheNewAddress) {
  EXPECT_EQ(Rewrite("<A HREF=\"docs/intro.html#x\">", "http://h.com/docs/intro.html", "intro.htm"),
            "<A HREF=\"intro.htm#x\" OLDREF=\"http://h.com/docs/intro.html\">");
}

TEST(WriteLinkTagTest, ExistingOldrefIsReplacedOrRemoved) {
  const char* page = "<A HREF=\"a.htm\" OLDREF=\"http://h.com/a.htm\">";
  EXPECT_EQ(Rewrite(page, "http://h.com/a.htm", "b.htm"),
            "<A HREF=\"b.htm\" OLDREF=\"http://h.com/a.htm\">");
  // Putting the original address back drops OLDREF.
  EXPECT_EQ(Rewrite(page, "", "http://h.com/a.htm"), "<A HREF=\"http://h.com/a.htm\" >");
  // Nothing to keep and no OLDREF: the tag is written as it stands.
  EXPECT_EQ(Rewrite("<A HREF=x.htm>", "", "y.htm"), "<A HREF=x.htm>");
}

TEST(WriteLinkTagTest, OldrefBeforeTheLinkIsEditedSafely) {
  EXPECT_EQ(Rewrite("<A OLDREF=\"http://h.com/a.htm\" HREF=\"a.htm\">", "", "http://h.com/a.htm"),
            "<A  HREF=\"http://h.com/a.htm\">");
}

TEST(WriteLinkTagTest, EmptiedPictureIsFilledBetweenItsQuotes) {
  // A picture whose link was emptied and that was captured before the next rewrite.
  EXPECT_EQ(Rewrite("<IMG SRC=\"\" OLDREF=\"http://h.com/p.gif\">", "http://h.com/p.gif", "p.gif"),
            "<IMG SRC=\"p.gif\" OLDREF=\"http://h.com/p.gif\">");
}

TEST(WriteLinkTagTest, LongTagsAreNeverCut) {
  std::string address = "http://h.com/" + std::string(215, 'd') + ".htm";
  std::string page = "<A HREF=\"" + address + "\" NAME=end>";
  std::string out = Rewrite(page, address, "d.htm");
  EXPECT_EQ(out, "<A HREF=\"d.htm\" OLDREF=\"" + address + "\" NAME=end>");
  EXPECT_GT(out.size(), 255u);
}

TEST(WriteLinkTagTest, RewritingTwiceFromOldrefIsStable) {
  std::string first = Rewrite("<A HREF=\"http://h.com/a.htm\">", "http://h.com/a.htm", "a.htm");
  std::string second = Rewrite(first, "http://h.com/a.htm", "a.htm");
  EXPECT_EQ(first, second);
}

// --- entities ---

TEST(DecodeEntitiesTest, NamedLatin1EntitiesCaseSensitive) {
  EXPECT_EQ(DecodeEntities("caf&eacute; &AMP;"), "caf\xE9 &AMP;");
  EXPECT_EQ(DecodeEntities("&lt;b&gt; &quot;x&quot; &amp;lt;"), "<b> \"x\" &lt;");
  EXPECT_EQ(DecodeEntities("&nbsp;&iexcl;&yuml;&Agrave;"), "\xA0\xA1\xFF\xC0");
  EXPECT_EQ(DecodeEntities("&eacute &unknown; & &#;"), "&eacute &unknown; & &#38;#;");
}

// Titles of today's pages: numeric references and HTML 4's names are characters; those that
// Windows-1252 cannot hold stay references, and a description decoded again is unchanged.
TEST(DecodeEntitiesTest, NumericReferencesAndHtml4Names) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"Caf&#233; &#8212; menu", "Caf\xE9 \x97 menu"},
      {"&#xE9;&#XE9;&mdash;&hellip;&euro;&rsquo;", "\xE9\xE9\x97\x85\x80\x92"},
      {"&#150;", "\x96"},  // codes 128 to 159 read as the Windows-1252 bytes
      {"a &rarr; b &#x1F600;", "a &#8594; b &#128512;"},
      {"&#0;&#xD800;&#99999999999;", "&#65533;&#65533;&#65533;"},
      {"&#9;tab", "\x14tab"},
      {"AT&amp;T &amp;#42; #1", "AT&T &#38;#42; #1"},
      {"&Alpha;&alpha;&thetasym;", "&#913;&#945;&#977;"},
  };
  for (const Case& c : cases) {
    const std::string once = DecodeEntities(c.in);
    EXPECT_EQ(once, c.out) << c.in;
    EXPECT_EQ(DecodeEntities(once), once) << c.in;
  }
  // Cut at 255 bytes, never inside a reference.
  const std::string cut = DecodeEntities(std::string(250, 'a') + "&rarr;&rarr;");
  EXPECT_EQ(cut, std::string(250, 'a'));
}

TEST(DecodeEntitiesTest, ControlCharactersBecomeCode20) {
  EXPECT_EQ(DecodeEntities("a\tb\r\nc"),
            "a\x14"
            "b\x14\x14"
            "c");
  EXPECT_EQ(DecodeEntities(std::string("x\0y", 3)), "x\x14y");
  EXPECT_EQ(DecodeEntities("\x13\x14\x15"), "\x14\x14\x15");
  EXPECT_EQ(DecodeEntities(std::string(300, 'a')).size(), 255u);
}

}  // namespace
}  // namespace korvane
