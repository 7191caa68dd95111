#include "viewer/gauge95.h"

#include <algorithm>
#include <cmath>

namespace korvane {

bool TGauge95::SetProgress(std::int32_t value) {
  // Values outside the range are dropped rather than clamped: the callers feed counts that may
  // run past the total, and a clamped value would show a finished operation too early.
  if (value == progress_ || value < min_value_ || value > max_value_) return false;
  progress_ = value;
  return true;
}

bool TGauge95::SetMinValue(std::int32_t value) {
  if (value == min_value_) return false;
  min_value_ = value;
  return true;
}

bool TGauge95::SetMaxValue(std::int32_t value) {
  if (value == max_value_) return false;
  max_value_ = value;
  return true;
}

bool TGauge95::SetBoxCount(std::int32_t count) {
  box_count_ = std::max(count, 1);
  SetBounds(box_count_ * box_width_ + BorderWidth(), height_);
  return true;
}

bool TGauge95::SetBoxWidth(std::int32_t width) {
  box_width_ = std::max(width, 3);
  SetBounds(box_count_ * box_width_ + BorderWidth(), height_);
  return true;
}

bool TGauge95::SetBevelStyle(TBevelStyle style) {
  if (style == bevel_style_) return false;
  const bool was_bevelled = bevel_style_ != bsNone;
  const bool bevelled = style != bsNone;
  bevel_style_ = style;
  const std::int32_t grow = was_bevelled == bevelled ? 0 : (bevelled ? 2 : -2);
  SetBounds(width_ + grow, height_ + grow);
  return true;
}

bool TGauge95::SetBoxColor(TColor color) {
  if (color == box_color_) return false;
  box_color_ = color;
  return true;
}

void TGauge95::SetBounds(std::int32_t width, std::int32_t height) {
  width_ = width;
  height_ = height;
  if (!loading_) AdjustSize();
}

void TGauge95::AdjustSize() {
  const std::int32_t b = BorderWidth();
  std::int32_t inner_width = std::max(width_ - b, box_width_);
  const std::int32_t inner_height = std::max(height_ - b - 1, 3);
  box_count_ = inner_width / box_width_;
  if (!aligned_) inner_width = box_count_ * box_width_;
  width_ = inner_width + b;
  height_ = inner_height + b + 1;
}

double TGauge95::Share() const {
  if (min_value_ == max_value_) return 0;
  return double(progress_ - min_value_) / (double(max_value_) - min_value_) * 100;
}

std::int32_t TGauge95::FilledBoxes() const {
  const double boxes = std::trunc(Share() * box_count_ * 0.01);
  return static_cast<std::int32_t>(std::clamp(boxes, 0.0, double(box_count_)));
}

std::vector<TShape> TGauge95::Paint() const {
  std::vector<TShape> shapes;
  TRect r{0, 0, width_, height_};
  if (bevel_style_ != bsNone) {
    const bool lowered = bevel_style_ == bsLowered;
    const TColor top_left = lowered ? clBtnShadow : clBtnHighlight;
    const TColor bottom_right = lowered ? clBtnHighlight : clBtnShadow;
    shapes.push_back({TShape::kPolyline,
                      {},
                      {{0, height_ - 1}, {0, 0}, {width_ - 1, 0}},
                      top_left,
                      TShape::kNoBrush,
                      1});
    shapes.push_back({TShape::kPolyline,
                      {},
                      {{width_ - 1, 0}, {width_ - 1, height_ - 1}, {0, height_ - 1}},
                      bottom_right,
                      TShape::kNoBrush,
                      1});
    r = {1, 1, width_ - 1, height_ - 1};
  }
  shapes.push_back({TShape::kFillRect, r, {}, clParent, clParent, 1});
  const TColor fill = enabled_ ? box_color_ : clInactiveCaption;
  const std::int32_t box_height = height_ - BorderWidth() - 1;
  for (std::int32_t i = 0; i < FilledBoxes(); ++i) {
    const std::int32_t left = r.Left + 1 + i * box_width_;
    shapes.push_back({TShape::kFillRect,
                      {left, r.Top + 1, left + box_width_ - 2, r.Top + 1 + box_height},
                      {},
                      fill,
                      fill,
                      1});
  }
  return shapes;
}

}  // namespace korvane
