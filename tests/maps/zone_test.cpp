// Zones: drawing gestures (press, move, release), hit tests, coords text both ways.
#include "maps/zone.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

constexpr TRect kPicture{0, 0, 200, 100};

template <typename Zone>
void Press(Zone& z, TPoint origin, TPoint at) {
  z.Origin = origin;
  z.Bounds = kPicture;
  z.MouseDown(at.x, at.y);
}

TEST(ZoneRectTest, DrawnUpLeftIsStoredOrdered) {
  TZoneRect z;
  Press(z, {120, 80}, {120, 80});
  z.MouseMove(60, 40, true);
  z.MouseUp(5, 10);
  EXPECT_FALSE(z.Dragging);
  EXPECT_EQ(z.GetCoords(), "05,10,120,80");
  EXPECT_EQ(z.GetShape(), "rect");
  EXPECT_EQ(z.GetCenter(), (TPoint{62, 45}));
}

TEST(ZoneRectTest, ValidOnlyWhenMoreThanFivePixelsEachWay) {
  TZoneRect narrow;
  narrow.SetCoords("10,10,15,40");
  EXPECT_FALSE(narrow.IsValid());
  TZoneRect kept;
  kept.SetCoords("10,10,16,40");
  EXPECT_TRUE(kept.IsValid());
  TZoneRect reversed;  // taken as written, not reordered
  reversed.SetCoords("10,20,5,30");
  EXPECT_FALSE(reversed.IsValid());
}

TEST(ZoneRectTest, DragOutsideThePictureIsCutToIt) {
  TZoneRect z;
  Press(z, {150, 50}, {150, 50});
  z.MouseUp(400, -30);
  EXPECT_EQ(z.Rect, (TRect{150, 0, 200, 50}));
}

TEST(ZoneRectTest, BandsSpanThePicture) {
  TZoneRect h(true, false);
  Press(h, {0, 40}, {17, 40});
  h.MouseUp(90, 70);
  EXPECT_EQ(h.Rect, (TRect{0, 40, 200, 70}));
  TZoneRect v(false, true);
  Press(v, {30, 0}, {30, 55});
  v.MouseUp(10, 5);
  EXPECT_EQ(v.Rect, (TRect{10, 0, 30, 100}));
}

TEST(ZoneRectTest, HitTestExcludesRightAndBottom) {
  TZoneRect z;
  z.SetCoords("10,10,20,20");
  EXPECT_TRUE(z.PtInZone(10, 10));
  EXPECT_TRUE(z.PtInZone(19, 19));
  EXPECT_FALSE(z.PtInZone(20, 15));
  EXPECT_FALSE(z.PtInZone(15, 20));
}

TEST(ZoneCircleTest, RadiusStopsAtTheNearestEdge) {
  TZoneCircle z;
  Press(z, {10, 50}, {10, 50});
  EXPECT_EQ(z.Rect, (TRect{9, 49, 11, 51}));
  z.MouseMove(80, 50, true);
  z.MouseUp(80, 90);
  EXPECT_EQ(z.Rect, (TRect{0, 40, 20, 60}));
  EXPECT_EQ(z.GetCoords(), "10,50,10");
  EXPECT_EQ(z.GetCenter(), (TPoint{10, 50}));
  EXPECT_TRUE(z.IsValid());
}

TEST(ZoneCircleTest, MovesAfterTheGestureAreIgnored) {
  TZoneCircle z;
  Press(z, {100, 50}, {100, 50});
  z.MouseUp(130, 80);
  const TRect done = z.Rect;
  z.MouseMove(101, 51, false);
  EXPECT_EQ(z.Rect, done);
}

TEST(ZoneCircleTest, CoordsRoundTripAndHitTest) {
  TZoneCircle z;
  z.SetCoords("50, 40 ,7");
  EXPECT_EQ(z.GetCoords(), "50,40,07");
  EXPECT_TRUE(z.PtInZone(50, 40));
  EXPECT_TRUE(z.PtInZone(44, 40));
  EXPECT_FALSE(z.PtInZone(44, 34));  // inside the square, outside the circle
  TZoneCircle tiny;
  tiny.SetCoords("50,40");
  EXPECT_FALSE(tiny.IsValid());
  EXPECT_FALSE(tiny.PtInZone(0, 0));
}

