// TMapEditDlg: the image-map editor as a model, and TOpenMapDlg, its chooser of maps. The view
// decodes the picture, draws it, then paints Paint()'s shapes over it; it forwards the mouse
// (press, move, release, with the button) and the menu commands, repaints what each call returns,
// and asks the close question when CloseQuestionNeeded() says so.
//
// Opening, for the view: when TOpenMapDlg::NeedsChooser(web maps), run the chooser and take its
// row; call CloseMap first when a map is open; decode PicturePath(row) and hand its size (none
// when it cannot be decoded) to OpenMap; when the editor is first shown and MapOpen() is false,
// close the window.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/modal_result.h"
#include "base/shape.h"
#include "maps/zone.h"

namespace korvane {

class TFileSystem;

// One image map of a web, as the editor needs it.
struct TMapChoice {
  std::string PictureFile;  // plain file name in the web folder
  std::string MapFile;      // plain file name in the web folder
  std::string PageUrl;      // the page holding the picture
  std::string MapUrl;       // the server-side map's address
  std::string Target;       // the link's target frame, often empty
};

class TMAPLIST;
std::vector<TMapChoice> MapChoices(const TMAPLIST& maps);

// What the editor needs of the web it edits.
class TMapEditorWeb {
 public:
  virtual ~TMapEditorWeb() = default;
  // The web folder, ending with a separator.
  virtual std::string Folder() const = 0;
  virtual std::vector<TMapChoice> Maps() const = 0;
  // Link admission: `link` found in the page `page_url`.
  virtual void NewLink(const std::string& page_url, const std::string& link) = 0;
};

// The chooser shown when a web has several maps (or none).
class TOpenMapDlg {
 public:
  explicit TOpenMapDlg(std::vector<TMapChoice> maps) : maps_(std::move(maps)) {}

  // With exactly one map the editor takes it without asking.
  static bool NeedsChooser(std::size_t map_count) { return map_count != 1; }

  static constexpr const char* kCaption = "Open an Image MAP";
  static constexpr const char* kImageHeader = "Image";
  static constexpr const char* kPageHeader = "HTML Page ";
  std::vector<std::string> ImageItems() const;
  std::vector<std::string> PageItems() const;

  // A click in either list selects the same row in both.
  void Select(int row);
  int Selected() const { return selected_; }
  // The row taken when the chooser closes: the selection for "&OK", the row for a double click
  // in the picture list, -1 for "&Cancel" or when nothing is selected.
  int Result(TModalResult result) const { return result == mrOk ? selected_ : -1; }
  int DoubleClick(int row);

 private:
  std::vector<TMapChoice> maps_;
  int selected_ = -1;
};

class TMapEditDlg {
 public:
  enum TTool : std::uint8_t { kRectangle = 0, kHorizontalBand, kVerticalBand, kCircle, kPolygon };
  enum TButton : std::uint8_t { kLeft, kRight, kMiddle };
  struct TRepaint {
    bool whole = false;  // repaint the whole picture
    TRect area;          // otherwise this area (nothing when empty)
  };
  struct TSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
  };

  TMapEditDlg(TMapEditorWeb& web, TFileSystem& fs) : web_(web), fs_(fs) {}

  std::string PicturePath(int index) const;
  // Opens map `index` of the web; `picture` is the decoded picture's size, none when it could not
  // be decoded. False when the index names no map.
  bool OpenMap(int index, std::optional<TSize> picture);
  bool MapOpen() const { return map_index_ >= 0; }
  bool HasPicture() const { return picture_.has_value(); }
  // The size the drawing area takes (only meaningful with a picture).
  TSize PictureSize() const { return picture_.value_or(TSize{}); }

  // Closing the open map: when CloseQuestionNeeded(), ask CloseQuestionText() with
  // CloseQuestionTitle() and Yes/No/Cancel, and pass the answer; otherwise pass mrNo. False when
  // the map stays open (Cancel, or a save that failed).
  bool CloseQuestionNeeded() const { return MapOpen() && changed_; }
  static constexpr const char* kCloseQuestionText = "Save new mapping for this image";
  std::string CloseQuestionTitle() const;
  bool CloseMap(TModalResult answer);

  // Writes the map file and admits the zones' links; false when the file could not be written
  // (the previous file is then left whole and the changed flag stays set).
  bool Save();

  TRepaint MousePress(TPoint p, TButton button);
  TRepaint MouseMove(TPoint p, bool left_held);
  TRepaint MouseRelease(TPoint p);
  bool Drawing() const { return drawing_ != nullptr; }

  TRepaint ClearAll();
  TRepaint SetColor(TColor color);
  void SetTool(TTool tool) { tool_ = tool; }
  TTool Tool() const { return tool_; }
  TColor Color() const { return color_; }
  bool Changed() const { return changed_; }

  std::string Caption() const;
  bool SaveEnabled() const { return MapOpen(); }
  bool ToolsEnabled() const { return MapOpen(); }

  const std::vector<std::unique_ptr<TZone>>& Zones() const { return zones_; }
  // Every zone's outline in drawing order, 1-pixel pen of the current colour, no fill.
  std::vector<TShape> Paint() const;

 private:
  std::unique_ptr<TZone> NewZone() const;
  TRect PictureArea() const;
  void LoadZones();
  TRepaint DeleteZoneAt(TPoint p);
  // Runs one mouse call on the zone being drawn and ends the drawing when the zone says so.
  template <typename Call>
  TRepaint OnDrawingZone(Call call);

  TMapEditorWeb& web_;
  TFileSystem& fs_;
  int map_index_ = -1;
  TMapChoice map_;
  std::optional<TSize> picture_;
  std::vector<std::unique_ptr<TZone>> zones_;
  TZone* drawing_ = nullptr;
  TTool tool_ = kRectangle;
  TColor color_ = clRed;
  bool changed_ = false;
};

}  // namespace korvane
