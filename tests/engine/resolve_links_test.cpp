// Resolving a whole web on an in-memory folder: sites in order, pages rewritten, indexes fed,
// the total size, cancelling, and a second run that changes nothing.
#include "engine/resolve_links.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "engine/web.h"
#include "support/mem_file_system.h"

namespace korvane {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using testing::TMemFileSystem;

constexpr const char* kTemplates = "/prog/index/";

class TScriptedView final : public TResolveView {
 public:
  void SetPhase(TResolvePhase phase) override { phases.push_back(phase); }
  void SetSite(std::string_view site) override { sites.emplace_back(site); }
  void SetFile(std::string_view file) override {
    if (!file.empty()) files.emplace_back(file);
    if (on_file) on_file(file);
  }
  std::vector<TResolvePhase> phases;
  std::vector<std::string> sites, files;
  std::function<void(std::string_view)> on_file;
};

class ResolveLinksTest : public ::testing::Test {
 protected:
  ResolveLinksTest() : web_(defaults_, fs_) {
    web_.SetPath("/web/");
    web_.MimeList().SetToDefault();
    web_.EditOptions().RealLinkFlag = false;
    fs_.files[std::string(kTemplates) + "_Home.krv"] = "KRVN_HTML_TABLE";
    fs_.files[std::string(kTemplates) + "_IxH.krv"] = "KRVN_HTML_TABLE";
    fs_.files[std::string(kTemplates) + "_IxI.krv"] = "KRVN_IMAGE_TABLE";
  }

  TWebFile& Add(const std::string& url, std::uint8_t state, const std::string& mime,
                const std::string& file, const std::string& body) {
    auto record = std::make_unique<TWebFile>();
    TWebFile* raw = record.get();
    raw->State = state;
    raw->SetMimeType(mime);
    raw->SetFileName(file);
    EXPECT_TRUE(web_.AddRecord(url, std::move(record)));
    if (!file.empty()) fs_.files["/web/" + file] = body;
    return *raw;
  }
  // Two sites of two pages each, every page linking to the other site.
  void TwoSites() {
    Add("http://a/index.htm", wsPage, "text/html", "a1.htm",
        "<A HREF=\"http://a/two.htm\">2</A><A HREF=\"http://b/\">b</A>");
    Add("http://a/two.htm", wsPage, "text/html", "a2.htm", "<A HREF=\"http://a/index.htm\">1</A>");
    Add("http://b/", wsPage, "text/html", "b1.htm", "<A HREF=\"http://b/x.htm\">x</A>");
    Add("http://b/x.htm", wsPage, "text/html", "b2.htm", "<A HREF=\"http://a/index.htm\">a</A>");
  }
  TModalResult Resolve(TResolveView* view = nullptr, TResolveLinks** out = nullptr) {
    TResolveLinks work(web_, param_, fs_, kTemplates, view);
    if (out) *out = &work;
    TModalResult result = work.Execute();
    if (out) *out = nullptr;
    return result;
  }
  const std::string& File(const std::string& name) { return fs_.files["/web/" + name]; }

