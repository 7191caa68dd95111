#include "net/cookie_jar.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

constexpr std::int64_t kNow = 1'800'000'000;

// What a jar sends after taking a series of Set-Cookie values, each from its address.
TEST(CookieJarTest, KeepsAndSendsAsTheRulesSay) {
  const struct {
    const char* from;
    const char* set_cookie;
    bool kept;
  } takes[] = {
      {"http://a.site.test/docs/page.htm", "dir=1", true},  // path /docs by default
      {"http://a.site.test/", "root=2; Path=/; Max-Age=100", true},
      {"http://a.site.test/", "gone=3; Expires=Wed, 09 Jun 2021 10:18:14 GMT", true},
      {"http://a.site.test/", "old=4; Max-Age=0", true},  // removed at once
      {"http://a.site.test/", "sec=5; Secure", false},    // secure over plain http
      {"https://a.site.test/", "sec=5; Secure", true},
      {"http://a.site.test/", "novalue", false},
      {"http://a.site.test/", "=x", false},
      {"http://a.site.test/", "bad=1\r\nX-Evil: 1", false},
      {"http://a.site.test/", "far=1; Domain=b.site.test", false},
      {"http://a.site.test/", "short=1; Domain=Site.Test", true},
      {"http://127.0.0.1/", "ip=1; Domain=0.0.1", false},
  };
  TCookieJar jar;
  for (const auto& t : takes)
    EXPECT_EQ(jar.Take(t.set_cookie, t.from, kNow), t.kept) << t.set_cookie;
  // A later cookie of the same name, domain and path replaces the first; Max-Age=0 removes it.
  EXPECT_TRUE(jar.Take("root=7; Path=/", "http://a.site.test/", kNow));
  EXPECT_TRUE(jar.Take("dir=9; Max-Age=0", "http://a.site.test/docs/x", kNow));

  const struct {
    const char* url;
    const char* header;
  } sends[] = {
      {"http://a.site.test/docs/more/x.htm?q=1", "root=7; short=1"},
      {"http://a.site.test/docsx", "root=7; short=1"},
      {"https://a.site.test/", "root=7; sec=5; short=1"},
      {"http://c.site.test/", "short=1"},
      {"http://site.test.evil/", ""},
      {"http://127.0.0.1/", ""},
  };
  for (const auto& s : sends) EXPECT_EQ(jar.HeaderFor(s.url, kNow), s.header) << s.url;
  EXPECT_EQ(jar.HeaderFor("http://a.site.test/", kNow + 101), "root=7; short=1");
  EXPECT_EQ(jar.HeaderFor("http://a.site.test/docs/", kNow), "root=7; short=1");
}

TEST(CookieJarTest, BrowserFilesAreReadWholeOrNotAtAll) {
  TCookieJar jar;
  EXPECT_EQ(jar.Import("# Netscape HTTP Cookie File\n\n"
                       ".site.test\tTRUE\t/\tTRUE\t0\ta\t1\r\n"
                       "#HttpOnly_www.site.test\tFALSE\t/app\tFALSE\t1900000000\tb\t2\n"
                       "www.site.test\tFALSE\t/\tFALSE\t1000\texpired\t3\n",
                       kNow),
            std::nullopt);
  ASSERT_EQ(jar.Size(), 2u);
  EXPECT_TRUE(jar.Cookies()[1].HttpOnly);
  EXPECT_EQ(jar.HeaderFor("https://x.site.test/app/", kNow), "a=1");
  EXPECT_EQ(jar.HeaderFor("https://www.site.test/app/", kNow), "b=2; a=1");

  // What it writes reads back the same.
  TCookieJar again;
  EXPECT_EQ(again.Import(jar.Export(kNow), kNow), std::nullopt);
  EXPECT_EQ(again.Export(kNow), jar.Export(kNow));

  for (const char* bad :
       {"a.test\tTRUE\t/\tFALSE\tsoon\tn\tv\n", "a.test\tTRUE\t/\tFALSE\t0\tn\n",
        "a.test\tMAYBE\t/\tFALSE\t0\tn\tv\n", "a.test\tTRUE\tx\tFALSE\t0\tn\tv\n"}) {
    TCookieJar partial;
    const auto error =
        partial.Import(std::string("a.test\tTRUE\t/\tFALSE\t0\tok\t1\n") + bad, kNow);
    ASSERT_TRUE(error.has_value()) << bad;
    EXPECT_EQ(error->rfind("line 2 is not a cookie", 0), 0u) << *error;
    EXPECT_EQ(partial.Size(), 0u);
  }
}

TEST(CookieJarTest, DatesInTheirUsualSpellings) {
  EXPECT_EQ(ParseCookieDate("Wed, 09 Jun 2021 10:18:14 GMT"), 1623233894);
  EXPECT_EQ(ParseCookieDate("Wednesday, 09-Jun-21 10:18:14 GMT"), 1623233894);
  EXPECT_EQ(ParseCookieDate("Thu Jan  1 00:00:00 1970"), 0);
  EXPECT_EQ(ParseCookieDate("tomorrow"), std::nullopt);
  EXPECT_EQ(ParseCookieDate("Wed, 32 Jun 2021 10:18:14 GMT"), std::nullopt);
}

}  // namespace
}  // namespace korvane
