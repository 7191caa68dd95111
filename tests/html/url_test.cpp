#include "html/url.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

struct ResolveCase {
  const char* address;
  const char* base;
  const char* expected;
};

void PrintTo(const ResolveCase& c, std::ostream* os) { *os << c.address << " | " << c.base; }

class ResolveTest : public testing::TestWithParam<ResolveCase> {};

TEST_P(ResolveTest, GivesTheCanonicalForm) {
  const ResolveCase& c = GetParam();
  EXPECT_EQ(Resolve(c.address, c.base), c.expected) << c.address << " against " << c.base;
}

INSTANTIATE_TEST_SUITE_P(
    Relative, ResolveTest,
    testing::Values(
        ResolveCase{"../img/a.gif", "http://h/x/y/page.htm", "http://h/x/img/a.gif"},
        ResolveCase{"/a.htm", "http://h:8080/x/", "http://h:8080/a.htm"},
        // The root is never climbed above.
        ResolveCase{"../../a.htm", "http://h/x/", "http://h/a.htm"},
        ResolveCase{"./a/./b.htm", "http://h/x/", "http://h/x/a/b.htm"},
        ResolveCase{"..\\x.htm", "http://h/a/b/", "http://h/a/x.htm"},
        ResolveCase{"", "http://h/x/p.htm", "http://h/x/"},
        ResolveCase{"q.htm", "http://h/x/p.cgi?a=1/2", "http://h/x/q.htm"},
        ResolveCase{"?page=2", "http://h/x/list.htm", "http://h/x/?page=2"},
        ResolveCase{"//other.com/p.htm", "http://h/x/", "http://other.com/p.htm"},
        ResolveCase{"http://b.com/z.htm", "http://h/x/", "http://b.com/z.htm"},
        // A doubled slash inside a relative path is not a host: it is reduced in the path.
        ResolveCase{"images//a.gif", "http://h/x/", "http://h/x/images/a.gif"},
        ResolveCase{"a//b.htm", "http://h/", "http://h/a/b.htm"},
        // Relative links whose names begin with "file" are ordinary links.
        ResolveCase{"filelist.html", "http://h/x/", "http://h/x/filelist.html"},
        ResolveCase{"files/a.htm", "http://h/x/", "http://h/x/files/a.htm"},
        // An unknown scheme makes the address absolute: it is kept as written, never made an
        // address of the page's server ("http://h/x/gopher:/s.com/a").
        ResolveCase{"gopher://s.com/a", "http://h/x/", "gopher://s.com/a"},
        ResolveCase{"javascript:go('a/b')", "https://h/x/", "javascript:go('a/b')"},
        // Parsed again, a local file's address is one still, not the http path "/file/etc/".
        ResolveCase{"file:///etc/passwd", "http://h/x/", "file:///etc/passwd"},
        // Links of a secure page stay secure unless they name their protocol.
        ResolveCase{"https://s.com/a", "http://h/x/", "https://s.com/a"},
        ResolveCase{"../b.htm", "https://h/x/y/a.htm", "https://h/x/b.htm"},
        ResolveCase{"//cdn.h.com/s.gif", "https://h/x/", "https://cdn.h.com/s.gif"},
        ResolveCase{"/a.htm", "https://h:8443/x/", "https://h:8443/a.htm"},
        ResolveCase{"http://h/a.htm", "https://h/x/", "http://h/a.htm"},
        ResolveCase{"mailto:x@h.com", "https://h/x/", "mailto://h/x/x@h.com"}));

