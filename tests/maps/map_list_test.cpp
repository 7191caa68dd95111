#include "maps/map_list.h"

#include <gtest/gtest.h>

#include "store/web_tree.h"
#include "support/mem_file_system.h"

namespace korvane {
namespace {

using testing::TMemFileSystem;

std::unique_ptr<TMapImg> Map(std::string image, std::string target = "") {
  auto map = std::make_unique<TMapImg>();
  map->ImageFile = image;
  map->MapFile = MapFileName(image);
  map->MapUrl = "http://h/cgi/map";
  map->Description = "nav";
  map->PageUrl = "http://h/";
  map->Target = std::move(target);
  return map;
}

TEST(MapListTest, IndexOfImageIgnoresCaseAndTakesTheLast) {
  TMAPLIST maps;
  maps.Add(Map("images\\nav.gif"));
  maps.Add(Map("other.gif"));
  maps.Add(Map("IMAGES\\NAV.GIF"));
  EXPECT_EQ(maps.IndexOfImage("Images\\Nav.gif"), 2);
  EXPECT_EQ(maps.IndexOfImage("OTHER.GIF"), 1);
  EXPECT_EQ(maps.IndexOfImage("none.gif"), -1);
  EXPECT_EQ(MapFileName("a.b.gif"), "a.b.map");
  EXPECT_EQ(MapFileName("noext"), "noext.map");
}

TEST(MapListBlockTest, SavesSixStringsAndReadsOlderVersionsWithoutTarget) {
  TMAPLIST maps;
  maps.Add(Map("a.gif", "_top"));
  std::string out;
  TBinaryWriter w(out);
  maps.SaveToStream(w);
  std::string expected("\x01\x00", 2);
  expected +=
      "\x05"
      "a.gif"
      "\x05"
      "a.map"
      "\x10"
      "http://h/cgi/map"
      "\x03"
      "nav"
      "\x09"
      "http://h/"
      "\x04"
      "_top";
  EXPECT_EQ(out, expected);

  TMAPLIST back;
  TBinaryReader r(out);
  back.LoadFromStream(r, 20);
  EXPECT_TRUE(r.AtEnd());
  ASSERT_EQ(back.Count(), 1);
  EXPECT_EQ(back.Item(0).Target, "_top");

  // Version 19: five strings per record; saved again, it has six.
  std::string v19 = expected.substr(0, expected.size() - 5);
  TBinaryReader r19(v19);
  back.LoadFromStream(r19, 19);
  EXPECT_TRUE(r19.AtEnd());
  ASSERT_EQ(back.Count(), 1);
  EXPECT_EQ(back.Item(0).Target, "");
  std::string again;
  TBinaryWriter w2(again);
  back.SaveToStream(w2);
  EXPECT_EQ(again, v19 + std::string(1, '\0'));

  std::string cut = expected.substr(0, 10);
  TBinaryReader rc(cut);
  EXPECT_THROW(back.LoadFromStream(rc, 21), TReadError);
}

TEST(MapListBlockTest, NamesThatAreNotPlainAreDroppedAndNeverDeleted) {
  std::string block("\x02\x00", 2);
  block += "\x08../a.gif\x0b/etc/passwd" + std::string(3, '\0');
  block +=
      "\x05"
      "b.gif"
      "\x05"
      "b.map" +
      std::string(3, '\0');
  TMAPLIST maps;
  TBinaryReader r(block);
  maps.LoadFromStream(r, 19);
  ASSERT_EQ(maps.Count(), 2);
  EXPECT_EQ(maps.Item(0).ImageFile, "");
  EXPECT_EQ(maps.Item(0).MapFile, "");

  TMemFileSystem fs;
  fs.dirs.insert("/web");
  fs.files["/web/b.map"] = "AREA";
  fs.files["/etc/passwd"] = "root";
  fs.files["/web"] = "not a folder";  // what an empty map file name would reach
  EXPECT_TRUE(maps.DeleteMapFiles(fs, "/web").empty());
  EXPECT_FALSE(fs.FileExists("/web/b.map"));
  EXPECT_TRUE(fs.FileExists("/etc/passwd"));
  EXPECT_TRUE(fs.FileExists("/web"));
}

class ScanPageTest : public ::testing::Test {
 protected:
  ScanPageTest() {
    fs_.dirs.insert("/web");
    AddFile("http://h/img/nav.gif", "nav.gif", "Navigation", wsFile);
    AddFile("http://h/img/other.gif", "other.gif", "", wsFile);
    AddFile("http://h/img/todo.gif", "", "", wsTodo);
    AddFile("http://h/page.html", "page.htm", "", wsPage);
  }

