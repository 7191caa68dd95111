#include "maps/zone.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "base/number.h"

namespace korvane {
namespace {

// "%.2d": at least two digits, zero-padded.
std::string TwoDigits(std::int32_t n) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%.2d", n);
  return buf;
}

TRect Ordered(TPoint a, TPoint b) {
  return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

// Differences in 64 bits: coordinates read from a file may be anywhere in 32 bits.
std::int64_t Diff(std::int32_t a, std::int32_t b) { return std::int64_t(a) - b; }

std::int32_t Clamp32(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

std::vector<std::int32_t> ReadCoordNumbers(std::string_view text, std::size_t max_words) {
  std::vector<std::int32_t> numbers;
  std::size_t i = 0;
  while (i < text.size() && numbers.size() < max_words) {
    auto blank = [&](char c) { return static_cast<unsigned char>(c) < 33 || c == ','; };
    while (i < text.size() && blank(text[i])) ++i;
    const std::size_t start = i;
    while (i < text.size() && !blank(text[i])) ++i;
    if (i > start) numbers.push_back(IntegerOr(text.substr(start, i - start), 0));
  }
  return numbers;
}

// ---- TZoneRect ---------------------------------------------------------------------------

TPoint TZoneRect::BandPoint(std::int32_t x, std::int32_t y) const {
  return {HorizontalBand ? Bounds.Right : x, VerticalBand ? Bounds.Bottom : y};
}

TShape TZoneRect::Draw(TColor pen) const {
  return {TShape::kFrameRect, Rect, {}, pen, TShape::kNoBrush, 1};
}

bool TZoneRect::PtInZone(std::int32_t x, std::int32_t y) const {
  return Rect.Left <= x && x < Rect.Right && Rect.Top <= y && y < Rect.Bottom;
}

void TZoneRect::MouseDown(std::int32_t x, std::int32_t y) {
  const TPoint p = BandPoint(x, y);
  Rect = {Origin.x, Origin.y, p.x, p.y};
  Dragging = true;
}

void TZoneRect::MouseMove(std::int32_t x, std::int32_t y, bool) {
  Rect = IntersectRect(Ordered(Origin, BandPoint(x, y)), Bounds);
}

void TZoneRect::MouseUp(std::int32_t x, std::int32_t y) {
  MouseMove(x, y, false);
  Dragging = false;
}

TPoint TZoneRect::GetCenter() const {
  return {Clamp32((std::int64_t(Rect.Left) + Rect.Right) / 2),
          Clamp32((std::int64_t(Rect.Top) + Rect.Bottom) / 2)};
}

std::string TZoneRect::GetCoords() const {
  return TwoDigits(Rect.Left) + "," + TwoDigits(Rect.Top) + "," + TwoDigits(Rect.Right) + "," +
         TwoDigits(Rect.Bottom);
}

bool TZoneRect::IsValid() const {
  return Diff(Rect.Right, Rect.Left) > 5 && Diff(Rect.Bottom, Rect.Top) > 5;
}

void TZoneRect::SetCoords(std::string_view text) {
  const auto n = ReadCoordNumbers(text, kMaxCoordWords);
  Rect = n.size() >= 4 ? TRect{n[0], n[1], n[2], n[3]} : TRect{};
}

// ---- TZoneCircle -------------------------------------------------------------------------

TShape TZoneCircle::Draw(TColor pen) const {
  return {TShape::kEllipse, Rect, {}, pen, TShape::kNoBrush, 1};
}

bool TZoneCircle::PtInZone(std::int32_t x, std::int32_t y) const {
  if (Rect.IsEmpty()) return false;
  // The pixel's centre against the ellipse inscribed in Rect.
  const double a = Diff(Rect.Right, Rect.Left) / 2.0;
  const double b = Diff(Rect.Bottom, Rect.Top) / 2.0;
  const double dx = (x + 0.5 - Rect.Left - a) / a;
  const double dy = (y + 0.5 - Rect.Top - b) / b;
  return dx * dx + dy * dy <= 1.0;
}

void TZoneCircle::MouseDown(std::int32_t, std::int32_t) {
  Rect = {Origin.x - 1, Origin.y - 1, Origin.x + 1, Origin.y + 1};
  Dragging = true;
}

void TZoneCircle::MouseMove(std::int32_t x, std::int32_t y, bool) {
  if (!Dragging) return;
  const std::int32_t cx = Origin.x;
  const std::int32_t cy = Origin.y;
  const std::int64_t r =
      std::min({std::llabs(Diff(x, cx)), std::llabs(Diff(y, cy)),
                std::llabs(Diff(Bounds.Right, cx)), std::llabs(Diff(Bounds.Left, cx)),
                std::llabs(Diff(Bounds.Top, cy)), std::llabs(Diff(Bounds.Bottom, cy))});
  Rect = {Clamp32(cx - r), Clamp32(cy - r), Clamp32(cx + r), Clamp32(cy + r)};
}

void TZoneCircle::MouseUp(std::int32_t x, std::int32_t y) {
  if (!Dragging) return;
  MouseMove(x, y, false);
  Dragging = false;
}

std::string TZoneCircle::GetCoords() const {
  return TwoDigits(Origin.x) + "," + TwoDigits(Origin.y) + "," +
         TwoDigits(Clamp32(Diff(Rect.Right, Rect.Left) / 2));
}

bool TZoneCircle::IsValid() const { return Diff(Rect.Right, Rect.Left) > 5; }

void TZoneCircle::SetCoords(std::string_view text) {
  const auto n = ReadCoordNumbers(text, kMaxCoordWords);
  if (n.size() < 3) {
    Origin = {};
    Rect = {};
    return;
  }
  const std::int64_t r = n[2];
  Origin = {n[0], n[1]};
  Rect = {Clamp32(n[0] - r), Clamp32(n[1] - r), Clamp32(n[0] + r), Clamp32(n[1] + r)};
}

// ---- TZonePolygon ------------------------------------------------------------------------

TShape TZonePolygon::Draw(TColor pen) const {
  TShape s{TShape::kPolygon, {}, {}, pen, TShape::kNoBrush, 1};
  s.points.assign(Points.begin() + 1, Points.begin() + 1 + Count);
  return s;
}

bool TZonePolygon::PtInZone(std::int32_t x, std::int32_t y) const {
  if (Count < 3) return false;
  // Winding number of the pixel's centre.
  const double px = x + 0.5;
  const double py = y + 0.5;
  int winding = 0;
  for (std::int32_t k = 1; k <= Count; ++k) {
    const TPoint a = Points[k];
    const TPoint b = k == Count ? Points[1] : Points[k + 1];
    const double cross = (double(b.x) - a.x) * (py - a.y) - (px - a.x) * (double(b.y) - a.y);
    if (a.y <= py) {
      if (b.y > py && cross > 0) ++winding;
    } else if (b.y <= py && cross < 0) {
      --winding;
    }
  }
  return winding != 0;
}

void TZonePolygon::MouseDown(std::int32_t x, std::int32_t y) {
  if (Dragging && Count >= 1 && !(Points[Count] == TPoint{x, y})) {
    Dragging = false;  // a press away from the last vertex finishes the polygon
    return;
  }
  if (!Dragging) {
    Count = 1;
    Points[1] = {x, y};
  }
  Dragging = false;
  if (Count >= kMaxVertices) return;
  ++Count;
  Points[Count] = {x, y};
  Points[Count + 1] = Points[1];
  Dragging = true;
}

void TZonePolygon::MouseMove(std::int32_t x, std::int32_t y, bool shift) {
  if (!Dragging || Count < 1) return;
  const TPoint last = Points[Count];
  if (shift) {
    Points[Count] = {x, y};
  } else if (std::llabs(Diff(x, last.x)) > 5 || std::llabs(Diff(y, last.y)) > 5) {
    Dragging = false;
  }
}

void TZonePolygon::MouseUp(std::int32_t x, std::int32_t y) {
  if (Dragging && Count >= 1) Points[Count] = {x, y};
}

std::string TZonePolygon::GetCoords() const {
  std::string coords;
  for (std::int32_t k = 1; k <= Count; ++k) {
    if (k > 1) coords += ',';
    coords += std::to_string(Points[k].x) + "," + std::to_string(Points[k].y);
  }
  return coords;
}

TRect TZonePolygon::GetRoundRect() const {
  TRect r;
  if (Count >= 1) {
    r = {Points[1].x, Points[1].y, Points[1].x, Points[1].y};
    for (std::int32_t k = 2; k <= Count; ++k) {
      r.Left = std::min(r.Left, Points[k].x);
      r.Top = std::min(r.Top, Points[k].y);
      r.Right = std::max(r.Right, Points[k].x);
      r.Bottom = std::max(r.Bottom, Points[k].y);
    }
  }
  return {Clamp32(r.Left - 1LL), Clamp32(r.Top - 1LL), Clamp32(r.Right + 1LL),
          Clamp32(r.Bottom + 1LL)};
}

void TZonePolygon::SetCoords(std::string_view text) {
  const auto n = ReadCoordNumbers(text, kMaxCoordWords);
  Points.fill({});
  Count = 0;
  if (n.size() < 6) return;
  Count = static_cast<std::int32_t>(std::min<std::size_t>(n.size() / 2, kMaxVertices));
  for (std::int32_t k = 1; k <= Count; ++k) Points[k] = {n[2 * k - 2], n[2 * k - 1]};
  Points[Count + 1] = Points[1];
}

}  // namespace korvane