INSTANTIATE_TEST_SUITE_P(
    Absolute, ResolveTest,
    testing::Values(ResolveCase{"HTTP://Host.Example.COM/Dir/Page.HTM", "",
                                "http://Host.Example.COM/Dir/Page.HTM"},
                    // A port after a host with no '/' stays in the host.
                    ResolveCase{"http://h.com:8080", "", "http://h.com:8080/"},
                    ResolveCase{"http://h.com:8080/", "", "http://h.com:8080/"},
                    ResolveCase{"http://h:abc/x", "", "http://h:80/x"},
                    ResolveCase{"http://h:/x", "", "http://h:80/x"},
                    ResolveCase{"http://h/a/./b//c.htm?x=1", "", "http://h/a/b/c.htm?x=1"},
                    ResolveCase{"http://h/cgi?a=//b", "", "http://h/cgi?a=/b"},
                    ResolveCase{"http://h/?x", "", "http://h/?x"},
                    ResolveCase{"http://h.com:8080/a/../../b.htm", "", "http://h.com:8080/b.htm"},
                    // ".." takes away the segment before it, even a lone separator.
                    ResolveCase{"http://h/a//../b/c.htm", "", "http://h/a/b/c.htm"},
                    ResolveCase{"http://h/a\\b\\c.htm", "", "http://h/a\\b\\c.htm"},
                    ResolveCase{"ftp://ftp.x.org/pub/", "", "ftp://ftp.x.org/pub/"},
                    ResolveCase{"HTTPS://Host.COM/A", "", "https://Host.COM/A"},
                    // 443 is the secure default: one form with or without it.
                    ResolveCase{"https://h.com:443/a", "", "https://h.com/a"},
                    ResolveCase{"https://h.com:80/a", "", "https://h.com:80/a"},
                    // The colons of an IPv6 host are its own; user information is no host.
                    ResolveCase{"http://[::1]:9/a", "", "http://[::1]:9/a"},
                    ResolveCase{"http://u:p@h.com:81/a", "", "http://h.com:81/a"},
                    ResolveCase{"a.htm", "", "http:///a.htm"}));

TEST(UrlTest, SplitsIntoFields) {
  TUrl base("http://h/x/y/page.htm");
  TUrl url("../img/a.gif", &base);
  EXPECT_EQ(url.Host, "h");
  EXPECT_EQ(url.Path, "/x/img/");
  EXPECT_EQ(url.Document, "a.gif");
  EXPECT_EQ(url.Port, -1);

  TUrl q("http://www.a.com:81/d/p.cgi?k=v");
  EXPECT_EQ(q.Host, "www.a.com");
  EXPECT_EQ(q.Port, 81);
  EXPECT_EQ(q.Path, "/d/");
  EXPECT_EQ(q.Document, "p.cgi?k=v");
  EXPECT_EQ(q.Query, "?k=v");

  TUrl no_slash("http://h.com:8080");
  EXPECT_EQ(no_slash.Host, "h.com:8080");
  EXPECT_EQ(no_slash.Port, -1);
  EXPECT_EQ(no_slash.Path, "/");
  EXPECT_EQ(no_slash.Document, "");
}

TEST(UrlTest, Protocols) {
  EXPECT_EQ(TUrl("HTTP://H.com/").Protocol, kProtocolHttp);
  EXPECT_EQ(TUrl("Ftp://h.com/").Protocol, kProtocolFtp);
  EXPECT_EQ(TUrl("news:comp.lang").Protocol, kProtocolNews);
  EXPECT_EQ(TUrl("mailto:someone").Protocol, kProtocolMailto);
  EXPECT_EQ(TUrl("file:///C:/x.htm").Protocol, kProtocolFile);
  EXPECT_EQ(TUrl("filelist.htm").Protocol, kProtocolHttp);
  EXPECT_EQ(TUrl("javascript:x()").Protocol, kProtocolOther);
  EXPECT_EQ(TUrl("Https://h.com/").Protocol, kProtocolHttps);
  EXPECT_EQ(TUrl("httpsfile.htm").Protocol, kProtocolHttp);

  EXPECT_TRUE(HasOtherProtocol("mailto:someone"));
  EXPECT_TRUE(HasOtherProtocol("ftp://ftp.x.org/"));
  EXPECT_TRUE(HasOtherProtocol("file:///C:/x.htm"));
  EXPECT_FALSE(HasOtherProtocol("http://www.x.org/"));
  EXPECT_FALSE(HasOtherProtocol("https://www.x.org/"));
  EXPECT_TRUE(HasOtherProtocol("javascript:x()"));
}

