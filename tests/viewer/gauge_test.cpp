// The segmented meter and the box gauge: values, segment and box rectangles, size adjustment.
#include <gtest/gtest.h>

#include "viewer/gauge95.h"
#include "viewer/w95_meter.h"

namespace korvane {
namespace {

TW95Meter CaptureMeter(std::int32_t width, std::int32_t height) {
  TW95Meter m;
  m.SetBounds(width, height);
  m.SetSegmentWidth(4);
  m.SetSegmentGap(1);
  return m;
}

TEST(W95MeterTest, PercentIsClampedAndOnlyZeroClearsTheBar) {
  TW95Meter m;
  EXPECT_EQ(m.SetPercent(150), TW95Meter::kDrawSegments);
  EXPECT_EQ(m.Percent(), 100);
  EXPECT_EQ(m.SetPercent(100), TW95Meter::kNoUpdate);
  EXPECT_EQ(m.SetPercent(30), TW95Meter::kDrawSegments);  // drawn over, not cleared
  EXPECT_EQ(m.SetPercent(-5), TW95Meter::kRepaintAll);
  EXPECT_EQ(m.Percent(), 0);
  EXPECT_TRUE(m.SegmentShapes().empty());
}

TEST(W95MeterTest, HorizontalSegmentsOfTheCapturePageMeter) {
  TW95Meter m = CaptureMeter(81, 16);
  m.SetPercent(50);
  EXPECT_EQ(m.SegmentCount(), 8);  // Round(16 x 0.5)
  const auto segs = m.SegmentShapes();
  ASSERT_EQ(segs.size(), 8u);
  EXPECT_EQ(segs[0].rect, (TRect{4, 4, 8, 12}));
  EXPECT_EQ(segs[7].rect, (TRect{39, 4, 43, 12}));
}

TEST(W95MeterTest, SegmentCountRoundsHalfToEven) {
  TW95Meter m = CaptureMeter(25, 10);  // 5 slots
  m.SetPercent(50);                    // 2.5
  EXPECT_EQ(m.SegmentCount(), 2);
  m.SetPercent(70);  // 3.5
  EXPECT_EQ(m.SegmentCount(), 4);
}

TEST(W95MeterTest, SegmentsPastTheEdgeAreSkipped) {
  TW95Meter m = CaptureMeter(81, 16);
  m.SetPercent(100);  // 16 asked; only those ending at or before x = 77 fit
  const auto segs = m.SegmentShapes();
  EXPECT_EQ(segs.size(), 14u);
  for (const TShape& s : segs) EXPECT_LE(s.rect.Right, 77);
}

TEST(W95MeterTest, VerticalBarGrowsUpwardsAndStopsBelowTheTop) {
  TW95Meter m = CaptureMeter(16, 50);  // 10 slots
  m.SetPercent(100);
  const auto segs = m.SegmentShapes();
  ASSERT_EQ(segs.size(), 8u);  // the ninth and tenth would reach y <= 3
  EXPECT_EQ(segs[0].rect, (TRect{4, 42, 12, 46}));
  EXPECT_EQ(segs[1].rect, (TRect{4, 37, 12, 41}));
  for (const TShape& s : segs) EXPECT_GT(s.rect.Top, 3);
}

TEST(W95MeterTest, RepaintWithoutEdgeStillShowsTheSegments) {
  TW95Meter m = CaptureMeter(81, 16);
  EXPECT_TRUE(m.SetEdgeStyle(st95None));
  m.SetPercent(50);
  const auto shapes = m.Paint();
  ASSERT_EQ(shapes.size(), 1u + 8u);
  EXPECT_EQ(shapes[0].kind, TShape::kFrameRect);
  EXPECT_EQ(shapes[0].pen, clBlack);
  EXPECT_EQ(shapes[0].rect, (TRect{1, 1, 80, 15}));
}

TEST(W95MeterTest, LoweredEdgeIsGreyAboveAndWhiteBelow) {
  TW95Meter m;
  const auto shapes = m.Paint();
  ASSERT_GE(shapes.size(), 3u);
  EXPECT_EQ(shapes[0].pen, clGray);
  EXPECT_EQ(shapes[0].points.front(), (TPoint{0, 18}));
  EXPECT_EQ(shapes[1].pen, clWhite);
  EXPECT_EQ(shapes[1].points.back(), (TPoint{0, 17}));
  m.SetEdgeStyle(st95Raised);
  EXPECT_EQ(m.Paint()[0].pen, clWhite);
}

TEST(W95MeterTest, SegmentSizesRefuseZeroAndNegative) {
  TW95Meter m;
  EXPECT_FALSE(m.SetSegmentWidth(0));
  EXPECT_FALSE(m.SetSegmentGap(-1));
  EXPECT_FALSE(m.SetSegmentWidth(8));  // unchanged
  EXPECT_EQ(m.SegmentWidth(), 8);
  EXPECT_EQ(m.SegmentGap(), 2);
}

TEST(Gauge95Test, ProgressOutsideTheRangeIsIgnored) {
  TGauge95 g;
  EXPECT_TRUE(g.SetProgress(40));
  EXPECT_FALSE(g.SetProgress(101));
  EXPECT_FALSE(g.SetProgress(-1));
  EXPECT_EQ(g.Progress(), 40);
  // A new range does not move the value into it.
  g.SetMinValue(50);
  EXPECT_EQ(g.Progress(), 40);
  EXPECT_EQ(g.FilledBoxes(), 0);
}

TEST(Gauge95Test, EmptyRangeShowsNoBox) {
  TGauge95 g;
  g.SetMaxValue(0);
  EXPECT_EQ(g.Share(), 0);
  EXPECT_EQ(g.FilledBoxes(), 0);
  EXPECT_EQ(g.Paint().size(), 3u);  // frame (two lines) and background only
}

TEST(Gauge95Test, FilledBoxesAreTruncatedAndPlacedInsideTheFrame) {
  TGauge95 g;  // 243 x 24, 20 boxes of 12, lowered
  g.SetProgress(99);
  EXPECT_EQ(g.FilledBoxes(), 19);
  const auto shapes = g.Paint();
  ASSERT_EQ(shapes.size(), 3u + 19u);
  EXPECT_EQ(shapes[3].rect, (TRect{2, 2, 12, 22}));
  EXPECT_EQ(shapes[4].rect, (TRect{14, 2, 24, 22}));
  g.SetEnabled(false);
  EXPECT_EQ(g.Paint()[3].brush, clInactiveCaption);
}

TEST(Gauge95Test, SizeAdjustsToWholeBoxes) {
  TGauge95 g;
  g.SetBounds(300, 24);
  EXPECT_EQ(g.BoxCount(), 24);
  EXPECT_EQ(g.Width(), 291);
  EXPECT_EQ(g.Height(), 24);
  g.SetBounds(5, 2);  // never below one box and three pixels of height
  EXPECT_EQ(g.BoxCount(), 1);
  EXPECT_EQ(g.Width(), 15);
  EXPECT_EQ(g.Height(), 7);
}

TEST(Gauge95Test, AlignedGaugeKeepsItsWidth) {
  TGauge95 g;
  g.SetAligned(true);
  g.SetBounds(300, 24);
  EXPECT_EQ(g.BoxCount(), 24);
  EXPECT_EQ(g.Width(), 300);
}

TEST(Gauge95Test, BoxCountAndWidthSetTheWidth) {
  TGauge95 g;
  g.SetBoxCount(30);
  EXPECT_EQ(g.Width(), 30 * 12 + 3);
  g.SetBoxCount(0);
  EXPECT_EQ(g.BoxCount(), 1);
  g.SetBoxWidth(1);
  EXPECT_EQ(g.BoxWidth(), 3);
  EXPECT_EQ(g.Width(), 6);
}

TEST(Gauge95Test, BevelChangesGrowAndShrinkByTwo) {
  TGauge95 g;
  g.SetBoxCount(24);  // 291 x 24
  g.SetBevelStyle(bsRaised);
  EXPECT_EQ(g.Width(), 291);
  g.SetBevelStyle(bsNone);
  EXPECT_EQ(g.Width(), 289);
  EXPECT_EQ(g.Height(), 22);
  EXPECT_EQ(g.BoxCount(), 24);
  g.SetBevelStyle(bsLowered);
  EXPECT_EQ(g.Width(), 291);
  EXPECT_EQ(g.Height(), 24);
}

}  // namespace
}  // namespace korvane
