// TW95Meter: the segmented meter of one connection slot on the capture page, as a model. It keeps
// the properties with their setters' rules and says what to paint; the view calls Paint() on a
// full repaint and, after SetPercent, paints what SetPercent asked for.
#pragma once

#include <cstdint>
#include <vector>

#include "base/shape.h"

namespace korvane {

enum StyleType : std::uint8_t { st95None, st95Lowered, st95Raised };

class TW95Meter {
 public:
  // What the view must do after SetPercent.
  enum TUpdate : std::uint8_t {
    kNoUpdate,      // the value did not change
    kDrawSegments,  // paint SegmentShapes() over what is shown, without clearing
    kRepaintAll,    // paint Paint() (which already holds the segments)
  };

  TUpdate SetPercent(std::int32_t value);
  // Each returns true when the control must be repainted.
  bool SetSegmentWidth(std::int32_t value);
  bool SetSegmentGap(std::int32_t value);
  bool SetSegmentColor(TColor value);
  bool SetBackGroundColor(TColor value);
  bool SetEdgeStyle(StyleType value);
  void SetBounds(std::int32_t width, std::int32_t height);
  // While designed, every change of value repaints the whole control.
  void SetDesigning(bool designing) { designing_ = designing; }

  std::int32_t Percent() const { return percent_; }
  std::int32_t SegmentWidth() const { return segment_width_; }
  std::int32_t SegmentGap() const { return segment_gap_; }
  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }

  // The whole control: edge or frame, background, then the segments.
  std::vector<TShape> Paint() const;
  // The filled segments for the current value, in drawing order.
  std::vector<TShape> SegmentShapes() const;
  // Number of segments the current value asks for, before those that do not fit are skipped.
  std::int32_t SegmentCount() const;

 private:
  bool Horizontal() const { return height_ < width_; }

  std::int32_t percent_ = 0;
  std::int32_t segment_width_ = 8;
  std::int32_t segment_gap_ = 2;
  TColor segment_color_ = clNavy;
  TColor background_color_ = clBtnFace;
  StyleType edge_style_ = st95Lowered;
  std::int32_t width_ = 100;
  std::int32_t height_ = 18;
  bool designing_ = false;
};

}  // namespace korvane
