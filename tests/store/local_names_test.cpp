#include "store/local_names.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include <random>

#include "base/file_name.h"
#include "store/site_names.h"
#include "store/web_folder.h"
#include "store/web_tree.h"
#include "support/mem_file_system.h"

namespace korvane {
namespace {

using testing::TMemFileSystem;

class LocalNamesTest : public ::testing::Test {
 protected:
  LocalNamesTest() { fs_.dirs.insert("/web"); }

  // Names the address and creates the file, as the capture does.
  std::string Name(std::string_view url, std::string_view ext = "htm") {
    std::string path = names_.MakeLocalFileName(url, ext);
    EXPECT_FALSE(fs_.FileExists(path)) << path;
    fs_.files[path] = "";
    return path.substr(5);
  }

  TMemFileSystem fs_;
  TLocalNames names_{fs_, "/web/"};
};

TEST_F(LocalNamesTest, BuildsTheBaseFromTheDocument) {
  struct Case {
    const char* url;
    const char* ext;
    const char* name;
  } cases[] = {
      {"http://h/", "htm", "INDEX.htm"},
      {"http://h/d/my page.html", "htm", "my.htm"},
      {"http://h/search?q=a+b", "htm", "search.htm"},
      {"http://h/averyverylongname.html", "htm", "averyver.htm"},
      {"http://h/a,b=c*d.gif", "gif", "abcd.gif"},
      {"http://h/?x", "htm", "INDEX1.htm"},  // the query alone leaves nothing
      {"http://h/x%20y<z>.gif", "gif", "x_20y_z_.gif"},
      {"http://h/caf\xE9:|.htm", "htm", "caf___.htm"},
      {"http://h/q\"+=.htm", "txt", "q.txt"},
      {"http://h/e", "a/b", "e.a_b"},
      // What a browser needs to read them from disk: the query dropped, the whole extension.
      {"http://h/_static/theme.css?2022.1", "css", "theme.css"},
      {"http://h/fonts/sans.woff2?v=3#x", "woff2", "sans.woff2"},
      {"http://h/p/hero.webp", "webpxx", "hero.webpx"},
  };
  for (const auto& c : cases) EXPECT_EQ(Name(c.url, c.ext), c.name) << c.url;
}

TEST_F(LocalNamesTest, NumbersTakenNamesAndShortensTheBase) {
  EXPECT_EQ(Name("http://h/a/"), "INDEX.htm");
  for (int n = 1; n <= 10; ++n)
    EXPECT_EQ(Name("http://h/b" + std::to_string(n) + "/"), "INDEX" + std::to_string(n) + ".htm");
  EXPECT_EQ(Name("http://h/averyverylongname.html"), "averyver.htm");
  EXPECT_EQ(Name("http://h/x/averyverylongname.html"), "averyve1.htm");
  for (int n = 2; n <= 10; ++n) Name("http://h/y" + std::to_string(n) + "/averyverylongname.html");
  EXPECT_EQ(Name("http://h/z/averyverylongname.html"), "averyv11.htm");
}

TEST_F(LocalNamesTest, ExistingFilesCountInAnyLetterCase) {
  fs_.files["/web/index.HTM"] = "";
  fs_.files["/web/Index1.htm"] = "";
  fs_.files["/web/INDEX1.HTM"] = "";
  EXPECT_EQ(Name("http://h/"), "INDEX2.htm");
  // One of two spellings gone, the name is still taken by the other.
  fs_.files.erase("/web/Index1.htm");
  names_.FileRemoved("Index1.htm");
  EXPECT_EQ(Name("http://h/"), "INDEX3.htm");
}

TEST_F(LocalNamesTest, TheWebFoldersOwnPagesAreTaken) {
  struct Case {
    const char* url;
    const char* name;
  } cases[] = {
      {"http://h/LogFile.html", "LogFile1.htm"}, {"http://h/notfound.htm", "notfoun1.htm"},
      {"http://h/BADLINK", "BADLINK1.htm"},      {"http://h/_home.htm", "_home1.htm"},
      {"http://h/_IxHzz.htm", "_IxHzz.htm"},     {"http://h/_IxOzz.htm", "_IxOzz.htm"},
  };
  // The indexes' stylesheet is written over at every resolve: a site's own of that name is not.
  EXPECT_EQ(Name("http://h/css/korvane.css", "css"), "korvane1.css");
  for (const auto& c : cases) EXPECT_EQ(Name(c.url), c.name) << c.url;
  EXPECT_EQ(Name("http://h/LogFile.txt", "txt"), "LogFile.txt");
  // Every number keeps "_IxH" followed by hexadecimal digits until the prefix itself is cut.
  EXPECT_EQ(Name("http://h/_IxH0A.htm"), "_Ix10000.htm");
  // Each index's first page has no number: a captured page of that name would be overwritten by
  // it. So is every later page's name, with any letter case.
  EXPECT_EQ(Name("http://h/_IxH.html"), "_Ix10001.htm");
  EXPECT_EQ(Name("http://h/_ixi.htm"), "_ix10002.htm");
  EXPECT_EQ(Name("http://h/_IXO"), "_IX10003.htm");
  EXPECT_EQ(Name("http://h/_IxE.htm?x"), "_Ix10004.htm");
}

// A body is written under a partial name and a page is held in memory until rewritten: a name
// whose file does not exist yet is still in use, and given to nobody else until released.
TEST_F(LocalNamesTest, ANameHandedOutStaysTakenUntilRemoved) {
  EXPECT_EQ(names_.MakeLocalFileName("http://h/a/", "htm"), "/web/INDEX.htm");
  fs_.files["/web/INDEX.htm.kvpart"] = "half a body";
  EXPECT_EQ(names_.MakeLocalFileName("http://h/b/", "htm"), "/web/INDEX1.htm");
  EXPECT_EQ(Name("http://h/c/"), "INDEX2.htm");
  names_.FileRemoved("INDEX.htm");
  EXPECT_EQ(Name("http://h/d/"), "INDEX.htm");
}

TEST_F(LocalNamesTest, ARecordKeepsItsNameAndNeverTakesAnothers) {
  TWebTree tree;
  auto add = [&](const char* url, const char* name) {
    auto record = std::make_unique<TWebFile>();
    record->SetFileName(name);
    TWebFile* added = record.get();
    EXPECT_TRUE(tree.Add(url, std::move(record)));
    if (*name) fs_.files["/web/" + std::string(name)] = "old";
    return added;
  };
  TWebFile* kept = add("http://h/kept.png", "kept.png");
  TWebFile* twin1 = add("http://h/x/twin.png", "twin.png");  // two records, one name
  TWebFile* twin2 = add("http://h/y/twin.png", "twin.png");
  TWebFile* fresh = add("http://h/z/kept.png", "");
  names_.ClaimNamesOf(tree);
  // As the capture does: the record takes the name it is given.
  auto name_for = [&](TWebFile* record, std::string_view url, std::string_view ext) {
    std::string path = names_.NameFor(*record, url, ext);
    record->SetFileName(path.substr(5));
    return path.substr(5);
  };
  // Fetched again, a record keeps its name whatever the order; another record never gets it.
  EXPECT_EQ(name_for(fresh, "http://h/z/kept.png", "png"), "kept1.png");
  EXPECT_TRUE(names_.LastNameWasNew());
  EXPECT_EQ(name_for(kept, "http://h/kept.png", "png"), "kept.png");
  EXPECT_FALSE(names_.LastNameWasNew());
  // A name two records hold is neither's to overwrite.
  EXPECT_EQ(name_for(twin1, "http://h/x/twin.png", "png"), "twin1.png");
  EXPECT_EQ(name_for(twin2, "http://h/y/twin.png", "png"), "twin2.png");
  // Released once its file is gone, the name is free for the next address.
  names_.Release(*twin2);
  EXPECT_EQ(Name("http://h/w/twin.png", "png"), "twin2.png");
  // The web started again: the same addresses take their old names back, others do not.
  names_.Remember(tree);
  tree.Clear();
  TWebFile* again = add("http://h/kept.png", "");
  TWebFile* other = add("http://h/q/kept.png", "");
  EXPECT_EQ(name_for(other, "http://h/q/kept.png", "png"), "kept2.png");
  EXPECT_EQ(names_.NameFor(*again, "http://h/kept.png", "png"), "/web/kept.png");
}

TEST_F(LocalNamesTest, SeesFilesMadeBehindItsBackUnderTheirExactName) {
  EXPECT_EQ(Name("http://h/a/"), "INDEX.htm");
  fs_.files["/web/INDEX1.htm"] = "";
  EXPECT_EQ(Name("http://h/b/"), "INDEX2.htm");
  names_.FileCreated("index3.HTM");
  EXPECT_EQ(Name("http://h/c/"), "INDEX4.htm");
}

TEST_F(LocalNamesTest, ThousandsOfIndexPagesShortenTheBaseAsNumbersGrow) {
  std::string last;
  for (int i = 0; i <= 1000; ++i) last = Name("http://h/" + std::to_string(i) + "/");
  EXPECT_EQ(last, "INDE1000.htm");
  EXPECT_EQ(fs_.files.size(), 1001u);
}

TEST(LocalNamesOnDiskTest, AFileOnDiskInOtherCaseIsTaken) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("korvane-names-test-" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  ASSERT_TRUE(RealFileSystem().WriteFile((dir / "INDEX.HTM").string(), ""));
  TLocalNames names(RealFileSystem(), dir.string());
  EXPECT_EQ(names.MakeLocalFileName("http://h/", "htm"), (dir / "INDEX1.htm").string());
  fs::remove_all(dir);
}

TEST(DefaultWebNameTest, UsesTheLastLongDirectoryElseTheHost) {
  struct Case {
    const char* url;
    const char* name;
  } cases[] = {
      {"http://a.name.b/", "NAME"},
      {"http://a.name.b/index.html", "NAME"},
      {"http://a.name.b/x/index.html", "X"},
      {"http://a.name.b/docs/manual/page.html", "MANUAL"},
      {"http://localhost/", "LOCALHOS"},
      {"http://www.site.co.uk/", "CO"},
      {"http://h.com/verylongdirectory/", "VERYLONG"},
      {"http://h.com/caf\xE9:x/", "CAF__X"},
      {"http://site.com/", "SITE"},
  };
  for (const auto& c : cases) EXPECT_EQ(DefaultWebName(c.url), c.name) << c.url;
}

TEST(SiteFileNameTest, EachAddressKeepsItsOwnPathWithItsQueryAndTypeFoldedIn) {
  struct Case {
    const char* url;
    const char* ext;
    const char* type;
    const char* name;
  } cases[] = {
      {"http://H.example/", "htm", "text/html", "h.example/index.htm"},
      {"http://h/a/b/", "htm", "text/html", "h/a/b/index.htm"},
      {"http://h:8080/docs/os.html", "htm", "text/html", "h_8080/docs/os.html"},
      {"https://h:443/x.css", "css", "text/css", "h/x.css"},
      {"https://h:80/x.css", "css", "text/css", "h_80/x.css"},
      {"http://h/api/v1", "htm", "text/html", "h/api/v1.htm"},
      {"http://h/page.php", "htm", "text/html; charset=utf-8", "h/page.php.htm"},
      {"http://h/app.js", "js", "application/javascript", "h/app.js"},
      {"http://h/photo.JPEG", "jpg", "image/jpeg", "h/photo.JPEG"},
      {"http://h/README.md", "md", "application/octet-stream", "h/README.md"},
      {"http://h/search.html?q=a%20b&n=1", "htm", "text/html", "h/search.html@q=a%20b&n=1.htm"},
      {"http://h/caf%C3%A9/a%3Fb%25.png", "png", "image/png", "h/caf\xC3\xA9/a%3Fb%25.png"},
      {"http://h/a%2Fb/x%40y.htm", "htm", "text/html", "h/a%2Fb/x%40y.htm"},
      {"http://h/%FF/x.htm", "htm", "text/html", "h/%FF/x.htm"},
      {"http://h/con/aux.txt", "txt", "text/plain", "h/%63on/%61ux.txt"},
      {"http://h/s?a=%41%g|b@c.", "htm", "text/html", "h/s@a=%41%25g%7Cb@c%2E.htm"},
      {"http://h/dot./x.htm", "htm", "text/html", "h/dot%2E/x.htm"},
      {"mailto:a@b", "htm", "text/html", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SiteFileName(c.url, c.ext, c.type), c.name) << c.url;
  }
  // A long part is cut, with the hash of the whole part, so that two long names stay two.
  const std::string a = SiteFileName("http://h/" + std::string(200, 'a') + ".htm", "htm", "");
  const std::string b = SiteFileName("http://h/" + std::string(199, 'a') + ".htm", "htm", "");
  EXPECT_EQ(a.size(), std::string("h/").size() + 140 + 9 + 4) << a;
  EXPECT_NE(a, b);
  EXPECT_EQ(NumberedSiteName("h/a.b/index.htm", 2), "h/a.b/index~2.htm");
  EXPECT_EQ(NumberedSiteName("h/a.b/README", 3), "h/a.b/README~3");
}

// Whatever an address holds, its site name stays inside the folder and is one every file system
// we run on takes: no part "." or "..", no separator, no byte a file name may not hold.
TEST(SiteFileNameTest, NoAddressLeadsOutOfTheFolderOrToAnUnsafeName) {
  const std::vector<std::string> pieces = {"a",      "B",
                                           "/",      "/",
                                           "..",     ".",
                                           "%2e%2E", "%2F",
                                           "%5C",    "\\",
                                           ":",      "%3A",
                                           "?",      "&",
                                           "=",      "#",
                                           "%00",    "%0A",
                                           "%",      "%G1",
                                           "%C3%A9", "\xC3\xA9",
                                           "\xFF",   "con",
                                           "NUL.",   " ",
                                           "%20",    "@",
                                           "~",      "*",
                                           "\"",     "<",
                                           "|",      std::string(90, 'x'),
                                           ".htm",   ".html"};
  std::mt19937 random(20261210);
  for (int i = 0; i < 5000; ++i) {
    std::string url = "http://h/";
    const int count = static_cast<int>(random() % 12);
    for (int k = 0; k < count; ++k) url += pieces[random() % pieces.size()];
    const std::string name = SiteFileName(url, "htm", random() % 2 ? "text/html" : "image/png");
    if (name.empty()) continue;
    ASSERT_TRUE(IsWebFileName(name)) << url << " -> " << name;
    ASSERT_TRUE(name.starts_with("h/")) << url << " -> " << name;
    for (std::size_t start = 0; start < name.size();) {
      const std::size_t slash = std::min(name.find('/', start), name.size());
      const std::string part = name.substr(start, slash - start);
      ASSERT_LE(part.size(), 160u) << url;
      ASSERT_NE(part.back(), '.') << url << " -> " << name;
      ASSERT_NE(part.back(), ' ') << url << " -> " << name;
      start = slash + 1;
    }
    for (char c : name) {
      ASSERT_EQ(std::string_view("\\:*?\"<>|").find(c), std::string_view::npos)
          << url << " -> " << name;
    }
  }
}

TEST(LinkBetweenFilesTest, RelativeFromThePageWithWhatAnAddressWouldReadOtherwiseEncoded) {
  EXPECT_EQ(LinkBetweenFiles("INDEX.htm", "a b#?.htm"), "a b#?.htm");  // flat: as before
  EXPECT_EQ(LinkBetweenFiles("h/a/x.htm", "h/a/y.htm"), "y.htm");
  EXPECT_EQ(LinkBetweenFiles("h/a/b/x.htm", "h/c/y.htm"), "../../c/y.htm");
  EXPECT_EQ(LinkBetweenFiles("h/x.htm", "BadLink.htm"), "../BadLink.htm");
  EXPECT_EQ(LinkBetweenFiles("_Home.htm", "h_81/s.html@q=1 2#.htm"), "h_81/s.html@q=1%202%23.htm");
  EXPECT_EQ(LinkBetweenFiles("", "h/a:b/%41\xC3\xA9?.png"), "h/a%3Ab/%2541%C3%A9%3F.png");
  EXPECT_EQ(LinkBetweenFiles("h/a/x.htm", "h/ab/y.htm"), "../ab/y.htm");
  for (const char* bad : {"", "/abs", "a//b", "a/./b", "a/../b", "..", "a\\b", "a/b/", "a\nb"}) {
    EXPECT_FALSE(IsWebFileName(bad)) << bad;
  }
  EXPECT_FALSE(IsWebFileName(std::string(251, 'a')));
}

// Two addresses never share a file, nor a file a folder's name: the second of two that fold to
// the same name is numbered; one whose folder is another's file gets a flat name (the tree
// keeps /g and /g.gif/ apart, but /g is a picture stored as g.gif).
TEST_F(LocalNamesTest, SiteNamesNeverShareAFileOrAFolder) {
  names_.SetSiteLayout(true);
  TWebTree tree;
  auto name = [&](const std::string& url, const char* ext, const char* type) {
    EXPECT_TRUE(tree.Add(url, std::make_unique<TWebFile>())) << url;
    TWebFile* record = tree.Find(url);
    std::string path = names_.NameFor(*record, url, ext, type);
    record->SetFileName(path.substr(5));
    return path.substr(5);
  };
  EXPECT_EQ(name("http://h/Doc/a.html", "htm", "text/html"), "h/Doc/a.html");
  EXPECT_EQ(name("http://h/doc/A.html", "htm", "text/html"), "h/doc/A~2.html");
  fs_.files["/web/h/x.png"] = "";  // left by someone else
  EXPECT_EQ(name("http://h/x.png", "png", "image/png"), "h/x~2.png");
  EXPECT_EQ(name("http://h/f/", "htm", "text/html"), "h/f/index.htm");
  EXPECT_EQ(name("http://h/f", "htm", "text/html"), "h/f.htm");
  EXPECT_EQ(name("http://h/g/z.htm", "htm", "text/html"), "h/g/z.htm");
  EXPECT_EQ(name("http://h/g", "gif", "image/gif"), "h/g.gif");
  EXPECT_EQ(name("http://h/g.gif/", "htm", "text/html"), "INDEX.htm");  // g.gif is the file above
  // Fetched again, an address keeps its name; its flat sibling keeps its own too.
  TWebFile* again = tree.Find("http://h/doc/A.html");
  EXPECT_EQ(names_.NameFor(*again, "http://h/doc/A.html", "htm", "text/html"),
            "/web/h/doc/A~2.html");
  names_.SetSiteLayout(false);
  EXPECT_EQ(name("http://h/flat.html", "htm", "text/html"), "flat.htm");
}

TEST(SiteFoldersTest, FoldersAreMadeAndEmptiedInsideTheFolderAndNoLinkIsFollowed) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("korvane-site-" + std::to_string(getpid()));
  const fs::path outside = dir / "outside";
  fs::remove_all(dir);
  fs::create_directories(dir / "web");
  fs::create_directories(outside);
  TFileSystem& files = RealFileSystem();
  const std::string web = (dir / "web").string() + "/";
  ASSERT_TRUE(MakeFileFolders(files, web, "h/a/b/c.htm"));
  ASSERT_TRUE(files.WriteFile(web + "h/a/b/c.htm", "c"));
  ASSERT_TRUE(files.WriteFile(web + "h/a/keep.htm", "k"));
  EXPECT_TRUE(DeleteFolderFiles(files, web, {"h/a/b/c.htm"}).empty());
  EXPECT_FALSE(fs::exists(dir / "web/h/a/b"));
  EXPECT_TRUE(fs::exists(dir / "web/h/a/keep.htm"));

  fs::create_directory_symlink(outside, dir / "web/l");
  ASSERT_TRUE(files.WriteFile((outside / "x.htm").string(), "theirs"));
  EXPECT_FALSE(MakeFileFolders(files, web, "l/y/z.htm"));
  EXPECT_FALSE(NoLinkOnTheWay(files, web, "l/x.htm"));
  EXPECT_TRUE(DeleteFolderFiles(files, web, {"l/x.htm", "../outside/x.htm"}).empty());
  EXPECT_TRUE(fs::exists(outside / "x.htm"));
  EXPECT_FALSE(fs::exists(outside / "y"));
  EXPECT_FALSE(MakeFileFolders(files, web, "h/a/keep.htm/z.htm"));  // a file on the way
  fs::remove_all(dir);
}

}  // namespace
}  // namespace korvane