  TOPTIONS defaults_;
  TMemFileSystem fs_;
  TWEB web_;
  TSommaireParam param_;
};

TEST_F(ResolveLinksTest, RewritesEverySiteAndIndexesIt) {
  TwoSites();
  TScriptedView view;
  EXPECT_EQ(Resolve(&view), mrOk);
  EXPECT_EQ(view.sites, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(view.phases,
            (std::vector<TResolvePhase>{TResolvePhase::kCollecting, TResolvePhase::kMaps,
                                        TResolvePhase::kSites, TResolvePhase::kFinished}));
  EXPECT_EQ(view.files.size(), 4u);
  EXPECT_THAT(File("a1.htm"), HasSubstr("HREF=\"a2.htm\" OLDREF=\"http://a/two.htm\""));
  EXPECT_THAT(File("a1.htm"), HasSubstr("HREF=\"b1.htm\" OLDREF=\"http://b/\""));
  EXPECT_THAT(File("b2.htm"), HasSubstr("HREF=\"a1.htm\""));
  EXPECT_THAT(File("_Home.htm"), HasSubstr("<A HREF=\"a1.htm\">a</A>"));
  EXPECT_THAT(File("_Home.htm"), HasSubstr("<A HREF=\"b1.htm\">b</A>"));
  EXPECT_THAT(File("_IxH.htm"), HasSubstr("a2.htm"));
  EXPECT_THAT(File("_IxH01.htm"), HasSubstr("b2.htm"));
  std::int64_t total = 0;  // as the files are on disk after the run
  for (const char* f : {"a1.htm", "a2.htm", "b1.htm", "b2.htm"}) total += File(f).size();
  EXPECT_EQ(web_.TotalSize(), total);
}

// A host reached under http and https on their default ports is one site, listed once with its
// files, whichever protocol its links name; with a named port it is another server.
TEST_F(ResolveLinksTest, AHostUnderHttpAndHttpsIsOneSite) {
  TWebFile& home =
      Add("https://a.com/", wsPage, "text/html", "home.htm",
          "<A HREF=\"http://a.com/two.htm\">2</A><A HREF=\"https://a.com/old.htm\">o</A>");
  ASSERT_TRUE(web_.AddAlias("http://a.com/", &home));  // redirected from http
  Add("https://a.com/two.htm", wsPage, "text/html", "two.htm", "<A HREF=\"/\">1</A>");
  Add("http://a.com/old.htm", wsPage, "text/html", "old.htm", "old");
  Add("https://a.com:8443/", wsPage, "text/html", "port.htm", "p");
  TResolveLinks work(web_, param_, fs_, kTemplates);
  EXPECT_EQ(work.Execute(), mrOk);
  ASSERT_EQ(work.Sites().size(), 2u);
  EXPECT_EQ(work.Sites()[0].Name, "a.com");
  EXPECT_EQ(work.Sites()[0].Nodes.size(), 2u);
  EXPECT_EQ(work.Sites()[1].Name, "a.com:8443");
  EXPECT_THAT(File("home.htm"), HasSubstr("HREF=\"two.htm\" OLDREF=\"http://a.com/two.htm\""));
  EXPECT_THAT(File("home.htm"), HasSubstr("HREF=\"old.htm\" OLDREF=\"https://a.com/old.htm\""));
  const std::string& index = File("_IxH.htm");
  for (const char* page : {"home.htm", "two.htm", "old.htm"}) {
    const std::string cell = std::string(">") + page + "</A>";
    ASSERT_NE(index.find(cell), std::string::npos) << page;
    EXPECT_EQ(index.find(cell), index.rfind(cell)) << page << " is listed twice";
  }
}

TEST_F(ResolveLinksTest, ResolvingTwiceChangesNothing) {
  TwoSites();
  web_.EditOptions().RealLinkFlag = true;
  fs_.files[std::string(kTemplates) + "_Home.krv"] = "KRVN_CAPTURE_SIZE KRVN_HTML_TABLE";
  ASSERT_EQ(Resolve(), mrOk);
  const auto first = fs_.files;
  ASSERT_EQ(Resolve(), mrOk);
  EXPECT_EQ(fs_.files, first);
}

// Generated pages are replaced whole or not at all, and those a resolve no longer makes (an
// index that was longer before) go: nothing is left that no page links to.
TEST_F(ResolveLinksTest, IndexPagesNoLongerMadeGoAndAFullDiskKeepsTheOldOnes) {
  TwoSites();
  fs_.dirs.insert("/prog/index");
  fs_.files[std::string(kTemplates) + "korvane.css"] = "new style";
  fs_.files["/web/korvane.css"] = "old style";
  fs_.files["/web/_IxH02.htm"] = "from a longer web";
  fs_.files["/web/_ixi1f.htm"] = "from a longer web";
  fs_.files["/web/_IxHelp.htm"] = "a captured page's name the indexes never make";
  ASSERT_EQ(Resolve(), mrOk);
  EXPECT_EQ(File("korvane.css"), "new style");
  EXPECT_EQ(fs_.files.count("/web/_IxH02.htm"), 0u);
  EXPECT_EQ(fs_.files.count("/web/_ixi1f.htm"), 0u);
  EXPECT_EQ(fs_.files.count("/web/_IxHelp.htm"), 1u);
  EXPECT_EQ(fs_.files.count("/web/_IxH01.htm"), 1u);

  // A full disk: every page of the folder stays as it was, none empty or cut short.
  fs_.files[std::string(kTemplates) + "korvane.css"] = "newer style";
  fs_.files["/web/_IxH02.htm"] = "from a longer web";
  const auto before = fs_.files;
  fs_.write_budget = 0;
  TResolveLinks work(web_, param_, fs_, kTemplates);
  work.Execute();
  EXPECT_FALSE(work.WriteFailures().empty());
  for (const auto& [path, bytes] : before) {
    if (path != "/web/_IxH02.htm") {
      EXPECT_EQ(fs_.files[path], bytes) << path;
    }
  }
}

TEST_F(ResolveLinksTest, CancellingDuringTheSecondSiteKeepsTheFirst) {
  TwoSites();
  web_.SetTotalSize(7);
  TScriptedView view;
  TResolveLinks* work = nullptr;
  view.on_file = [&](std::string_view file) {
    if (file == "/web/b1.htm") work->Cancel();
  };
  EXPECT_EQ(Resolve(&view, &work), mrCancel);
  EXPECT_THAT(File("a1.htm"), HasSubstr("OLDREF"));
  EXPECT_THAT(File("a2.htm"), HasSubstr("OLDREF"));
  EXPECT_THAT(File("b2.htm"), Not(HasSubstr("OLDREF")));
  EXPECT_THAT(File("_Home.htm"), HasSubstr("<A HREF=\"a1.htm\">a</A>"));
  EXPECT_THAT(File("_IxH.htm"), HasSubstr("a2.htm"));
  EXPECT_EQ(web_.TotalSize(), 7);
}

TEST_F(ResolveLinksTest, ASiteWithoutTypedFilesIsLeftAlone) {
  const std::string body = "<A HREF=\"http://a/y.htm\">y</A>";
  Add("http://a/x.htm", wsPage, "odd/type", "x.htm", body);
  Add("http://a/y.htm", wsNotFound, "", "", "");
  EXPECT_EQ(Resolve(), mrOk);
  EXPECT_EQ(File("x.htm"), body);
  EXPECT_EQ(fs_.files.count("/web/_Home.htm"), 0u);
  EXPECT_EQ(web_.TotalSize(), 0);
}

TEST_F(ResolveLinksTest, PicturesAreMeasuredOnlyWhenTheIndexNeedsIt) {
  Add("http://a/index.htm", wsPage, "text/html", "a.htm", "<IMG SRC=\"http://a/p.gif\">");
  std::string gif = "GIF89a";
  gif += {'\x14', '\0', '\x0A', '\0', '\0', '\0', '\0'};  // 20 x 10
  Add("http://a/p.gif", wsFile, "image/gif", "p.gif", gif);
  ASSERT_EQ(Resolve(), mrOk);
  EXPECT_THAT(File("_IxI.htm"), HasSubstr("(64x64)"));  // not measured
  param_.ImgRatio = true;
  ASSERT_EQ(Resolve(), mrOk);
  EXPECT_THAT(File("_IxI.htm"), HasSubstr("WIDTH=\"20\" HEIGHT=\"10\""));
  EXPECT_THAT(File("_Home.htm"), HasSubstr("Images"));
  param_.ImgSizeMin = 15;
  fs_.files.erase("/web/_IxI.htm");
  ASSERT_EQ(Resolve(), mrOk);
  EXPECT_EQ(fs_.files.count("/web/_IxI.htm"), 0u);
  EXPECT_THAT(File("_Home.htm"), Not(HasSubstr("Images")));
}

TEST_F(ResolveLinksTest, AnnouncedPagesMatchWhatIsListed) {
  // A page reached as a frame (an embedded object) is not in the pages' index; a file of a type
  // the web does not know is in the other files'. Counting them elsewhere would promise index
  // pages that are never written, or overwrite the next site's.
  param_.LigByPage = 1;
  fs_.files[std::string(kTemplates) + "_IxO.krv"] = "KRVN_PAGE_NEXT KRVN_OTHER_TABLE";
  Add("http://a/index.htm", wsPage, "text/html", "a.htm", "x");
  Add("http://a/frame.htm", wsPage, "text/html", "f.htm", "y").SetLinkType(1);
  Add("http://a/data.bin", wsFile, "odd/type", "d.bin", "z");
  Add("http://b/", wsPage, "text/html", "b.htm", "w");
  Add("http://b/t.txt", wsFile, "text/plain", "t.txt", "t");
  ASSERT_EQ(Resolve(), mrOk);
  EXPECT_THAT(File("_IxH.htm"), HasSubstr("a.htm"));
  EXPECT_THAT(File("_IxH01.htm"), HasSubstr("b.htm"));
  EXPECT_THAT(File("_IxO.htm"), HasSubstr("_IxO01.htm"));
  EXPECT_THAT(File("_IxO01.htm"), HasSubstr("_Home.htm"));
  EXPECT_THAT(File("_IxO02.htm"), HasSubstr("t.txt"));
  EXPECT_EQ(fs_.files.count("/web/_IxO03.htm"), 0u);
}

}  // namespace
}  // namespace korvane
