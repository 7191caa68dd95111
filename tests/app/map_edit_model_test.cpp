// Map files and the map editor: reading AREA tags, the saved lines byte for byte, the editor's
// mouse sequences, deletion, the changed flag and the close question.
#include "app/map_edit_model.h"

#include <gtest/gtest.h>

#include "maps/map_file.h"
#include "maps/map_list.h"
#include "support/mem_file_system.h"

namespace korvane {
namespace {

TEST(MapFileTest, ReadsKnownShapesAndDropsTheRest) {
  const auto zones = ReadMapZones(
      "<MAP><AREA SHAPE=RECTANGLE COORDS=\"5,10,120,80\" HREF=a>\r\n"
      "<area shape=\"default\" coords=\"0,0,10,10\">\n"
      "<area shape=\"rect\" coords=\"10,20,5,30\">\n"  // not valid
      "<area shape=circle coords=\"50,50,20\">\n"
      "<Area Shape=\"Poly\" coords=\"1,1,40,1,20,30\">\n"
      "<area coords=\"1,1,40,40\">\n"  // no shape
      "<a shape=rect coords=\"1,1,40,40\"></MAP>");
  ASSERT_EQ(zones.size(), 3u);
  EXPECT_EQ(zones[0]->GetShape(), "rect");
  EXPECT_EQ(zones[0]->GetCoords(), "05,10,120,80");
  EXPECT_EQ(zones[1]->GetShape(), "circle");
  EXPECT_EQ(zones[2]->GetShape(), "POLYGON");
}

TEST(MapFileTest, AreaLineByteForByte) {
  TZoneRect z;
  z.SetCoords("5,10,120,80");
  const TAreaLine plain = MakeAreaLine(z, "http://h/cgi/map", "");
  EXPECT_EQ(plain.Link, "http://h/cgi/map?62,45");
  EXPECT_EQ(plain.Line,
            "<area shape=\"rect\" coords=\"05,10,120,80\" href=\"http://h/cgi/map?62,45\">\r\n");
  const TAreaLine framed = MakeAreaLine(z, "A", "main");
  EXPECT_EQ(framed.Line,
            "<area shape=\"rect\" coords=\"05,10,120,80\" target=\"main\" href=\"A?62,45\">\r\n");
}

TEST(MapFileTest, LongPolygonLineIsWrittenWholeAndReadsBack) {
  TZonePolygon z;
  std::string coords;
  for (int k = 0; k < 60; ++k)
    coords += std::to_string(100 + k) + "," + std::to_string(200 + k) + ",";
  z.SetCoords(coords);
  const TAreaLine area = MakeAreaLine(z, "http://h/map", "");
  EXPECT_GT(area.Line.size(), 255u);
  EXPECT_TRUE(area.Line.ends_with("?100,200\">\r\n"));
  const auto back = ReadMapZones(area.Line);
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0]->GetCoords(), z.GetCoords());
}

class FakeWeb : public TMapEditorWeb {
 public:
  std::string Folder() const override { return "/w/"; }
  std::vector<TMapChoice> Maps() const override { return maps; }
  void NewLink(const std::string& page, const std::string& link) override {
    links.push_back(page + " " + link);
  }
  std::vector<TMapChoice> maps{
      {"pic.gif", "pic.map", "http://h/page.html", "http://h/cgi/map", ""}};
  std::vector<std::string> links;
};

class MapEditorTest : public ::testing::Test {
 protected:
  void SetUp() override { fs.dirs.insert("/w"); }
  void Open() { ASSERT_TRUE(editor.OpenMap(0, TMapEditDlg::TSize{200, 100})); }
  void DrawRect(TPoint from, TPoint to) {
    editor.MousePress(from, TMapEditDlg::kLeft);
    editor.MouseMove(to, true);
    editor.MouseRelease(to);
  }

  FakeWeb web;
  testing::TMemFileSystem fs;
  TMapEditDlg editor{web, fs};
};

TEST_F(MapEditorTest, MouseIsIgnoredWithoutAMap) {
  EXPECT_FALSE(editor.SaveEnabled());
  DrawRect({10, 10}, {50, 50});
  EXPECT_TRUE(editor.Zones().empty());
  EXPECT_FALSE(editor.Changed());
}

