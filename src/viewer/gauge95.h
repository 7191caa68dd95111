// TGauge95: the bar of equal boxes of the copy and resolve-links dialogs, as a model. It keeps the
// properties with their setters' rules, adjusts its own size to a whole number of boxes, and says
// what to paint. The view forwards its size changes to SetBounds and then takes Width()/Height()
// back, and paints Paint() whenever a setter returns true.
#pragma once

#include <cstdint>
#include <vector>

#include "base/shape.h"

namespace korvane {

enum TBevelStyle : std::uint8_t { bsNone, bsLowered, bsRaised };

class TGauge95 {
 public:
  // Setters return true when the control must be repainted.
  bool SetProgress(std::int32_t value);
  bool SetMinValue(std::int32_t value);
  bool SetMaxValue(std::int32_t value);
  bool SetBoxCount(std::int32_t count);
  bool SetBoxWidth(std::int32_t width);
  bool SetBevelStyle(TBevelStyle style);
  bool SetBoxColor(TColor color);
  void SetEnabled(bool enabled) { enabled_ = enabled; }
  // Aligned controls fill their parent's side and keep the width they are given.
  void SetAligned(bool aligned) { aligned_ = aligned; }
  // While the form is read, sizes are taken as they are stored.
  void SetLoading(bool loading) { loading_ = loading; }
  // Sets the size and adjusts it to whole boxes.
  void SetBounds(std::int32_t width, std::int32_t height);

  std::int32_t Progress() const { return progress_; }
  std::int32_t BoxCount() const { return box_count_; }
  std::int32_t BoxWidth() const { return box_width_; }
  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }
  // 1 pixel without a bevel, 3 with one.
  std::int32_t BorderWidth() const { return bevel_style_ == bsNone ? 1 : 3; }

  // Filled share in percent; 0 when the range is empty.
  double Share() const;
  // Number of filled boxes (0 to BoxCount).
  std::int32_t FilledBoxes() const;
  // Frame, background (the parent's colour), then the filled boxes.
  std::vector<TShape> Paint() const;

 private:
  void AdjustSize();

  std::int32_t min_value_ = 0;
  std::int32_t max_value_ = 100;
  std::int32_t progress_ = 0;
  TBevelStyle bevel_style_ = bsLowered;
  TColor box_color_ = clHighlight;
  std::int32_t box_count_ = 20;
  std::int32_t box_width_ = 12;
  std::int32_t width_ = 243;
  std::int32_t height_ = 24;
  bool enabled_ = true;
  bool aligned_ = false;
  bool loading_ = false;
};

}  // namespace korvane
