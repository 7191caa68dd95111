// What today's pages name besides their links: stylesheet addresses, srcset candidates, refresh
// addresses, entities in values, and the tags a parser for requisites reads.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "html/css_scanner.h"
#include "html/html_parser.h"
#include "html/requisite_links.h"

namespace korvane {
namespace {

std::string Listed(const std::vector<TCssAddress>& found) {
  std::string out;
  for (const TCssAddress& a : found) {
    const char* kind = a.Kind == TCssAddress::kFont         ? "font"
                       : a.Kind == TCssAddress::kStylesheet ? "css"
                                                            : "pic";
    out += std::string(kind) + ":" + a.Address + " ";
  }
  return out;
}

TEST(CssScannerTest, FindsEveryAddressAndSkipsCommentsAndStrings) {
  struct Case {
    std::string_view css, found;
  } cases[] = {
      {"a{background:url(x.png)}", "pic:x.png "},
      {"a{background: URL( \"y z.png\" ) }", "pic:y z.png "},
      {"@import 'base.css'; @import url(more.css) screen;", "css:base.css css:more.css "},
      {"@font-face{font-family:F;src:url(f.woff2) format('woff2'),url(f.ttf)}b{c:url(p.gif)}",
       "font:f.woff2 font:f.ttf pic:p.gif "},
      {"a{b:image-set('a.png' 1x, \"b.png\" 2x)} c{d:-webkit-image-set(url(c.png) 1x)}",
       "pic:a.png pic:b.png pic:c.png "},
      {"/* url(no.png) */ a{content:'url(no.png)'} b{c:myurl(no.png)}", ""},
      {"a{b:url(esc\\).png)}", "pic:esc).png "},
      {"a{b:url(", ""},  // cut short: nothing found, nothing read past the end
      {"a{b:url( never-closed.png", ""},
      // A string never closed is a broken declaration: nothing in it is rewritten.
      {"@import \"never-closed", ""},
      {"a{b:image-set(\"x.png;\n} c{d:url(y.png)} e{f:url(\"z.png\n)}", "pic:y.png "},
  };
  for (const Case& c : cases) EXPECT_EQ(Listed(FindCssAddresses(c.css)), c.found) << c.css;
}

// Resolving keeps each original in a comment after its url(); a second pass starts from it, so
// resolving again gives the same bytes, and an address no longer local gets its original back.
TEST(CssScannerTest, RewritesKeepTheirOriginalsAndSettle) {
  const std::string css =
      "@import url(http://h/a.css);b{c:url(\"http://h/p.png\")}d{e:url(data:x)}";
  bool local = true;
  auto replace = [&](const TCssAddress& a) -> std::optional<std::string> {
    if (a.Source() == "http://h/p.png" && local) return "p.png";
    if (a.Source() == "http://h/a.css" && local) return "a.css";
    return a.Source();
  };
  const std::string once = ReplaceCssAddresses(css, replace, true);
  EXPECT_EQ(
      once,
      "@import url(a.css)/*OLDREF=http://h/a.css*/;b{c:url(\"p.png\")/*OLDREF=http://h/p.png*/}"
      "d{e:url(data:x)}");
  EXPECT_EQ(ReplaceCssAddresses(once, replace, true), once);
  local = false;
  EXPECT_EQ(ReplaceCssAddresses(once, replace, true), css);
  // Escaped addresses: an address written in escapes it needs in its place, and an original
  // given back comes back as it was spelt.
  const std::string escaped = "a{b:url(x\\).png)}c{d:url('it\\'s.png')}";
  std::map<std::string, std::string> to = {{"x).png", "http://h/(x y).png"}, {"it's.png", "l.png"}};
  auto via = [&](const TCssAddress& a) -> std::optional<std::string> { return to[a.Source()]; };
  const std::string spelt = ReplaceCssAddresses(escaped, via, true);
  EXPECT_EQ(spelt,
            "a{b:url(http://h/\\(x%20y\\).png)/*OLDREF=x\\).png*/}"
            "c{d:url('l.png')/*OLDREF=it\\'s.png*/}");
  EXPECT_EQ(Listed(FindCssAddresses(spelt)), "pic:http://h/(x%20y).png pic:l.png ");
  auto back = [](const TCssAddress& a) -> std::optional<std::string> { return a.Source(); };
  EXPECT_EQ(ReplaceCssAddresses(spelt, back, true), escaped);
  // An original that a comment could not hold back is never replaced.
  const std::string odd = "a{b:url(http://h/x*/y.png)}";
  EXPECT_EQ(ReplaceCssAddresses(
                odd, [](const TCssAddress&) { return std::string("x.png"); }, true),
            odd);
}

TEST(RequisiteLinksTest, SrcsetCandidatesAndRefreshAddresses) {
  auto addresses = [](const std::vector<TValueAddress>& found) {
    std::string out;
    for (const TValueAddress& a : found) out += a.Address + "|";
    return out;
  };
  EXPECT_EQ(addresses(SrcsetAddresses("a.png 1x, b.png 2x")), "a.png|b.png|");
  EXPECT_EQ(addresses(SrcsetAddresses("  a.png, b.png 480w,  c.png,")), "a.png|b.png|c.png|");
  // A comma inside an address belongs to it; only the ones that end it separate candidates.
  EXPECT_EQ(addresses(SrcsetAddresses("a.png,b.png 2x")), "a.png,b.png|");
  EXPECT_EQ(addresses(SrcsetAddresses("s.png?w=1,2 1x")), "s.png?w=1,2|");
  EXPECT_EQ(addresses(SrcsetAddresses("p.png (calc(1px, 2px)) 1x, q.png")), "p.png|q.png|");
  EXPECT_EQ(addresses(SrcsetAddresses("")), "");
  EXPECT_EQ(addresses(RefreshAddresses("5; url=next.htm")), "next.htm|");
  EXPECT_EQ(addresses(RefreshAddresses("0;URL='a b.htm'")), "a b.htm|");
  EXPECT_EQ(addresses(RefreshAddresses("30")), "");
  // Replacing keeps the descriptors and the separators as written.
  const auto found = SrcsetAddresses("a.png 1x, b.png 2x");
  EXPECT_EQ(ReplaceAddresses("a.png 1x, b.png 2x", found, {"x.png", "y.png"}),
            "x.png 1x, y.png 2x");
}

TEST(RequisiteLinksTest, EntitiesOfValuesAreDecodedAndWrittenBack) {
  EXPECT_EQ(DecodeAttributeValue("q.html?a=1&amp;b=2&#38;c=3&#x26;d"), "q.html?a=1&b=2&c=3&d");
  EXPECT_EQ(DecodeAttributeValue("a&b=1&copy;&#9999;&#0;"), "a&b=1&copy;&#9999;&#0;");
  EXPECT_EQ(AttributeText("q?a=1&b=2"), "q?a=1&b=2");  // reads back the same: as it stands
  EXPECT_EQ(AttributeText("q?a=1&amp;b"), "q?a=1&amp;amp;b");
  EXPECT_FALSE(IsFetchableAddress("data:image/png;base64,AAAA"));
  EXPECT_FALSE(IsFetchableAddress(" JavaScript:go()"));
  EXPECT_FALSE(IsFetchableAddress("#top"));
  EXPECT_TRUE(IsFetchableAddress("img/a.png"));
}

// A parser for requisites reads tags of any length whole, and quoted values with their blanks;
// the original tokenizer's reading stays as it was.
TEST(RequisiteLinksTest, TodaysTagsAreReadWhole) {
  const std::string long_alt(300, 'x');
  const std::string page =
      "<img alt=\"see SRC here " + long_alt +
      "\" src=\"a.png\" srcset=\"a.png 1x, b.png 2x\"><script src=s.js></script>"
      "<link rel=\"preload stylesheet\" href=t.css><link rel=next href=n.htm#top>";
  THtmlParser modern(page, TParseOptions{true});
  ASSERT_EQ(modern.Item(1).TagType, ttImg);
  TLinkParam link;
  ASSERT_TRUE(modern.GetLink(1, &link));
  EXPECT_EQ(link.Link.Value, "a.png");
  std::vector<TExtraLink> extras = ExtraLinks(modern, 1);
  ASSERT_EQ(extras.size(), 1u);
  EXPECT_EQ(extras[0].Attribute, "SRCSET");
  EXPECT_EQ(extras[0].Value.Value, "a.png 1x, b.png 2x");
  EXPECT_EQ(extras[0].Addresses.size(), 2u);
  ASSERT_TRUE(modern.GetLink(2, &link));
  EXPECT_EQ(link.TagType, ttScript);
  EXPECT_EQ(link.LinkKind, lkRequisite);
  EXPECT_EQ(link.Link.Value, "s.js");
  ASSERT_TRUE(modern.GetLink(4, &link));
  EXPECT_EQ(link.Link.Value, "t.css");
  EXPECT_EQ(link.LinkKind, lkRequisite);
  // A link to another page, not a requisite: followed as a page is, without its fragment.
  ASSERT_TRUE(modern.GetLink(5, &link));
  EXPECT_EQ(link.LinkKind, lkPage);
  EXPECT_EQ(link.Link.Value, "n.htm");

  // A quote never closed, in a tag cut off by the next one: no value to read or to rewrite.
  THtmlParser cut(std::string_view("<a href=\"a.htm<b>"), TParseOptions{true});
  ASSERT_TRUE(cut.GetLink(1, &link));
  EXPECT_TRUE(link.Link.Value.empty());
  EXPECT_EQ(link.Link.ValueStart, 0u);

  THtmlParser original{std::string_view(page)};
  EXPECT_EQ(original.Item(1).TagType, ttUnknown);  // over 255 bytes: text, as it always was
  EXPECT_TRUE(ExtraLinks(original, 2).empty());
}

}  // namespace
}  // namespace korvane
