// Zones of a client-side image map, drawn by the user in the map editor over a captured picture
// and written as AREA lines of a map file. Each kind knows its own mouse gesture, hit test,
// geometry text ("coords") and outline; the editor (TMapEditDlg) drives them.
//
// Mouse protocol for a view or an editor: after creating a zone set Origin and Bounds, then call
// MouseDown with the press point, MouseMove for each move (clamped to the picture) and MouseUp
// at the release; drawing is over when Dragging turns false.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/shape.h"

namespace korvane {

class TZone {
 public:
  virtual ~TZone() = default;

  bool Dragging = false;
  TPoint Origin;
  TRect Bounds;  // the picture area; the zone stays inside it

  // The outline, with a 1-pixel pen of `pen` and no fill.
  virtual TShape Draw(TColor pen) const = 0;
  virtual bool PtInZone(std::int32_t x, std::int32_t y) const = 0;
  virtual void MouseDown(std::int32_t x, std::int32_t y) = 0;
  virtual void MouseUp(std::int32_t x, std::int32_t y) = 0;
  // `shift`: the left button is held.
  virtual void MouseMove(std::int32_t x, std::int32_t y, bool shift) = 0;
  // Where the server-side map is queried for this zone.
  virtual TPoint GetCenter() const = 0;
  virtual std::string GetShape() const = 0;
  virtual std::string GetCoords() const = 0;
  // The area to repaint for this zone.
  virtual TRect GetRoundRect() const = 0;
  // Big enough to keep.
  virtual bool IsValid() const = 0;
  virtual void SetCoords(std::string_view text) = 0;
};

// A rectangle, or a band across the whole picture.
class TZoneRect final : public TZone {
 public:
  TZoneRect(bool horizontal_band = false, bool vertical_band = false)
      : HorizontalBand(horizontal_band), VerticalBand(vertical_band) {}

  const bool HorizontalBand;
  const bool VerticalBand;
  TRect Rect;

  TShape Draw(TColor pen) const override;
  bool PtInZone(std::int32_t x, std::int32_t y) const override;
  void MouseDown(std::int32_t x, std::int32_t y) override;
  void MouseUp(std::int32_t x, std::int32_t y) override;
  void MouseMove(std::int32_t x, std::int32_t y, bool shift) override;
  TPoint GetCenter() const override;
  std::string GetShape() const override { return "rect"; }
  std::string GetCoords() const override;
  TRect GetRoundRect() const override { return Rect; }
  bool IsValid() const override;
  void SetCoords(std::string_view text) override;

 private:
  TPoint BandPoint(std::int32_t x, std::int32_t y) const;
};

// A circle growing from its centre (Origin); Rect is its bounding square.
class TZoneCircle final : public TZone {
 public:
  TRect Rect;

  TShape Draw(TColor pen) const override;
  bool PtInZone(std::int32_t x, std::int32_t y) const override;
  void MouseDown(std::int32_t x, std::int32_t y) override;
  void MouseUp(std::int32_t x, std::int32_t y) override;
  void MouseMove(std::int32_t x, std::int32_t y, bool shift) override;
  TPoint GetCenter() const override { return Origin; }
  std::string GetShape() const override { return "circle"; }
  std::string GetCoords() const override;
  TRect GetRoundRect() const override { return Rect; }
  bool IsValid() const override;
  void SetCoords(std::string_view text) override;
};

// A closed polygon drawn one vertex per drag. Points[1..Count] are the vertices (index 0 is
// unused so that the numbering matches the map file's); Points[Count + 1] repeats vertex 1.
class TZonePolygon final : public TZone {
 public:
  static constexpr std::int32_t kMaxVertices = 99;

  std::array<TPoint, kMaxVertices + 2> Points{};
  std::int32_t Count = 0;

  TShape Draw(TColor pen) const override;
  bool PtInZone(std::int32_t x, std::int32_t y) const override;
  void MouseDown(std::int32_t x, std::int32_t y) override;
  void MouseUp(std::int32_t x, std::int32_t y) override;
  void MouseMove(std::int32_t x, std::int32_t y, bool shift) override;
  TPoint GetCenter() const override { return Points[1]; }
  std::string GetShape() const override { return "POLYGON"; }
  // Every vertex, however long the text gets: a cut value would be a broken AREA line.
  std::string GetCoords() const override;
  TRect GetRoundRect() const override;
  bool IsValid() const override { return Count > 2; }
  void SetCoords(std::string_view text) override;
};

// The numbers of a coords value: commas are separators, words end at blanks (codes below 33), a
// word that is not a decimal integer counts as 0, and at most `max_words` words are read.
std::vector<std::int32_t> ReadCoordNumbers(std::string_view text, std::size_t max_words);

// The most words SetCoords reads. A polygon can be drawn with 99 vertices, so 198 numbers are
// read back, and every zone the editor saves reads back whole.
inline constexpr std::size_t kMaxCoordWords = 2 * TZonePolygon::kMaxVertices;

}  // namespace korvane