TEST(ZonePolygonTest, OneVertexPerDragThenPressElsewhereFinishes) {
  TZonePolygon z;
  z.Bounds = kPicture;
  z.MouseDown(10, 10);
  z.MouseMove(50, 10, true);
  z.MouseUp(50, 10);
  EXPECT_TRUE(z.Dragging);  // still open after a release
  z.MouseDown(50, 10);      // on the last vertex: a new vertex
  z.MouseMove(50, 60, true);
  z.MouseUp(50, 60);
  EXPECT_EQ(z.Count, 3);
  z.MouseDown(120, 90);  // elsewhere: finished
  EXPECT_FALSE(z.Dragging);
  EXPECT_EQ(z.Count, 3);
  EXPECT_EQ(z.GetCoords(), "10,10,50,10,50,60");
  EXPECT_EQ(z.Points[4], (TPoint{10, 10}));  // the closing point
  EXPECT_TRUE(z.IsValid());
  EXPECT_EQ(z.GetRoundRect(), (TRect{9, 9, 51, 61}));
}

TEST(ZonePolygonTest, MovingAwayWithoutTheButtonFinishes) {
  TZonePolygon z;
  z.MouseDown(10, 10);
  z.MouseUp(40, 10);
  z.MouseMove(45, 14, false);  // within 5 pixels
  EXPECT_TRUE(z.Dragging);
  z.MouseMove(46, 10, false);
  EXPECT_FALSE(z.Dragging);
  EXPECT_FALSE(z.IsValid());  // two vertices only
}

TEST(ZonePolygonTest, StopsAtNinetyNineVertices) {
  TZonePolygon z;
  z.MouseDown(0, 0);
  for (int i = 1; z.Dragging; ++i) {
    z.MouseUp(i, i);
    z.MouseDown(i, i);
  }
  EXPECT_EQ(z.Count, TZonePolygon::kMaxVertices);
  EXPECT_EQ(z.Points[100], z.Points[1]);
}

TEST(ZonePolygonTest, ReadFromCoordsItsCentreIsTheFirstVertex) {
  TZonePolygon z;
  z.SetCoords("30,5,60,50,0,50,99");  // odd last number ignored
  EXPECT_EQ(z.Count, 3);
  EXPECT_TRUE(z.IsValid());
  EXPECT_EQ(z.GetCenter(), (TPoint{30, 5}));
  EXPECT_EQ(z.GetShape(), "POLYGON");
  EXPECT_TRUE(z.PtInZone(30, 40));
  EXPECT_FALSE(z.PtInZone(5, 10));
  TZonePolygon short_one;
  short_one.SetCoords("1,2,3,4,5");
  EXPECT_EQ(short_one.Count, 0);
}

TEST(ZonePolygonTest, LongCoordsAreNeverCutAndReadBackWhole) {
  TZonePolygon drawn;
  drawn.SetCoords("");
  std::string coords;
  for (int k = 0; k < TZonePolygon::kMaxVertices; ++k) {
    coords += (k ? "," : "") + std::to_string(1000 + k) + "," + std::to_string(2000 + k);
  }
  drawn.SetCoords(coords);
  EXPECT_EQ(drawn.Count, 99);
  EXPECT_GT(drawn.GetCoords().size(), 255u);
  EXPECT_EQ(drawn.GetCoords(), coords);
}

TEST(CoordNumbersTest, SeparatorsWordsAndBadNumbers) {
  struct Case {
    const char* text;
    std::vector<std::int32_t> numbers;
  };
  const Case cases[] = {
      {"1,2,3", {1, 2, 3}},
      {" 1 ,\t2,,3 ", {1, 2, 3}},
      {"1,x,-3,+4", {1, 0, -3, 4}},
      {"99999999999,7", {0, 7}},  // does not fit: not a number
      {"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadCoordNumbers(c.text, 10), c.numbers) << c.text;
  EXPECT_EQ(ReadCoordNumbers("1,2,3,4", 2), (std::vector<std::int32_t>{1, 2}));
}

}  // namespace
}  // namespace korvane
