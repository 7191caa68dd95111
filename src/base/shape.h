// TShape: one outline or filled area that a model asks its view to paint. Models of the desktop
// windows (gauges, image-map zones) decide their geometry and colours in the core; the view only
// turns each TShape into the platform's drawing calls.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace korvane {

struct TPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
  bool operator==(const TPoint&) const = default;
};

// Right and Bottom are exclusive.
struct TRect {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Right = 0;
  std::int32_t Bottom = 0;

  std::int32_t Width() const { return Right - Left; }
  std::int32_t Height() const { return Bottom - Top; }
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  bool operator==(const TRect&) const = default;
};

// The overlap of two rectangles; all zero when they do not overlap.
inline TRect IntersectRect(const TRect& a, const TRect& b) {
  TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
          std::min(a.Bottom, b.Bottom)};
  return r.IsEmpty() ? TRect{} : r;
}

// The smallest rectangle holding both; an empty one adds nothing.
inline TRect UnionRect(const TRect& a, const TRect& b) {
  if (a.IsEmpty()) return b;
  if (b.IsEmpty()) return a;
  return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
          std::max(a.Bottom, b.Bottom)};
}

// Colours are 0x00BBGGRR; values with the top bit set name a colour of the desktop's theme,
// which only the view can resolve.
using TColor = std::uint32_t;
constexpr TColor Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return TColor(r) | TColor(g) << 8 | TColor(b) << 16;
}
inline constexpr TColor kSystemColor = 0x80000000u;
inline constexpr TColor clBtnFace = kSystemColor | 15;
inline constexpr TColor clBtnShadow = kSystemColor | 16;
inline constexpr TColor clBtnHighlight = kSystemColor | 20;
inline constexpr TColor clHighlight = kSystemColor | 13;
inline constexpr TColor clInactiveCaption = kSystemColor | 3;
inline constexpr TColor clParent = kSystemColor | 0xFFFF;  // the parent control's colour
inline constexpr TColor clBlack = Rgb(0, 0, 0);
inline constexpr TColor clWhite = Rgb(255, 255, 255);
inline constexpr TColor clGray = Rgb(128, 128, 128);
inline constexpr TColor clNavy = Rgb(0, 0, 128);
inline constexpr TColor clRed = Rgb(255, 0, 0);
inline constexpr TColor clGreen = Rgb(0, 128, 0);
inline constexpr TColor clMaroon = Rgb(128, 0, 0);

struct TShape {
  enum TKind : std::uint8_t {
    kFillRect,   // `rect` filled with `brush`, no outline
    kFrameRect,  // `rect` outlined with `pen`, filled with `brush` unless it is kNoBrush
    kEllipse,    // ellipse inside `rect`, outlined, filled as for kFrameRect
    kPolygon,    // closed polygon through `points`, winding rule, filled as for kFrameRect
    kPolyline,   // open line through `points`
  };
  static constexpr TColor kNoBrush = 0xFFFFFFFFu;

  TKind kind = kFillRect;
  TRect rect;
  std::vector<TPoint> points;
  TColor pen = clBlack;
  TColor brush = kNoBrush;
  std::int32_t pen_width = 1;
};

}  // namespace korvane
