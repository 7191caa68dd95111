// Effects as text, picture placement and the Multimedia tab's choices.
#include <gtest/gtest.h>

#include "app/multimedia_model.h"
#include "store/options.h"
#include "store/web_tree.h"
#include "viewer/effects.h"
#include "viewer/picture_placement.h"

namespace korvane {
namespace {

TEST(EffectsTest, NumbersNamesAndRandom) {
  std::vector<std::pair<int, int>> draws;
  const TRandomFn random = [&](int low, int high) {
    draws.push_back({low, high});
    return 7;
  };
  EXPECT_EQ(EffectFromText("255", random), 7);
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(draws[0], (std::pair<int, int>{1, 41}));
  const std::pair<const char*, int> cases[] = {
      {"VertBlind", 15},
      {"vertblind", 15},
      {"50", 0},
      {"42", 0},
      {"41", 41},
      {"-3", 0},
      {"", 0},
      {"nothing", 0},
      {"HorzDoublePass2", 13},
      {"DoubleDiag-TL-BR", 22},
      {"HorzlSnake", 40},
      {"LeftToRight then TopToBottom", 3},  // the last in the table wins
  };
  for (const auto& [text, n] : cases) EXPECT_EQ(EffectFromText(text, random), n) << text;
  EXPECT_EQ(EffectName(15), "VertBlind");
  EXPECT_EQ(EffectName(42), "");
}

TEST(EffectsTest, RandomEffectAvoidsThePreviousWithinElevenDraws) {
  int calls = 0;
  const TRandomFn same = [&](int, int) {
    ++calls;
    return 5;
  };
  EXPECT_EQ(PickRandomEffect(5, same), 5);
  EXPECT_EQ(calls, 11);
  int n = 0;
  const TRandomFn seq = [&](int low, int high) {
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 40);
    return n++ < 2 ? 5 : 9;
  };
  EXPECT_EQ(PickRandomEffect(5, seq), 9);
}

TEST(PicturePlacementTest, ScalingAndCentring) {
  struct Case {
    int w, h, aw, ah;
    bool stretch;
    TPicturePlacement expected;
  };
  const Case cases[] = {
      {800, 600, 400, 400, true, {0, 50, 400, 300, true}},
      {100, 50, 400, 400, true, {150, 175, 100, 50, false}},
      {800, 600, 400, 400, false, {0, 0, 800, 600, false}},
      {300, 900, 400, 400, true, {133, 0, 133, 400, true}},
      {400, 400, 400, 400, true, {0, 0, 400, 400, false}},
      {500, 500, 400, 400, true, {0, 0, 400, 400, true}},  // equal ratios: height first
      {0, 0, 400, 400, true, {200, 200, 0, 0, false}},
  };
  for (const Case& c : cases) {
    const TPicturePlacement p = PlacePicture(c.w, c.h, c.aw, c.ah, c.stretch);
    EXPECT_EQ(p.Left, c.expected.Left) << c.w << "x" << c.h;
    EXPECT_EQ(p.Top, c.expected.Top) << c.w << "x" << c.h;
    EXPECT_EQ(p.Width, c.expected.Width) << c.w << "x" << c.h;
    EXPECT_EQ(p.Height, c.expected.Height) << c.w << "x" << c.h;
    EXPECT_EQ(p.Stretched, c.expected.Stretched) << c.w << "x" << c.h;
  }
}

TEST(MultimediaTabTest, DocumentListFollowsTheTypeFlags) {
  const std::vector<TDocumentSource> records = {
      {"a.gif", "IMAGE/GIF", 3},
      {"b.jpg", "image/jpeg", 3},
      {"c.avi", "video/x-msvideo", 3},
      {"d.wav", "audio/x-wav", 3},
      {"e.htm", "text/html", 2},
      {"f.gif", "image/gif", 0},
      {"g.gif", "image/gif", 6},
      // Today's formats, each in the family of the flag it resembles.
      {"h.png", "image/png", 3},
      {"i.webp", "image/webp", 3},
      {"j.mp4", "video/mp4", 3},
      {"k.opus", "audio/opus", 3},
      {"l.woff", "font/woff", 3},
  };
  TOPTIONS options;
  EXPECT_EQ(BuildDocumentList(records, options),
            (std::vector<std::string>{"a.gif", "b.jpg", "c.avi", "d.wav", "h.png", "i.webp",
                                      "j.mp4", "k.opus"}));
  options.ListGifFlag = false;
  options.ListWavFlag = false;
  EXPECT_EQ(BuildDocumentList(records, options),
            (std::vector<std::string>{"b.jpg", "c.avi", "i.webp", "j.mp4"}));
}

TEST(MultimediaTabTest, ExactExtensionChoosesThePlayer) {
  EXPECT_TRUE(PlaysInMediaPlayer("clip.avi"));
  EXPECT_TRUE(PlaysInMediaPlayer("x.tar.wav"));
  EXPECT_FALSE(PlaysInMediaPlayer("clip.AVI"));
  EXPECT_FALSE(PlaysInMediaPlayer("avi"));
  EXPECT_EQ(DocumentIconCell("s.wav"), 2);
  EXPECT_EQ(DocumentIconCell("v.avi"), 3);
  EXPECT_EQ(DocumentIconCell("v.AVI"), 0);
  for (const char* played : {"v.mp4", "v.webm", "v.ogv", "s.mp3", "s.ogg", "s.flac", "s.opus"}) {
    EXPECT_TRUE(PlaysInMediaPlayer(played)) << played;
  }
  EXPECT_FALSE(PlaysInMediaPlayer("p.webp"));
  EXPECT_EQ(DocumentIconCell("s.flac"), 2);
  EXPECT_EQ(DocumentIconCell("v.webm"), 3);
}

TEST(MultimediaTabTest, ClicksDoubleClicksAndNothingSelected) {
  const std::vector<std::string> items = {"p.gif", "v.avi", "V.AVI"};
  TMultimediaTab tab;
  tab.Click();
  EXPECT_TRUE(tab.ImageTimerEnabled());
  auto shown = tab.ImageTimerTick(0, items, "/w/");
  EXPECT_FALSE(tab.ImageTimerEnabled());
  EXPECT_EQ(shown.Kind, TShowAction::kPicture);
  EXPECT_EQ(shown.Path, "/w/p.gif");

  tab.DoubleClick();
  shown = tab.ImageTimerTick(1, items, "/w/");
  EXPECT_EQ(shown.Kind, TShowAction::kMedia);
  EXPECT_TRUE(shown.Play);
  EXPECT_EQ(shown.PanelHeight, 28);
  EXPECT_TRUE(tab.MediaTimerEnabled());

  tab.Click();
  shown = tab.ImageTimerTick(1, items, "/w/");
  EXPECT_FALSE(shown.Play);  // a single click opens without playing
  // Once shown, the flag is spent: a later display does not play by itself.
  tab.DoubleClick();
  tab.ImageTimerTick(0, items, "/w/");
  EXPECT_FALSE(tab.ShowDocument(1, items, "/w/").Play);

  EXPECT_EQ(tab.ShowDocument(2, items, "/w/").Kind, TShowAction::kPicture);
  tab.ShowDocument(1, items, "/w/");
  shown = tab.ShowDocument(-1, items, "/w/");
  EXPECT_EQ(shown.Kind, TShowAction::kClear);
  EXPECT_FALSE(shown.BrowseEnabled);
  EXPECT_FALSE(tab.MediaTimerEnabled());
  EXPECT_EQ(tab.ShowDocument(3, items, "/w/").Kind, TShowAction::kClear);
}

TEST(MultimediaTabTest, MediaTimerStopsItselfWhenThePlayerIsDisabled) {
  TMultimediaTab tab;
  tab.ShowDocument(0, {"v.wav"}, "/w/");
  EXPECT_TRUE(tab.MediaTimerTick(true));
  EXPECT_FALSE(tab.MediaTimerTick(false));
  EXPECT_FALSE(tab.MediaTimerEnabled());
}

TEST(MultimediaTabTest, TimerFollowsOnlyAPlayingPlayer) {
  TMultimediaTab tab;
  tab.ShowDocument(0, {"v.avi"}, "/w/");
  EXPECT_EQ(tab.MediaTimerTick(true, false), TMediaTick::kWait);
  EXPECT_EQ(tab.MediaTimerTick(true, true), TMediaTick::kFollowPlayer);
  EXPECT_EQ(tab.MediaTimerTick(false, true), TMediaTick::kStopTimer);
  // Stopped for good: a later tick does not follow again until a document is shown.
  EXPECT_EQ(tab.MediaTimerTick(true, true), TMediaTick::kStopTimer);
}

TEST(MultimediaTabTest, ButtonsTheTabTakesOver) {
  using B = TMediaButton;
  for (B b : {B::kPause, B::kStep, B::kBack, B::kRecord, B::kEject}) {
    EXPECT_FALSE(TMultimediaTab::ButtonPressed(b).Suppress) << int(b);
  }
  const TMediaButtonAction play = TMultimediaTab::ButtonPressed(B::kPlay);
  EXPECT_TRUE(play.Suppress && play.BarMaximumFromLength && !play.BarPositionFromPlayer);
  for (B b : {B::kStop, B::kNext, B::kPrevious}) {
    const TMediaButtonAction a = TMultimediaTab::ButtonPressed(b);
    EXPECT_TRUE(a.Suppress && a.BarPositionFromPlayer && !a.BarMaximumFromLength) << int(b);
  }
}

TEST(MultimediaTabTest, PositionBarScrolls) {
  using S = TBarScroll;
  struct Case {
    S code;
    std::int64_t position;
    bool enabled;
    TBarAction::TPlayer player;
    std::int64_t bar;
  };
  // A bar of 0..2000 over a player whose frame step is 200.
  const Case cases[] = {
      {S::kLineDown, 20, true, TBarAction::kSeek, 20},
      {S::kLineUp, 0, true, TBarAction::kSeek, 0},
      {S::kPosition, 1500, true, TBarAction::kSeek, 1500},
      {S::kPageUp, 1000, true, TBarAction::kBack, 800},
      {S::kPageUp, 150, true, TBarAction::kBack, 0},
      {S::kPageDown, 1000, true, TBarAction::kStep, 1200},
      {S::kPageDown, 1900, true, TBarAction::kStep, 2000},
      {S::kTrack, 700, true, TBarAction::kNone, 700},  // dragging the thumb moves only the bar
      {S::kTop, 0, true, TBarAction::kNone, 0},
      {S::kEndScroll, 300, true, TBarAction::kNone, 300},
      {S::kPageDown, 1000, false, TBarAction::kNone, 1000},  // the player is disabled
  };
  for (const Case& c : cases) {
    const TBarAction a = TMultimediaTab::BarScrolled(c.code, c.position, 200, 2000, c.enabled);
    EXPECT_EQ(a.Player, c.player) << int(c.code) << " at " << c.position;
    EXPECT_EQ(a.BarPosition, c.bar) << int(c.code) << " at " << c.position;
  }
  // Before the length is known the bar has no room.
  EXPECT_EQ(TMultimediaTab::BarScrolled(S::kPageDown, 0, 1, 0, true).BarPosition, 0);
  EXPECT_EQ(MediaFrameStep(2000), 200);
  EXPECT_EQ(MediaFrameStep(0), 1);
  EXPECT_EQ(MediaLineStep(2000), 20);
  EXPECT_EQ(MediaLineStep(50), 1);
}

}  // namespace
}  // namespace korvane

namespace korvane {
namespace {

TEST(MultimediaTabTest, DocumentsFromTheTreeInTreeOrder) {
  TWebTree tree;
  const std::pair<const char*, const char*> files[] = {{"http://h/b.gif", "image/gif"},
                                                       {"http://h/a.jpg", "image/jpeg"},
                                                       {"http://h/c.html", "text/html"}};
  for (const auto& [url, mime] : files) {
    auto f = std::make_unique<TWebFile>();
    f->State = wsFile;
    f->SetMimeType(mime);
    f->SetFileName(std::string(url).substr(9));
    ASSERT_TRUE(tree.Add(url, std::move(f)));
  }
  const auto list = BuildDocumentList(DocumentSourcesFromTree(tree), TOPTIONS());
  EXPECT_EQ(list, (std::vector<std::string>{"b.gif", "a.jpg"}));  // the tree keeps entry order
}

}  // namespace
}  // namespace korvane
