#include "app/multimedia_model.h"

#include <strings.h>

#include <algorithm>

#include "base/file_name.h"
#include "store/options.h"
#include "store/web_tree.h"

namespace korvane {
namespace {

constexpr std::uint8_t kStatePage = wsPage;
constexpr std::uint8_t kStateFile = wsFile;

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace

namespace {

// Each of the four flags stands for a family: today's pictures, video and sound join the
// design's GIF, JPEG, AVI and WAV in the family they resemble.
constexpr std::string_view kDrawnPictures[] = {"image/gif", "image/png", "image/svg+xml"};
constexpr std::string_view kPhotographs[] = {"image/jpeg", "image/webp", "image/avif"};
constexpr std::string_view kVideo[] = {"video/x-msvideo", "video/mp4", "video/webm", "video/ogg"};
constexpr std::string_view kSound[] = {"audio/x-wav", "audio/wav",  "audio/mpeg",
                                       "audio/ogg",   "audio/flac", "audio/opus"};

template <std::size_t N>
bool InFamily(std::string_view mime, const std::string_view (&family)[N]) {
  return std::any_of(std::begin(family), std::end(family),
                     [&](std::string_view type) { return SameText(mime, type); });
}

}  // namespace

bool ListsDocument(std::string_view mime, const TOPTIONS& o) {
  return (o.ListGifFlag && InFamily(mime, kDrawnPictures)) ||
         (o.ListJpegFlag && InFamily(mime, kPhotographs)) ||
         (o.ListAviFlag && InFamily(mime, kVideo)) || (o.ListWavFlag && InFamily(mime, kSound));
}

std::vector<std::string> BuildDocumentList(const std::vector<TDocumentSource>& records,
                                           const TOPTIONS& options) {
  std::vector<std::string> list;
  for (const TDocumentSource& r : records) {
    if ((r.State == kStatePage || r.State == kStateFile) && !r.FileName.empty() &&
        ListsDocument(r.MimeType, options)) {
      list.push_back(r.FileName);
    }
  }
  return list;
}

std::vector<TDocumentSource> DocumentSourcesFromTree(const TWebTree& tree) {
  std::vector<TDocumentSource> records;
  tree.Explore([&](TWebFile& file, const std::string&) {
    records.push_back({file.GetFileName(), file.GetMimeType(), file.State});
    return false;
  });
  return records;
}

std::string DocumentLabel(std::string_view name) {
  const std::string_view folder = WebFileFolder(name);
  if (folder.empty()) return std::string(name);
  return std::string(name.substr(folder.size())) + "  (" +
         std::string(folder.substr(0, folder.size() - 1)) + ")";
}

std::string_view DocumentExtension(std::string_view name) {
  name.remove_prefix(WebFileFolder(name).size());
  const std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
}

namespace {

// Local names take their extension from the MIME table, in its letter case.
constexpr std::string_view kVideoExtensions[] = {"avi", "mp4", "m4v", "webm", "ogv"};
constexpr std::string_view kSoundExtensions[] = {"wav", "mp3", "ogg", "oga", "opus", "flac", "m4a"};

template <std::size_t N>
bool OneOf(std::string_view ext, const std::string_view (&list)[N]) {
  return std::find(std::begin(list), std::end(list), ext) != std::end(list);
}

}  // namespace

bool PlaysInMediaPlayer(std::string_view name) {
  const std::string_view ext = DocumentExtension(name);
  return OneOf(ext, kVideoExtensions) || OneOf(ext, kSoundExtensions);
}

int DocumentIconCell(std::string_view name) {
  const std::string_view ext = DocumentExtension(name);
  return OneOf(ext, kSoundExtensions) ? 2 : OneOf(ext, kVideoExtensions) ? 3 : 0;
}

int DocumentTextLeft(bool has_icon_strip) { return has_icon_strip ? 17 : 2; }

void TMultimediaTab::Click() {
  play_on_display_ = false;
  image_timer_ = true;
}

void TMultimediaTab::DoubleClick() {
  image_timer_ = true;
  play_on_display_ = true;
}

TShowAction TMultimediaTab::ImageTimerTick(int selected, const std::vector<std::string>& items,
                                           const std::string& web_path) {
  image_timer_ = false;
  return ShowDocument(selected, items, web_path);
}

TShowAction TMultimediaTab::ShowDocument(int index, const std::vector<std::string>& items,
                                         const std::string& web_path) {
  TShowAction action;
  if (index < 0 || index >= static_cast<int>(items.size())) {
    media_timer_ = false;
    return action;
  }
  action.Selected = index;
  action.Path = web_path + items[index];
  action.BrowseEnabled = true;
  if (PlaysInMediaPlayer(items[index])) {
    action.Kind = TShowAction::kMedia;
    action.PanelHeight = kPlayerPanelHeight;
    action.Play = play_on_display_;
    media_timer_ = true;
  } else {
    action.Kind = TShowAction::kPicture;
    media_timer_ = false;
  }
  play_on_display_ = false;
  return action;
}

bool TMultimediaTab::MediaTimerTick(bool player_enabled) {
  if (!player_enabled) media_timer_ = false;
  return media_timer_;
}

TMediaTick TMultimediaTab::MediaTimerTick(bool player_enabled, bool playing) {
  if (!MediaTimerTick(player_enabled)) return TMediaTick::kStopTimer;
  return playing ? TMediaTick::kFollowPlayer : TMediaTick::kWait;
}

std::int64_t MediaFrameStep(std::int64_t length) { return std::max<std::int64_t>(1, length / 10); }

std::int64_t MediaLineStep(std::int64_t length) { return std::max<std::int64_t>(1, length / 100); }

TMediaButtonAction TMultimediaTab::ButtonPressed(TMediaButton button) {
  switch (button) {
    case TMediaButton::kPlay:
      return {true, true, false};
    case TMediaButton::kStop:
    case TMediaButton::kNext:
    case TMediaButton::kPrevious:
      return {true, false, true};
    default:
      return {};
  }
}

TBarAction TMultimediaTab::BarScrolled(TBarScroll code, std::int64_t position,
                                       std::int64_t frame_step, std::int64_t maximum,
                                       bool player_enabled) {
  // A bar whose player's length is not known yet has no room: everything is at 0.
  const auto on_bar = [&](std::int64_t p) {
    return std::clamp<std::int64_t>(p, 0, std::max<std::int64_t>(0, maximum));
  };
  TBarAction action{TBarAction::kNone, on_bar(position)};
  if (!player_enabled) return action;
  switch (code) {
    case TBarScroll::kLineUp:
    case TBarScroll::kLineDown:
    case TBarScroll::kPosition:
      action.Player = TBarAction::kSeek;
      break;
    case TBarScroll::kPageUp:
      action.Player = TBarAction::kBack;
      action.BarPosition = on_bar(position - frame_step);
      break;
    case TBarScroll::kPageDown:
      action.Player = TBarAction::kStep;
      action.BarPosition = on_bar(position + frame_step);
      break;
    default:
      break;
  }
  return action;
}

}  // namespace korvane
