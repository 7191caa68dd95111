// Hostile and malformed input: nothing may crash, hang, or read outside the page, and every
// byte of the page must survive an item-by-item copy.
#include <gtest/gtest.h>

#include <random>

#include "html/html_parser.h"
#include "html/url.h"

namespace korvane {
namespace {

using namespace std::string_literals;

// Exercises every query on every item and checks the list's invariants.
void CheckEverything(std::string_view page) {
  THtmlParser parser(page);
  ASSERT_GE(parser.Count(), 2);
  EXPECT_EQ(parser.Item(0).Kind & kBoundary, kBoundary);
  EXPECT_EQ(parser.Item(parser.Count() - 1).Kind, kBoundary);
  std::string copy;
  std::int64_t previous_end = 0;
  for (int i = 0; i < parser.Count(); ++i) {
    const TTag& item = parser.Item(i);
    ASSERT_GE(item.Position, previous_end) << "item " << i;
    ASSERT_LE(static_cast<std::size_t>(item.Position) + item.Length, page.size());
    previous_end = item.Position + item.Length;
    EXPECT_LE(parser.GetTagText(i).size(), 255u);
    EXPECT_LE(parser.GetText(i).size(), 255u);
    if (i + 1 < parser.Count()) {
      if (item.Kind & kBoundary) {
        parser.CopyText(i, copy);
      } else {
        parser.CopyTagAndText(i, copy);
      }
    }
    TLinkParam link;
    if (parser.GetLink(i, &link)) {
      EXPECT_LE(link.Text.size(), 255u);
      std::string out;
      parser.WriteLinkTag(i, out, "http://h.com/old.htm", "new.htm", link);
      parser.WriteLinkTag(i, out, "", "http://h.com/x.htm", link);
    }
    TTagParam param;
    parser.FindAttr("SRC", i, &param);
  }
  EXPECT_EQ(copy, page);
}

TEST(HtmlRobustnessTest, OddPages) {
  CheckEverything("");
  CheckEverything(std::string("<A HREF=\0x.htm>\0<IMG\0SRC=a>", 26));
  CheckEverything("\xFF\xFE<\xE9\xE8 HREF=\xC0>\x80");
  CheckEverything(std::string(100000, '<'));
  CheckEverything(std::string(100000, '>'));
  CheckEverything("<!--" + std::string(100000, '-'));
  CheckEverything("<!" + std::string(100000, 'x'));
  CheckEverything("<A HREF=\"" + std::string(300, 'h') + "\">x</A>");
  CheckEverything("<A HREF=\"\"\"\" OLDREF='' SRC=>");
  CheckEverything("<IMG SRC= OLDREF=>");
  CheckEverything("<A HREF=x OLDREF=y OLDREF=z>");
}

TEST(HtmlRobustnessTest, TenMegabyteTagIsText) {
  std::string page = "<P>before<A HREF=\"" + std::string(10 * 1024 * 1024, 'x') + "\">after";
  THtmlParser parser(page);
  EXPECT_EQ(parser.Count(), 3);  // the A never closes within 255 characters
  std::string copy;
  parser.CopyTagAndText(1, copy);
  EXPECT_EQ(copy, page);
}

TEST(HtmlRobustnessTest, ManyUnclosedAnchorsAreReadInLinearTime) {
  // Each anchor's text runs to the end of the page; reading them must not be quadratic.
  std::string page;
  for (int i = 0; i < 200000; ++i) page += "<A HREF=p.htm>";
  THtmlParser parser(page);
  TLinkParam link;
  int links = 0;
  for (int i = 0; i < parser.Count(); ++i) links += parser.GetLink(i, &link) ? 1 : 0;
  EXPECT_EQ(links, 200000);
}

TEST(HtmlRobustnessTest, RandomPagesKeepEveryByte) {
  std::mt19937 rng(20261207);
  const std::string alphabet = "<>!-=\"' \r\nAaHREFSCIMGTLBODY/#x.\0\xE9"s;
  for (int round = 0; round < 300; ++round) {
    std::string page(rng() % 600, ' ');
    for (char& c : page) c = alphabet[rng() % alphabet.size()];
    CheckEverything(page);
  }
}

TEST(UrlRobustnessTest, RandomAddressesStayShortAndCanonical) {
  std::mt19937 rng(7);
  const std::string alphabet = "/\\.:?#@%hH tpfilemao0123456789";
  for (int round = 0; round < 3000; ++round) {
    std::string address(rng() % 320, ' ');
    for (char& c : address) c = alphabet[rng() % alphabet.size()];
    std::string base = (round % 2) ? "http://www.h.com/a/b/" : "";
    std::string resolved = Resolve(address, base);
    ASSERT_LE(resolved.size(), 255u);
    TUrl url(address);
    EXPECT_LE(url.Path.size(), 255u);
    EXPECT_LE(url.Document.size(), 255u);
    GetDomainName(address);
    GetMachineName(address);
    IsWebAddress(address);
  }
}

}  // namespace
}  // namespace korvane