TEST_F(MapEditorTest, OpensTheMapWithItsZonesUnchanged) {
  fs.files["/w/pic.map"] = "<area shape=rect coords=\"1,1,40,40\" href=x>";
  Open();
  EXPECT_EQ(editor.Caption(), "Edit Mapping of pic.gif");
  EXPECT_EQ(editor.Zones().size(), 1u);
  EXPECT_FALSE(editor.Changed());
  EXPECT_TRUE(editor.ToolsEnabled());
  EXPECT_EQ(editor.PicturePath(0), "/w/pic.gif");
}

TEST_F(MapEditorTest, DrawnRectangleIsKeptAndTooSmallOneDropped) {
  Open();
  DrawRect({120, 80}, {5, 10});
  ASSERT_EQ(editor.Zones().size(), 1u);
  EXPECT_EQ(editor.Zones()[0]->GetCoords(), "05,10,120,80");
  DrawRect({10, 10}, {15, 60});  // 5 pixels wide
  EXPECT_EQ(editor.Zones().size(), 1u);
  EXPECT_FALSE(editor.Drawing());
  EXPECT_TRUE(editor.Changed());
}

TEST_F(MapEditorTest, MovesAreClampedToThePicture) {
  Open();
  editor.MousePress({150, 50}, TMapEditDlg::kLeft);
  const auto repaint = editor.MouseMove({900, 900}, true);
  EXPECT_EQ(repaint.area, (TRect{150, 50, 200, 100}));
  editor.MouseRelease({199, 99});
  EXPECT_EQ(editor.Zones()[0]->GetRoundRect(), (TRect{150, 50, 199, 99}));
}

TEST_F(MapEditorTest, HorizontalBandToolStartsAtTheLeftEdge) {
  Open();
  editor.SetTool(TMapEditDlg::kHorizontalBand);
  DrawRect({60, 40}, {80, 70});
  ASSERT_EQ(editor.Zones().size(), 1u);
  EXPECT_EQ(editor.Zones()[0]->GetRoundRect(), (TRect{0, 40, 200, 70}));
}

TEST_F(MapEditorTest, PolygonGestureThroughTheEditor) {
  Open();
  editor.SetTool(TMapEditDlg::kPolygon);
  editor.MousePress({10, 10}, TMapEditDlg::kLeft);
  editor.MouseMove({60, 10}, true);
  editor.MouseRelease({60, 10});
  editor.MousePress({60, 10}, TMapEditDlg::kLeft);
  editor.MouseMove({60, 70}, true);
  editor.MouseRelease({60, 70});
  EXPECT_TRUE(editor.Drawing());
  // A right press while drawing goes to the polygon (it ends it), it deletes nothing.
  editor.MousePress({150, 90}, TMapEditDlg::kRight);
  EXPECT_FALSE(editor.Drawing());
  ASSERT_EQ(editor.Zones().size(), 1u);
  EXPECT_EQ(editor.Zones()[0]->GetCoords(), "10,10,60,10,60,70");
}

TEST_F(MapEditorTest, RightClickDeletesTheLastDrawnWithoutMarkingAChange) {
  fs.files["/w/pic.map"] =
      "<area shape=rect coords=\"0,0,50,50\"><area shape=rect coords=\"20,20,80,80\">";
  Open();
  const auto repaint = editor.MousePress({30, 30}, TMapEditDlg::kRight);
  EXPECT_TRUE(repaint.whole);
  ASSERT_EQ(editor.Zones().size(), 1u);
  EXPECT_EQ(editor.Zones()[0]->GetCoords(), "00,00,50,50");
  EXPECT_FALSE(editor.Changed());
  editor.MousePress({199, 99}, TMapEditDlg::kRight);  // nothing there
  EXPECT_EQ(editor.Zones().size(), 1u);
}

TEST_F(MapEditorTest, SaveWritesTheLinesAndAdmitsEachLink) {
  Open();
  DrawRect({5, 10}, {120, 80});
  ASSERT_TRUE(editor.Save());
  EXPECT_EQ(fs.files["/w/pic.map"],
            "<area shape=\"rect\" coords=\"05,10,120,80\" href=\"http://h/cgi/map?62,45\">\r\n");
  EXPECT_EQ(web.links, (std::vector<std::string>{"http://h/page.html http://h/cgi/map?62,45"}));
  EXPECT_FALSE(editor.Changed());
  EXPECT_FALSE(fs.FileExists("/w/pic.map.tmp"));
}

