// robots.txt as a crawler must read it: which group is ours, which rule decides, and files that
// are empty, odd or far too large.
#include "net/robots_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace korvane {
namespace {

struct TCase {
  const char* robots;
  const char* target;
  bool allowed;
};

// The protocol's own examples and the cases around them, each read for the crawler "Korvane".
TEST(RobotsRulesTest, TheLongestMatchDecidesInOurGroup) {
  const TCase cases[] = {
      // Our group over "*", its product token in any case, with a version or not.
      {"User-agent: *\nDisallow: /\n\nUser-agent: korvane/2.0\nDisallow: /private\n", "/a", true},
      {"User-agent: *\nDisallow: /\n\nUser-agent: KORVANE\nDisallow: /private\n", "/private/x",
       false},
      {"User-agent: other\nDisallow: /\n", "/a", true},
      {"User-agent: other\nDisallow: /\n\nUser-agent: *\nDisallow: /a\n", "/a/b", false},
      // Two agents sharing one group, and two groups of ours taken together.
      {"User-agent: x\nUser-agent: Korvane\nDisallow: /x\n", "/x", false},
      {"User-agent: Korvane\nDisallow: /a\n\nUser-agent: Korvane\nDisallow: /b\n", "/b", false},
      // A group of ours without a rule allows everything, whatever "*" says; a blank line does
      // not end a run of User-agent lines.
      {"User-agent: Korvane\nAllow:\n\nUser-agent: *\nDisallow: /\n", "/a", true},
      {"User-agent: Korvane\n\nUser-agent: *\nDisallow: /\n", "/a", false},
      // Rules before any User-agent line belong to no group.
      {"Disallow: /\nUser-agent: *\nDisallow: /a\n", "/b", true},
      // Longest match wins; Allow wins a tie; an empty Disallow forbids nothing.
      {"User-agent: *\nAllow: /p\nDisallow: /\n", "/page", true},
      {"User-agent: *\nAllow: /folder\nDisallow: /folder\n", "/folder/page", true},
      {"User-agent: *\nAllow: /page\nDisallow: /*.htm\n", "/page.htm", false},
      {"User-agent: *\nAllow: /$\nDisallow: /\n", "/", true},
      {"User-agent: *\nAllow: /$\nDisallow: /\n", "/page.htm", false},
      {"User-agent: *\nDisallow:\n", "/a", true},
      {"User-agent: *\nDisallow: /fish\n", "/fish.html", false},
      {"User-agent: *\nDisallow: /fish\n", "/Fish.asp", true},  // paths keep their case
      {"User-agent: *\nDisallow: /fish/\n", "/fish", true},
      // '*' anywhere, '$' at the end, a query part.
      {"User-agent: *\nDisallow: /*.php$\n", "/index.php", false},
      {"User-agent: *\nDisallow: /*.php$\n", "/index.php?x=1", true},
      {"User-agent: *\nDisallow: /*.php$\n", "/a.php5", true},
      {"User-agent: *\nDisallow: /fish*.php\n", "/fishheads/catfish.php?p=1", false},
      {"User-agent: *\nDisallow: /*?\n", "/a?b", false},
      {"User-agent: *\nDisallow: /**a**b$\n", "/xxaxxb", false},
      {"User-agent: *\nDisallow: /a$b\n", "/a$b", false},  // '$' before the end is a character
      // Percent-encoding made the same on both sides.
      {"User-agent: *\nDisallow: /foo/bar/%62%61%7A\n", "/foo/bar/baz", false},
      {"User-agent: *\nDisallow: /foo/bar/baz\n", "/foo/bar/%62%61%7a", false},
      {"User-agent: *\nDisallow: /foo/bar/\xE3\x83\x84\n", "/foo/bar/%E3%83%84", false},
      {"User-agent: *\nDisallow: /foo/bar/%e3%83%84\n", "/foo/bar/\xE3\x83\x84", false},
      {"User-agent: *\nDisallow: /a%2Fb\n", "/a/b", true},  // an escaped '/' is no separator
      // Comments, CR LF, blanks around the colon, a byte-order mark, unknown lines.
      {"\xEF\xBB\xBFUser-agent: * # all\r\nDisallow : /a # not a\r\nSitemap: /s.xml\r\n", "/a",
       false},
      {"User-agent: *\nfoo bar\nDisallow: /a\n", "/a/b", false},
      // robots.txt itself is always allowed.
      {"User-agent: *\nDisallow: /\n", "/robots.txt", true},
      {"User-agent: *\nDisallow: /\n", "/", false},
      // Empty and binary files name no rule.
      {"", "/a", true},
      {"\x00\x01\xff:\x00Disallow", "/a", true},
  };
  for (const TCase& c : cases) {
    const TRobotsRules rules = TRobotsRules::Parse(c.robots, "Korvane");
    EXPECT_EQ(rules.Allowed(c.target), c.allowed) << c.target << " under\n" << c.robots;
  }
}

TEST(RobotsRulesTest, CrawlDelayIsTheGroupsAndOnlyANumber) {
  struct TDelay {
    const char* robots;
    std::int64_t ms;
  };
  const TDelay delays[] = {
      {"User-agent: *\nCrawl-delay: 2\n", 2000},
      {"User-agent: *\nCrawl-delay: 0.5\nDisallow: /a\n", 500},
      {"User-agent: other\nCrawl-delay: 9\n\nUser-agent: *\nDisallow: /a\n", -1},
      {"User-agent: *\nCrawl-delay: soon\n", -1},
      {"User-agent: *\nCrawl-delay: -3\n", -1},
      {"User-agent: *\nCrawl-delay: 1e300\n", 1000000000000},
  };
  for (const TDelay& d : delays) {
    EXPECT_EQ(TRobotsRules::Parse(d.robots, "Korvane").CrawlDelayMs(), d.ms) << d.robots;
  }
}

// Only the first 500 KiB are read: a rule past them does not count, and the file is read in one
// pass however it is made (one endless line, or a flood of stars that each match).
TEST(RobotsRulesTest, AHugeFileIsCutAndStaysCheap) {
  std::string robots = "User-agent: *\nDisallow: /early\n";
  while (robots.size() < TRobotsRules::kMaxBytes) robots += "Disallow: /filler\n";
  robots += "Disallow: /late\n";
  const TRobotsRules rules = TRobotsRules::Parse(robots, "Korvane");
  EXPECT_FALSE(rules.Allowed("/early"));
  EXPECT_TRUE(rules.Allowed("/late"));

  const std::string line(TRobotsRules::kMaxBytes * 2, 'x');
  EXPECT_EQ(TRobotsRules::Parse(line, "Korvane").RuleCount(), 0u);

  std::string stars = "User-agent: *\nDisallow: /" + std::string(2000, '*') + "z$\n";
  const TRobotsRules starry = TRobotsRules::Parse(stars, "Korvane");
  EXPECT_TRUE(starry.Allowed("/" + std::string(250, 'a')));
  EXPECT_FALSE(starry.Allowed("/" + std::string(250, 'a') + "z"));
}

TEST(RobotsRulesTest, TheProductTokenOfAUserAgent) {
  EXPECT_EQ(RobotsProductToken(""), "Korvane");  // the program's own string
  EXPECT_EQ(RobotsProductToken("MyBot/1.2 (+http://x)"), "MyBot");
  EXPECT_EQ(RobotsProductToken("Mozilla/5.0 (compatible)"), "Mozilla");
  EXPECT_EQ(RobotsProductToken("web_reader-2"), "web_reader-");
}

}  // namespace
}  // namespace korvane