  void AddFile(std::string_view url, std::string_view name, std::string_view desc,
               std::uint8_t state) {
    auto record = std::make_unique<TWebFile>();
    record->SetFileName(name);
    record->SetDescription(desc);
    record->State = state;
    ASSERT_TRUE(tree_.Add(url, std::move(record)));
  }

  void Scan(const std::string& page, std::string_view page_url = "http://h/index.html") {
    fs_.files["/web/index.htm"] = page;
    ScanPageForMaps(page_url, "/web/index.htm", tree_, maps_, fs_);
  }

  TMemFileSystem fs_;
  TWebTree tree_;
  TMAPLIST maps_;
};

TEST_F(ScanPageTest, RecordsEachCapturedIsmapPictureOnce) {
  Scan(R"(<A HREF="http://h/cgi/nav" TARGET="main"><IMG SRC="http://h/img/nav.gif" ISMAP></A>
<a href="http://h/cgi/nav2"><img src="http://h/img/nav.gif" ismap></a>
<a href="http://h/cgi/o"><img src="http://h/img/other.gif" ismap></a>)");
  ASSERT_EQ(maps_.Count(), 2);
  const TMapImg& nav = maps_.Item(0);
  EXPECT_EQ(nav.ImageFile, "nav.gif");
  EXPECT_EQ(nav.MapFile, "nav.map");
  EXPECT_EQ(nav.MapUrl, "http://h/cgi/nav");
  EXPECT_EQ(nav.Description, "Navigation");
  EXPECT_EQ(nav.PageUrl, "http://h/index.html");
  EXPECT_EQ(nav.Target, "main");
  EXPECT_EQ(maps_.Item(1).ImageFile, "other.gif");
  EXPECT_EQ(maps_.Item(1).Target, "");

  // Scanned again, or found on another page, a picture is not added twice.
  Scan(R"(<a href="x"><img src="http://h/img/NAV.gif" ismap></a>)", "http://h/two.html");
  EXPECT_EQ(maps_.Count(), 2);
}

TEST_F(ScanPageTest, UsesTheServerAddressOfRewrittenPages) {
  Scan(
      R"(<a href="nav.htm" OLDREF="http://h/cgi/nav"><img src="nav.gif" ismap OLDREF="http://h/img/nav.gif"></a>)");
  ASSERT_EQ(maps_.Count(), 1);
  EXPECT_EQ(maps_.Item(0).MapUrl, "http://h/cgi/nav");
}

TEST_F(ScanPageTest, SkipsWhatIsNotACapturedIsmapPicture) {
  Scan(R"(<a href="http://h/m"><img src="http://h/img/nav.gif"></a>
<a href="http://h/m"><img src="http://h/img/todo.gif" ismap></a>
<a href="http://h/m"><img src="http://h/page.html" ismap></a>
<a href="http://h/m"><img src="http://h/img/unknown.gif" ismap></a>
<img src="" ismap>)");
  EXPECT_EQ(maps_.Count(), 0);
  ScanPageForMaps("http://h/", "/web/missing.htm", tree_, maps_, fs_);
  EXPECT_EQ(maps_.Count(), 0);
}

}  // namespace
}  // namespace korvane