TEST_F(MapEditorTest, FailedSaveKeepsTheOldFileAndTheMapOpen) {
  fs.files["/w/pic.map"] = "<area shape=rect coords=\"0,0,50,50\">";
  Open();
  DrawRect({60, 10}, {120, 80});
  fs.unwritable.insert("/w/pic.map.tmp");
  EXPECT_FALSE(editor.Save());
  EXPECT_EQ(fs.files["/w/pic.map"], "<area shape=rect coords=\"0,0,50,50\">");
  EXPECT_TRUE(editor.Changed());
  EXPECT_FALSE(editor.CloseMap(mrYes));
  EXPECT_TRUE(editor.MapOpen());
}

TEST_F(MapEditorTest, CloseQuestionOnlyAfterANewZone) {
  Open();
  DrawRect({5, 10}, {120, 80});
  editor.ClearAll();  // clearing does not undo the change
  EXPECT_TRUE(editor.CloseQuestionNeeded());
  EXPECT_EQ(editor.CloseQuestionTitle(), "pic.gif");
  EXPECT_FALSE(editor.CloseMap(mrCancel));
  EXPECT_TRUE(editor.MapOpen());
  EXPECT_TRUE(editor.CloseMap(mrNo));
  EXPECT_FALSE(fs.FileExists("/w/pic.map"));  // discarded
  EXPECT_FALSE(editor.MapOpen());

  fs.files["/w/pic.map"] = "<area shape=rect coords=\"0,0,50,50\">";
  Open();
  editor.ClearAll();
  editor.SetColor(Rgb(0, 255, 0));
  EXPECT_FALSE(editor.CloseQuestionNeeded());
}

TEST_F(MapEditorTest, UndecodablePictureLeavesTheMapOpenWithoutBitmap) {
  ASSERT_TRUE(editor.OpenMap(0, std::nullopt));
  EXPECT_TRUE(editor.MapOpen());
  EXPECT_FALSE(editor.HasPicture());
  EXPECT_FALSE(editor.OpenMap(3, std::nullopt));
}

TEST_F(MapEditorTest, PaintUsesThePenColourWithoutFill) {
  fs.files["/w/pic.map"] = "<area shape=circle coords=\"50,50,20\">";
  Open();
  const auto shapes = editor.Paint();
  ASSERT_EQ(shapes.size(), 1u);
  EXPECT_EQ(shapes[0].kind, TShape::kEllipse);
  EXPECT_EQ(shapes[0].pen, clRed);
  EXPECT_EQ(shapes[0].brush, TShape::kNoBrush);
}

TEST(OpenMapDlgTest, ChoiceRule) {
  EXPECT_FALSE(TOpenMapDlg::NeedsChooser(1));
  EXPECT_TRUE(TOpenMapDlg::NeedsChooser(2));
  TOpenMapDlg dlg(
      {{"a.gif", "a.map", "http://h/1", "", ""}, {"b.gif", "b.map", "http://h/2", "", ""}});
  EXPECT_EQ(dlg.ImageItems(), (std::vector<std::string>{" a.gif", " b.gif"}));
  EXPECT_EQ(dlg.PageItems()[1], " http://h/2");
  EXPECT_EQ(dlg.Result(mrOk), -1);  // nothing selected
  dlg.Select(1);
  EXPECT_EQ(dlg.Result(mrOk), 1);
  EXPECT_EQ(dlg.Result(mrCancel), -1);
  EXPECT_EQ(dlg.DoubleClick(0), 0);
  dlg.Select(7);
  EXPECT_EQ(dlg.Selected(), -1);
}

}  // namespace
}  // namespace korvane

namespace korvane {
namespace {

TEST(OpenMapDlgTest, ChoicesFromTheWebsMapList) {
  TMAPLIST maps;
  auto m = std::make_unique<TMapImg>();
  m->ImageFile = "nav.gif";
  m->MapFile = "nav.map";
  m->MapUrl = "http://h/cgi-bin/nav";
  m->PageUrl = "http://h/index.html";
  m->Target = "main";
  maps.Add(std::move(m));
  const auto choices = MapChoices(maps);
  ASSERT_EQ(choices.size(), 1u);
  EXPECT_EQ(choices[0].PictureFile, "nav.gif");
  EXPECT_EQ(choices[0].MapFile, "nav.map");
  EXPECT_EQ(choices[0].MapUrl, "http://h/cgi-bin/nav");
  EXPECT_EQ(choices[0].PageUrl, "http://h/index.html");
  EXPECT_EQ(choices[0].Target, "main");
}

}  // namespace
}  // namespace korvane
