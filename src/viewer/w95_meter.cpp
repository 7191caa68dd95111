#include "viewer/w95_meter.h"

#include <algorithm>
#include <cmath>

namespace korvane {

TW95Meter::TUpdate TW95Meter::SetPercent(std::int32_t value) {
  if (value == percent_) return kNoUpdate;
  percent_ = std::clamp(value, 0, 100);
  // Only a change to 0 clears the bar: a smaller value draws its fewer segments over the old
  // ones, which stay visible until the next full repaint.
  return percent_ == 0 || designing_ ? kRepaintAll : kDrawSegments;
}

bool TW95Meter::SetSegmentWidth(std::int32_t value) {
  if (value <= 0 || value == segment_width_) return false;
  segment_width_ = value;
  return true;
}

bool TW95Meter::SetSegmentGap(std::int32_t value) {
  if (value <= 0 || value == segment_gap_) return false;
  segment_gap_ = value;
  return true;
}

bool TW95Meter::SetSegmentColor(TColor value) {
  if (value == segment_color_) return false;
  segment_color_ = value;
  return true;
}

bool TW95Meter::SetBackGroundColor(TColor value) {
  if (value == background_color_) return false;
  background_color_ = value;
  return true;
}

bool TW95Meter::SetEdgeStyle(StyleType value) {
  if (value == edge_style_) return false;
  edge_style_ = value;
  return true;
}

void TW95Meter::SetBounds(std::int32_t width, std::int32_t height) {
  width_ = width;
  height_ = height;
}

std::int32_t TW95Meter::SegmentCount() const {
  const std::int32_t length = Horizontal() ? width_ : height_;
  const std::int32_t slots = length / (segment_width_ + segment_gap_);
  // Round half to even, as the default floating-point rounding mode does.
  return static_cast<std::int32_t>(std::nearbyint(slots * percent_ * 0.01));
}

std::vector<TShape> TW95Meter::SegmentShapes() const {
  std::vector<TShape> shapes;
  if (percent_ <= 0) return shapes;
  const std::int32_t pitch = segment_width_ + segment_gap_;
  const std::int32_t count = SegmentCount();
  for (std::int32_t i = 0; i < count; ++i) {
    TRect r;
    if (Horizontal()) {
      r = {4 + i * pitch, 4, 4 + i * pitch + segment_width_, height_ - 4};
      if (r.Right > width_ - 4) continue;
    } else {
      r = {4, height_ - 4 - i * pitch - segment_width_, width_ - 4, height_ - 4 - i * pitch};
      if (r.Top <= 3) continue;
    }
    shapes.push_back({TShape::kFrameRect, r, {}, segment_color_, segment_color_, 1});
  }
  return shapes;
}

std::vector<TShape> TW95Meter::Paint() const {
  std::vector<TShape> shapes;
  const TRect inside{1, 1, width_ - 1, height_ - 1};
  if (edge_style_ == st95None) {
    shapes.push_back({TShape::kFrameRect, inside, {}, clBlack, background_color_, 1});
  } else {
    const TColor top_left = edge_style_ == st95Lowered ? clGray : clWhite;
    const TColor bottom_right = edge_style_ == st95Lowered ? clWhite : clGray;
    shapes.push_back({TShape::kPolyline,
                      {},
                      {{0, height_}, {0, 0}, {width_ - 1, 0}},
                      top_left,
                      TShape::kNoBrush,
                      2});
    shapes.push_back({TShape::kPolyline,
                      {},
                      {{width_ - 1, 0}, {width_ - 1, height_ - 1}, {0, height_ - 1}},
                      bottom_right,
                      TShape::kNoBrush,
                      2});
    shapes.push_back({TShape::kFrameRect, inside, {}, background_color_, background_color_, 1});
  }
  for (TShape& s : SegmentShapes()) shapes.push_back(std::move(s));
  return shapes;
}

}  // namespace korvane
