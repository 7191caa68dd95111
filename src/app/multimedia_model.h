// TMultimediaTab: the decisions of the Multimedia tab. It builds the document list from the web's
// records, chooses between the picture display and the media player for a selection (the exact
// extensions of video and sound, "avi" and "wav" among them, go to the player), and keeps the
// play-on-display flag and the two timers' states. The view owns the list control, the picture and
// the player: it forwards clicks and timer ticks and carries out the returned TShowAction.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

class TOPTIONS;

// One record of the web's tree, as the document list needs it.
struct TDocumentSource {
  std::string FileName;  // local file name
  std::string MimeType;
  std::uint8_t State = 0;  // the record's web state (captured pages and files are listed)
};

// The local file names to list, in tree order, by the options' four type flags. Each flag lists a
// family: GIF also PNG and SVG, JPEG also WebP and AVIF, AVI also MP4, WebM and Ogg video, WAV
// also MP3, Ogg, FLAC and Opus sound.
std::vector<std::string> BuildDocumentList(const std::vector<TDocumentSource>& records,
                                           const TOPTIONS& options);
class TWebTree;
std::vector<TDocumentSource> DocumentSourcesFromTree(const TWebTree& tree);
// The same rule for one file kept during a capture: GIF and JPEG pictures are appended as kept.
bool ListsDocument(std::string_view mime_type, const TOPTIONS& options);

// The text after the last dot, compared exactly by the callers.
std::string_view DocumentExtension(std::string_view name);
// What the list shows of a document: its file name first, then the site folder it is in
// ("bg.gif  (host/images)"), so that a narrow list still tells documents apart.
std::string DocumentLabel(std::string_view name);
bool PlaysInMediaPlayer(std::string_view name);

// Drawing an item 12 pixels high: the icon cell of the strip (2 sound as "wav", 3 video as "avi",
// else 0), drawn 2
// pixels from the left with white transparent; the text starts at TextLeft.
int DocumentIconCell(std::string_view name);
int DocumentTextLeft(bool has_icon_strip);
inline constexpr int kDocumentItemHeight = 12;

struct TShowAction {
  enum TKind : std::uint8_t {
    kClear,    // nothing selected: clear the picture, close the player, hide its panel
    kPicture,  // stop the media timer, close the player, hide its panel, show Path as a picture
    kMedia,    // clear the picture, show the panel, open Path in the player, start the timer
  };
  TKind Kind = kClear;
  std::string Path;
  int Selected = -1;
  bool Play = false;           // kMedia: play once opened
  int PanelHeight = 0;         // 28 for the player, else 0
  bool BrowseEnabled = false;  // "Load document"
};

// The media player's buttons.
enum class TMediaButton : std::uint8_t {
  kPlay,
  kPause,
  kStop,
  kNext,
  kPrevious,
  kStep,
  kBack,
  kRecord,
  kEject,
};

// What a button press does before the player acts.
struct TMediaButtonAction {
  bool Suppress = false;               // the tab acts in the player's stead
  bool BarMaximumFromLength = false;   // first, the bar's maximum := the player's length
  bool BarPositionFromPlayer = false;  // afterwards, the bar's position := the player's position
};

// How the position bar was scrolled: by a line, by a page, by a jump to where its thumb was
// let go, while its thumb is dragged, to either end, or at the end of a scroll.
enum class TBarScroll : std::uint8_t {
  kLineUp,
  kLineDown,
  kPageUp,
  kPageDown,
  kPosition,
  kTrack,
  kTop,
  kBottom,
  kEndScroll,
};

struct TBarAction {
  enum TPlayer : std::uint8_t {
    kNone,
    kSeek,  // the player goes to BarPosition
    kBack,  // the player steps back by its frame step
    kStep,  // the player steps forward by its frame step
  };
  TPlayer Player = kNone;
  std::int64_t BarPosition = 0;  // where the bar stands afterwards
};

// What the media timer's tick does.
enum class TMediaTick : std::uint8_t {
  kStopTimer,     // the player is disabled: the timer stops itself
  kFollowPlayer,  // the bar's position := the player's position
  kWait,          // the player is not playing: the bar stays
};

// The amount the player's step and back move, and so the bar's page: a tenth of the document,
// never less than one unit. `length` is the player's length (0 while it is not known).
std::int64_t MediaFrameStep(std::int64_t length);
// The bar's line: a hundredth of the document, never less than one unit.
std::int64_t MediaLineStep(std::int64_t length);

class TMultimediaTab {
 public:
  static constexpr int kImageTimerMs = 500;
  static constexpr int kMediaTimerMs = 100;
  static constexpr int kPlayerPanelHeight = 28;

  // The click only arms the 500 ms timer, so that a double click gives one display.
  void Click();
  void DoubleClick();
  bool ImageTimerEnabled() const { return image_timer_; }
  // The image timer fired: what to show for the list's selection. `web_path` ends with a separator.
  TShowAction ImageTimerTick(int selected, const std::vector<std::string>& items,
                             const std::string& web_path);
  TShowAction ShowDocument(int index, const std::vector<std::string>& items,
                           const std::string& web_path);

  bool MediaTimerEnabled() const { return media_timer_; }
  // The media timer fired: false when the timer stops itself (the player is disabled); then
  // the bar follows the player's position only while it plays.
  bool MediaTimerTick(bool player_enabled);
  TMediaTick MediaTimerTick(bool player_enabled, bool playing);

  static TMediaButtonAction ButtonPressed(TMediaButton button);
  // The bar was scrolled; nothing happens unless the player is enabled. `position` is the bar's
  // position after the scroll for lines and jumps, and before it for pages, whose step is
  // `frame_step` instead of the bar's own; `maximum` is the bar's.
  static TBarAction BarScrolled(TBarScroll code, std::int64_t position, std::int64_t frame_step,
                                std::int64_t maximum, bool player_enabled);

 private:
  bool play_on_display_ = false;
  bool image_timer_ = false;
  bool media_timer_ = false;
};

}  // namespace korvane
