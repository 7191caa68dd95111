#include "app/map_edit_model.h"

#include <algorithm>

#include "base/checked.h"
#include "base/file_system.h"
#include "maps/map_file.h"
#include "maps/map_list.h"

namespace korvane {

std::vector<TMapChoice> MapChoices(const TMAPLIST& maps) {
  std::vector<TMapChoice> choices;
  for (int i = 0; i < maps.Count(); ++i) {
    const TMapImg& m = maps.Item(i);
    choices.push_back({m.ImageFile, m.MapFile, m.PageUrl, m.MapUrl, m.Target});
  }
  return choices;
}

// ---- TOpenMapDlg -------------------------------------------------------------------------

std::vector<std::string> TOpenMapDlg::ImageItems() const {
  std::vector<std::string> items;
  for (const TMapChoice& m : maps_) items.push_back(" " + m.PictureFile);
  return items;
}

std::vector<std::string> TOpenMapDlg::PageItems() const {
  std::vector<std::string> items;
  for (const TMapChoice& m : maps_) items.push_back(" " + m.PageUrl);
  return items;
}

void TOpenMapDlg::Select(int row) {
  selected_ = row >= 0 && row < static_cast<int>(maps_.size()) ? row : -1;
}

int TOpenMapDlg::DoubleClick(int row) {
  Select(row);
  return selected_;
}

// ---- TMapEditDlg -------------------------------------------------------------------------

std::string TMapEditDlg::PicturePath(int index) const {
  const auto maps = web_.Maps();
  if (index < 0 || index >= static_cast<int>(maps.size())) return {};
  return web_.Folder() + maps[index].PictureFile;
}

bool TMapEditDlg::OpenMap(int index, std::optional<TSize> picture) {
  const auto maps = web_.Maps();
  if (index < 0 || index >= static_cast<int>(maps.size())) return false;
  zones_.clear();
  drawing_ = nullptr;
  map_index_ = index;
  map_ = maps[index];
  picture_ = picture;
  LoadZones();
  changed_ = false;
  return true;
}

void TMapEditDlg::LoadZones() {
  // A missing map file simply means a map without zones yet.
  if (map_.MapFile.empty()) return;
  const auto text = fs_.ReadFile(web_.Folder() + map_.MapFile);
  if (!text) return;
  zones_ = ReadMapZones(*text);
  for (auto& zone : zones_) zone->Bounds = PictureArea();
}

std::string TMapEditDlg::CloseQuestionTitle() const { return map_.PictureFile; }

bool TMapEditDlg::CloseMap(TModalResult answer) {
  if (!MapOpen()) return true;
  if (changed_) {
    if (answer == mrCancel) return false;
    if (answer == mrYes && !Save()) return false;
  }
  zones_.clear();
  drawing_ = nullptr;
  picture_.reset();
  map_index_ = -1;
  map_ = {};
  changed_ = false;
  return true;
}

bool TMapEditDlg::Save() {
  if (!MapOpen() || map_.MapFile.empty()) return false;
  std::string buffer;
  bool admitting = true;
  for (const auto& zone : zones_) {
    const TAreaLine area = MakeAreaLine(*zone, map_.MapUrl, map_.Target);
    buffer += area.Line;
    if (!admitting) continue;
    try {
      web_.NewLink(map_.PageUrl, area.Link);
    } catch (const TCounterOverflow&) {
      // A full web admits no more links, but the user's zones are still written.
      admitting = false;
    }
  }
  // In one step, so that a full disk never leaves half a map behind.
  if (!fs_.ReplaceFile(web_.Folder() + map_.MapFile, buffer, {.Durable = true})) return false;
  changed_ = false;
  return true;
}

TRect TMapEditDlg::PictureArea() const {
  const TSize s = PictureSize();
  return {0, 0, s.width, s.height};
}

std::unique_ptr<TZone> TMapEditDlg::NewZone() const {
  switch (tool_) {
    case kHorizontalBand:
      return std::make_unique<TZoneRect>(true, false);
    case kVerticalBand:
      return std::make_unique<TZoneRect>(false, true);
    case kCircle:
      return std::make_unique<TZoneCircle>();
    case kPolygon:
      return std::make_unique<TZonePolygon>();
    case kRectangle:
      break;
  }
  return std::make_unique<TZoneRect>();
}

template <typename Call>
TMapEditDlg::TRepaint TMapEditDlg::OnDrawingZone(Call call) {
  if (!drawing_) return {};
  const TRect before = drawing_->GetRoundRect();
  call(*drawing_);
  TRepaint repaint{false, UnionRect(before, drawing_->GetRoundRect())};
  if (!drawing_->Dragging) {
    TZone* done = drawing_;
    drawing_ = nullptr;
    if (!done->IsValid()) {
      std::erase_if(zones_, [done](const auto& z) { return z.get() == done; });
    }
  }
  return repaint;
}

TMapEditDlg::TRepaint TMapEditDlg::DeleteZoneAt(TPoint p) {
  // The last drawn lies on top, so it is the one the user sees and means.
  for (auto it = zones_.rbegin(); it != zones_.rend(); ++it) {
    if ((*it)->PtInZone(p.x, p.y)) {
      zones_.erase(std::next(it).base());
      return {true, {}};
    }
  }
  return {true, {}};
}

TMapEditDlg::TRepaint TMapEditDlg::MousePress(TPoint p, TButton button) {
  if (!MapOpen()) return {};
  TRepaint repaint;
  if (!drawing_) {
    if (button == kLeft) {
      auto zone = NewZone();
      const auto* rect = dynamic_cast<const TZoneRect*>(zone.get());
      zone->Origin = {rect && rect->HorizontalBand ? 0 : p.x, rect && rect->VerticalBand ? 0 : p.y};
      zone->Bounds = PictureArea();
      drawing_ = zone.get();
      zones_.push_back(std::move(zone));
      changed_ = true;
    } else if (button == kRight) {
      repaint = DeleteZoneAt(p);
    }
  }
  const TRepaint drawn = OnDrawingZone([&](TZone& z) { z.MouseDown(p.x, p.y); });
  if (!repaint.whole) repaint = drawn;
  return repaint;
}

TMapEditDlg::TRepaint TMapEditDlg::MouseMove(TPoint p, bool left_held) {
  if (!MapOpen()) return {};
  const TSize s = PictureSize();
  const TPoint clamped{std::clamp(p.x, 0, s.width), std::clamp(p.y, 0, s.height)};
  return OnDrawingZone([&](TZone& z) { z.MouseMove(clamped.x, clamped.y, left_held); });
}

TMapEditDlg::TRepaint TMapEditDlg::MouseRelease(TPoint p) {
  if (!MapOpen()) return {};
  return OnDrawingZone([&](TZone& z) { z.MouseUp(p.x, p.y); });
}

TMapEditDlg::TRepaint TMapEditDlg::ClearAll() {
  zones_.clear();
  drawing_ = nullptr;
  return {true, {}};
}

TMapEditDlg::TRepaint TMapEditDlg::SetColor(TColor color) {
  color_ = color;
  return {true, {}};
}

std::string TMapEditDlg::Caption() const {
  return MapOpen() ? "Edit Mapping of " + map_.PictureFile : std::string();
}

std::vector<TShape> TMapEditDlg::Paint() const {
  std::vector<TShape> shapes;
  for (const auto& zone : zones_) shapes.push_back(zone->Draw(color_));
  return shapes;
}

}  // namespace korvane