TEST(UrlTest, WebAddressNeedsADottedHostAndMayHoldColonsInItsPath) {
  EXPECT_TRUE(IsWebAddress("http://www.h.com/x/"));
  EXPECT_FALSE(IsWebAddress("http://localhost/x/"));
  EXPECT_TRUE(IsWebAddress("http://[::1]:8080/x/"));
  EXPECT_FALSE(IsWebAddress("javascript:x()"));
  EXPECT_TRUE(IsWebAddress("http://www.h.com/a:b"));
  EXPECT_TRUE(IsWebAddress("http://www.h.com/a:b/c.htm"));
  EXPECT_TRUE(IsWebAddress(Resolve("/wiki/Portal:Packaging", "http://www.h.com/w/")));
  EXPECT_TRUE(IsWebAddress(Resolve("https://s.com/a", "http://www.h.com/")));
  EXPECT_FALSE(IsWebAddress(Resolve("gopher://s.com/a", "http://www.h.com/")));
}

TEST(UrlTest, Helpers) {
  EXPECT_EQ(GetHost("http://www.h.com:81/a/b.htm"), "www.h.com");
  EXPECT_EQ(GetPath("http://www.h.com/a/b.htm"), "/a/");
  EXPECT_EQ(GetDocument("http://www.h.com/a/b.htm?x"), "b.htm?x");
  EXPECT_EQ(GetPort("http://www.h.com/"), 80);
  EXPECT_EQ(GetPort("http://www.h.com:8080/"), 8080);
  EXPECT_EQ(GetPort("http://www.h.com:8080"), 80);  // the port stayed in the host
  EXPECT_EQ(GetPort("https://www.h.com/"), 443);
  EXPECT_EQ(GetPort("https://www.h.com:8443/"), 8443);
  EXPECT_TRUE(IsSecure("HTTPS://www.h.com/"));
  EXPECT_FALSE(IsSecure("http://www.h.com/"));
  EXPECT_EQ(GetTarget("http://h/a/b.htm?q=1"), "/a/b.htm?q=1");
  EXPECT_EQ(GetTarget("http://h"), "/");

  EXPECT_EQ(GetDomainName("http://www.site.com/"), "site");
  EXPECT_EQ(GetDomainName("http://site.com/"), "site");
  EXPECT_EQ(GetDomainName("http://a.b.c.d/"), "c");
  EXPECT_EQ(GetDomainName("http://localhost/"), "localhost");

  EXPECT_EQ(GetMachineName("http://www.site.com/"), "www");
  EXPECT_EQ(GetMachineName("http://localhost/x"), "http://localhost/x");
}

TEST(UrlTest, TheSameAddressUnderTheOtherWebProtocol) {
  EXPECT_EQ(OtherWebProtocol("http://H.com/a/b.htm?x=1"), "https://H.com/a/b.htm?x=1");
  EXPECT_EQ(OtherWebProtocol("https://h.com/"), "http://h.com/");
  EXPECT_EQ(OtherWebProtocol("https://h.com:443/"), "http://h.com/");
  // Another port is another server; other protocols have no twin.
  EXPECT_EQ(OtherWebProtocol("http://h.com:8080/"), "");
  EXPECT_EQ(OtherWebProtocol("http://h.com:80/"), "");
  EXPECT_EQ(OtherWebProtocol("ftp://h.com/"), "");
  EXPECT_EQ(OtherWebProtocol("a.htm"), "");
}

TEST(UrlTest, EverythingStaysWithin255Bytes) {
  std::string long_name(300, 'n');
  std::string resolved = Resolve(long_name + ".htm", "http://www.h.com/" + long_name + "/");
  EXPECT_LE(resolved.size(), 255u);
  TUrl url("http://www.h.com/" + std::string(400, 'd') + "?" + std::string(400, 'q'));
  EXPECT_LE(url.Document.size(), 255u);
  EXPECT_LE(url.ToString().size(), 255u);
  EXPECT_EQ(url.Path.front(), '/');
}

TEST(UrlTest, CanonicalFormIsStable) {
  // Every address stored in a web is canonical; parsing it again must not change it.
  for (const char* address : {"http://h/a/./b//c.htm?x=1", "HTTP://Host.COM", "http://h:abc/x",
                              "../../a.htm", "http://h/a\\b\\..\\c.htm", "mailto:x@y.z",
                              "ftp://f.org/a b/", "https://h:443", "//cdn.h.com/x"}) {
    std::string once = Resolve(address, "http://www.base.org/dir/");
    EXPECT_EQ(Resolve(once), once) << address;
  }
}

}  // namespace
}  // namespace korvane
