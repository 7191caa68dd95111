// The Multimedia tab and the image-map editor as a user drives them, on a captured web whose
// GIF, JPEG, WAV and AVI files are made by the test: pictures shown by the placement rules,
// video and sound opened and played by the player, zones drawn with the mouse, saved, and the
// close question.
#include <QAction>
#include <QCheckBox>
#include <QColorDialog>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <filesystem>

#include "engine/web.h"
#include "media_files.h"
#include "ui/gf_image.h"
#include "ui/map_edit_dialog.h"
#include "ui/media_player.h"
#include "ui/multimedia_view.h"
#include "ui_test_support.h"
#include "viewer/picture_placement.h"

using namespace korvane;
using namespace korvane::testing;
using korvane::ui::TMainWin;
using korvane::ui::TMapEditDialog;
using korvane::ui::TMediaPlayer;

namespace {

constexpr int kPlayWaitMs = 10000;

struct TDocument {
  const char* file;
  const char* mime;
  std::string bytes;
};

// A captured web: its start page, the documents, and an image map on `nav.gif` (and one on
// `other.gif` when `two_maps`).
std::string MakeCapturedWeb(const std::string& folder, bool two_maps) {
  TOPTIONS defaults;
  defaults.StretchImageFlag = true;
  TMIMELIST mime;
  mime.SetToDefault();
  TWEB web(defaults);
  if (!web.Init("http://h/", folder, mime)) return {};
  web.Tree().Find("http://h/")->State = wsPage;
  const TDocument documents[] = {
      {"big.jpg", "image/jpeg", MakeJpeg(800, 600)},
      {"small.gif", "image/gif", MakeGif(100, 50)},
      {"tone.wav", "audio/x-wav", MakeWav(1500)},
      {"clip.avi", "video/x-msvideo", MakeAvi(64, 48, 20, 10)},
      // The extension test is exact: this one goes to the picture display, which cannot read it.
      {"movie.AVI", "video/x-msvideo", MakeAvi(16, 16, 2, 10)},
      {"nav.gif", "image/gif", MakeGif(200, 120)},
      {"other.gif", "image/gif", MakeGif(160, 90)},
  };
  for (const TDocument& d : documents) {
    auto file = std::make_unique<TWebFile>();
    file->State = wsFile;
    file->SetMimeType(d.mime);
    file->SetFileName(d.file);
    (void)web.AddRecord(std::string("http://h/") + d.file, std::move(file));
    (void)RealFileSystem().WriteFile(folder + d.file, d.bytes);
  }
  for (const char* picture : {"nav.gif", "other.gif"}) {
    if (!two_maps && std::string(picture) == "other.gif") continue;
    auto map = std::make_unique<TMapImg>();
    map->ImageFile = picture;
    map->MapFile = MapFileName(picture);
    map->MapUrl = std::string("http://h/cgi-bin/") + picture;
    map->PageUrl = "http://h/";
    web.MapList().Add(std::move(map));
  }
  const std::string project = folder + "Local.Web";
  (void)web.SaveToFile(project);
  return project;
}

QRect ItemRect(QListWidget* list, const QString& text) {
  const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
  return found.isEmpty() ? QRect() : list->visualItemRect(found.front());
}

// Sends a mouse event with the buttons held given outright (QTest's moves carry none).
void Mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button,
           Qt::MouseButtons held) {
  QMouseEvent event(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
  QApplication::sendEvent(w, &event);
}

// A left-button drag from `from` to `to`.
void Drag(QWidget* w, QPoint from, QPoint to) {
  Mouse(w, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
  Mouse(w, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
  Mouse(w, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

QAction* MenuAction(QWidget* window, const QString& text) {
  for (QAction* a : window->findChildren<QAction*>()) {
    if (a->text() == text) return a;
  }
  return nullptr;
}

std::vector<std::string> ZoneLines(TMapEditDialog& dialog) {
  std::vector<std::string> lines;
  for (const auto& z : dialog.Model().Zones()) {
    lines.push_back(z->GetShape() + " " + z->GetCoords());
  }
  return lines;
}

}  // namespace

class MultimediaTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void PictureComponentDecodesOnlyWholePictures_data();
  void PictureComponentDecodesOnlyWholePictures();
  void ClickShowsAPictureScaledAndPlaced_data();
  void ClickShowsAPictureScaledAndPlaced();
  void DoubleClickOnTheVideoOpensAndPlaysIt();
  void ClickOpensWithoutPlaying_data();
  void ClickOpensWithoutPlaying();
  void UpperCaseAviIsAPictureAndNothingSelectedClosesThePlayer();

  void MouseDrawsEachKindOfZone_data();
  void MouseDrawsEachKindOfZone();
  void RightClickDeletesTheLastDrawnZoneUnderThePoint();
  void ChosenColourOutlinesEveryZone();
  void ChosenMapIsSavedAndItsLinksReachTheWeb();
  void CloseQuestionOnlyWhenAZoneWasStarted_data();
  void CloseQuestionOnlyWhenAZoneWasStarted();

 private:
  // The window on the captured web, on its Multimedia tab.
  void OpenWindow(bool two_maps = false);
  void ClickItem(const QString& text, bool twice);
  // The editor on the web's only map, shown.
  std::unique_ptr<TMapEditDialog> OpenEditor();

  std::unique_ptr<TUiFixture> fixture_;
  std::unique_ptr<TMainWin> window_;
  ui::TMultimediaView* tab_ = nullptr;
  std::string folder_;
};

void MultimediaTest::init() {
  fixture_ = std::make_unique<TUiFixture>();
  folder_ = fixture_->Folder() + "web/";
}

void MultimediaTest::cleanup() {
  window_.reset();
  fixture_.reset();
}

void MultimediaTest::OpenWindow(bool two_maps) {
  const std::string project = MakeCapturedWeb(folder_, two_maps);
  window_ = std::make_unique<TMainWin>(fixture_->Setup({project}));
  window_->resize(900, 640);
  window_->show();
  QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  QVERIFY(window_->Web());
  window_->findChild<QTabWidget*>(QStringLiteral("WebNoteBook"))
      ->setCurrentIndex(TMainWindowModel::kMultimediaTab);
  tab_ = &window_->Multimedia();
  QTest::qWait(20);
}

void MultimediaTest::ClickItem(const QString& text, bool twice) {
  auto* list = tab_->findChild<QListWidget*>(QStringLiteral("DocumentList"));
  const QRect item = ItemRect(list, text);
  QVERIFY2(item.isValid(), qPrintable(text));
  if (twice) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, item.center());
  } else {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
  }
}

void MultimediaTest::PictureComponentDecodesOnlyWholePictures_data() {
  QTest::addColumn<QByteArray>("bytes");  // empty: no file at all
  QTest::addColumn<QSize>("decoded");     // empty: refused
  const std::string gif = MakeGif(40, 30);
  // A GIF whose screen and image claim 60,000 x 60,000 pixels: some 14 GB once decoded.
  std::string huge = gif;
  for (std::size_t at : {std::size_t(6), std::size_t(6 + 7 + 3 * 128 + 5)}) {
    huge[at] = huge[at + 2] = char(0x60);
    huge[at + 1] = huge[at + 3] = char(0xEA);
  }
  QTest::newRow("a GIF") << QByteArray::fromStdString(gif) << QSize(40, 30);
  QTest::newRow("a JPEG named as anything")
      << QByteArray::fromStdString(MakeJpeg(64, 48)) << QSize(64, 48);
  QTest::newRow("a PNG") << QByteArray::fromStdString(MakePicture(40, 30, "PNG")) << QSize(40, 30);
  QTest::newRow("a WebP") << QByteArray::fromStdString(MakePicture(40, 30, "WEBP"))
                          << QSize(40, 30);
  QTest::newRow("an SVG") << QByteArray::fromStdString(MakeSvg(40, 30)) << QSize(40, 30);
  QTest::newRow("an AVIF") << QByteArray::fromStdString(QuartersAvif()) << QSize(40, 30);
  QTest::newRow("an AVIF's first bytes")
      << QByteArray::fromStdString(QuartersAvif().substr(0, 200)) << QSize();
  QTest::newRow("no file") << QByteArray() << QSize();
  QTest::newRow("an empty file") << QByteArray("", 0) << QSize();
  QTest::newRow("not a picture") << QByteArray("<html>not a picture</html>") << QSize();
  QTest::newRow("a GIF too large to hold") << QByteArray::fromStdString(huge) << QSize();
  QTest::newRow("a JPEG's first bytes")
      << QByteArray::fromStdString(MakeJpeg(64, 48).substr(0, 20)) << QSize();
}

// What the Multimedia tab and the map editor decode through: a picture, or nothing held.
void MultimediaTest::PictureComponentDecodesOnlyWholePictures() {
  QFETCH(QByteArray, bytes);
  QFETCH(QSize, decoded);
  const std::string file = fixture_->Folder() + "picture.bin";
  if (!bytes.isNull()) QVERIFY(RealFileSystem().WriteFile(file, bytes.toStdString()));
  ui::TGFimage picture(RealFileSystem());
  // What it held before is let go, whatever the outcome.
  QVERIFY(picture.LoadFromFile(fixture_->Folder() + "web-none.gif") == false);
  const std::string before = fixture_->Folder() + "before.gif";
  QVERIFY(RealFileSystem().WriteFile(before, MakeGif(8, 8)));
  QVERIFY(picture.LoadFromFile(before));
  QCOMPARE(picture.LoadFromFile(file), !decoded.isEmpty());
  QImage bitmap(5, 5, QImage::Format_RGB32);
  picture.CopyToBitmap(bitmap);
  QCOMPARE(bitmap.size(), decoded.isEmpty() ? QSize(0, 0) : decoded);
  QCOMPARE(QSize(picture.Width(), picture.Height()), bitmap.size());
  // Decoded right: each quarter in its colour (lossy formats come close).
  for (int q = 0; q < 4 && !decoded.isEmpty(); ++q) {
    const QColor got = bitmap.pixelColor((q % 2 ? 3 : 1) * bitmap.width() / 4,
                                         (q / 2 ? 3 : 1) * bitmap.height() / 4);
    const QColor want = QuarterColor(q);
    QVERIFY2(std::abs(got.red() - want.red()) < 24 && std::abs(got.green() - want.green()) < 24 &&
                 std::abs(got.blue() - want.blue()) < 24,
             qPrintable(QStringLiteral("quarter %1: %2").arg(q).arg(got.name())));
  }
}

void MultimediaTest::ClickShowsAPictureScaledAndPlaced_data() {
  QTest::addColumn<QString>("file");
  QTest::addColumn<int>("width");
  QTest::addColumn<int>("height");
  QTest::addColumn<bool>("scaled");
  QTest::newRow("a JPEG larger than the wall") << "big.jpg" << 800 << 600 << true;
  QTest::newRow("a GIF smaller than the wall") << "small.gif" << 100 << 50 << false;
}

void MultimediaTest::ClickShowsAPictureScaledAndPlaced() {
  QFETCH(QString, file);
  QFETCH(int, width);
  QFETCH(int, height);
  QFETCH(bool, scaled);
  OpenWindow();
  auto* image = tab_->findChild<QWidget*>(QStringLiteral("DisplayImage"));
  auto* wall = tab_->findChild<QWidget*>(QStringLiteral("Wall"));
  auto* panel = tab_->findChild<QWidget*>(QStringLiteral("MediaPanel"));
  ClickItem(file, false);
  // The click only arms the display timer.
  QVERIFY(!image->isVisible());
  QTRY_VERIFY(image->isVisible());
  QVERIFY(!panel->isVisible());
  QVERIFY(tab_->findChild<QPushButton*>(QStringLiteral("ImageBrowseBut"))->isEnabled());

  auto expect = [&] {
    const TPicturePlacement p = PlacePicture(width, height, wall->width(), wall->height(), true);
    QCOMPARE(image->geometry(), QRect(p.Left, p.Top, p.Width, p.Height));
    QCOMPARE(p.Stretched, scaled);
    if (scaled) {
      // Fitted: one side fills the wall, the other is centred.
      QVERIFY(image->width() == wall->width() || image->height() == wall->height());
      QVERIFY(image->width() <= wall->width() && image->height() <= wall->height());
    } else {
      QCOMPARE(image->size(), QSize(width, height));
    }
    // The picture itself: each quarter in its colour.
    const QImage shown = image->grab().toImage();
    for (int q = 0; q < 4; ++q) {
      const QPoint at((q % 2 ? 3 : 1) * shown.width() / 4, (q / 2 ? 3 : 1) * shown.height() / 4);
      const QColor got = shown.pixelColor(at);
      const QColor want = QuarterColor(q);
      QVERIFY2(std::abs(got.red() - want.red()) < 24 && std::abs(got.green() - want.green()) < 24 &&
                   std::abs(got.blue() - want.blue()) < 24,
               qPrintable(QStringLiteral("quarter %1: %2").arg(q).arg(got.name())));
    }
  };
  expect();
  // A resized wall shows the picture again by the same rules.
  window_->resize(700, 520);
  QTRY_VERIFY(wall->width() < 600);
  QTest::qWait(20);
  expect();
  // Without "Resize pictures" a large picture keeps its size, from the wall's corner.
  auto* resize = tab_->findChild<QCheckBox*>(QStringLiteral("StretchImageCheck"));
  QVERIFY(resize->isChecked());
  resize->click();
  QVERIFY(!window_->Web()->Options().StretchImageFlag);
  if (!scaled) return;
  QCOMPARE(image->geometry(), QRect(0, 0, width, height));
  // Larger than the wall, it scrolls: every part of it can be reached.
  auto* scroll = tab_->findChild<QScrollArea*>(QStringLiteral("PictureScroll"));
  QTRY_VERIFY(scroll->horizontalScrollBar()->maximum() > 0);
  QVERIFY(scroll->verticalScrollBar()->maximum() > 0);
}

void MultimediaTest::DoubleClickOnTheVideoOpensAndPlaysIt() {
  OpenWindow();
  TMediaPlayer& player = tab_->Player();
  auto* panel = tab_->findChild<QWidget*>(QStringLiteral("MediaPanel"));
  auto* bar = tab_->findChild<QScrollBar*>(QStringLiteral("MediaScrollBar"));
  ClickItem(QStringLiteral("clip.avi"), true);
  QTRY_VERIFY_WITH_TIMEOUT(player.Mode() == TMediaPlayer::mpPlaying, kPlayWaitMs);
  QVERIFY2(player.Error().isEmpty(), qPrintable(player.Error()));
  QVERIFY(panel->isVisible() && panel->isEnabled());
  QCOMPARE(panel->height(), 28);
  QVERIFY(!tab_->findChild<QWidget*>(QStringLiteral("DisplayImage"))->isVisible());
  // 20 frames at 10 a second; the video shows in the wall.
  QTRY_COMPARE_WITH_TIMEOUT(bar->maximum(), 2000, kPlayWaitMs);
  QCOMPARE(player.Length(), 2000);
  QTRY_VERIFY(tab_->findChild<QWidget*>(QStringLiteral("MediaVideo"))->isVisible());
  // The bar follows the playing position.
  QTRY_VERIFY_WITH_TIMEOUT(bar->value() > 0, kPlayWaitMs);
  QTRY_VERIFY_WITH_TIMEOUT(bar->value() > 400, kPlayWaitMs);
  // A page of the bar is the player's frame step: the player goes back by it.
  player.Stop();
  const int at = bar->value();
  QTRY_VERIFY(player.Mode() == TMediaPlayer::mpStopped);
  bar->triggerAction(QAbstractSlider::SliderPageStepSub);
  QCOMPARE(bar->value(), std::max(0, at - 200));
}

void MultimediaTest::ClickOpensWithoutPlaying_data() {
  QTest::addColumn<QString>("file");
  QTest::addColumn<int>("length");
  QTest::addColumn<bool>("video");
  QTest::newRow("a sound") << "tone.wav" << 1500 << false;
  QTest::newRow("a video") << "clip.avi" << 2000 << true;
}

void MultimediaTest::ClickOpensWithoutPlaying() {
  QFETCH(QString, file);
  QFETCH(int, length);
  QFETCH(bool, video);
  OpenWindow();
  TMediaPlayer& player = tab_->Player();
  auto* bar = tab_->findChild<QScrollBar*>(QStringLiteral("MediaScrollBar"));
  ClickItem(file, false);
  QTRY_COMPARE_WITH_TIMEOUT(player.Length(), length, kPlayWaitMs);
  QTRY_COMPARE(bar->maximum(), length);
  QVERIFY(tab_->findChild<QWidget*>(QStringLiteral("MediaPanel"))->isVisible());
  QTest::qWait(300);
  QVERIFY(player.Mode() != TMediaPlayer::mpPlaying);
  QCOMPARE(player.Position(), 0);
  QCOMPARE(bar->value(), 0);
  // The wall shows a video's frame, and nothing for a sound.
  auto* shown = tab_->findChild<QWidget*>(QStringLiteral("MediaVideo"));
  if (video) {
    QTRY_VERIFY(shown->isVisible());
  } else {
    QVERIFY(!shown->isVisible());
  }

  // The player's own buttons: play, then stop where it is, the bar showing where.
  tab_->findChild<QToolButton*>(QStringLiteral("PlayBut"))->click();
  QTRY_VERIFY_WITH_TIMEOUT(player.Mode() == TMediaPlayer::mpPlaying, kPlayWaitMs);
  QTRY_VERIFY_WITH_TIMEOUT(player.Position() > 200, kPlayWaitMs);
  tab_->findChild<QToolButton*>(QStringLiteral("StopBut"))->click();
  QCOMPARE(player.Mode(), TMediaPlayer::mpStopped);
  const qint64 stopped_at = player.Position();
  QVERIFY(stopped_at > 0);
  QCOMPARE(qint64(bar->value()), stopped_at);
  tab_->findChild<QToolButton*>(QStringLiteral("PrevBut"))->click();
  QTRY_COMPARE(player.Position(), 0);
  QCOMPARE(bar->value(), 0);
}

void MultimediaTest::UpperCaseAviIsAPictureAndNothingSelectedClosesThePlayer() {
  OpenWindow();
  TMediaPlayer& player = tab_->Player();
  auto* panel = tab_->findChild<QWidget*>(QStringLiteral("MediaPanel"));
  auto* browse = tab_->findChild<QPushButton*>(QStringLiteral("ImageBrowseBut"));
  ClickItem(QStringLiteral("clip.avi"), false);
  QTRY_VERIFY(player.IsOpen() && panel->isVisible());
  // movie.AVI goes to the picture display, which cannot decode it: nothing is shown.
  ClickItem(QStringLiteral("movie.AVI"), false);
  QTRY_VERIFY(!player.IsOpen());
  QVERIFY(!panel->isVisible());
  QVERIFY(!tab_->findChild<QWidget*>(QStringLiteral("DisplayImage"))->isVisible());
  QVERIFY(browse->isEnabled());

  ClickItem(QStringLiteral("clip.avi"), true);
  QTRY_VERIFY_WITH_TIMEOUT(player.Mode() == TMediaPlayer::mpPlaying, kPlayWaitMs);
  tab_->ShowDocument(-1);
  QVERIFY(!player.IsOpen());
  QCOMPARE(player.Mode(), TMediaPlayer::mpNotReady);
  QVERIFY(!panel->isVisible() && !panel->isEnabled());
  QCOMPARE(panel->height(), 0);
  QVERIFY(!browse->isEnabled());
  QCOMPARE(tab_->findChild<QListWidget*>(QStringLiteral("DocumentList"))->currentRow(), -1);
  // The timer that followed the player has stopped with it.
  QVERIFY(!tab_->Model().MediaTimerEnabled());
}

// ---- the image-map editor ------------------------------------------------------------------

std::unique_ptr<TMapEditDialog> MultimediaTest::OpenEditor() {
  OpenWindow();
  auto dialog = std::make_unique<TMapEditDialog>(*window_->Web(), RealFileSystem());
  if (!dialog->OpenCommand()) return nullptr;
  dialog->show();
  if (!QTest::qWaitForWindowExposed(dialog.get())) return nullptr;
  return dialog;
}

void MultimediaTest::MouseDrawsEachKindOfZone_data() {
  QTest::addColumn<int>("tool");
  QTest::addColumn<QList<QPoint>>("drags");  // pairs: from, to
  QTest::addColumn<QString>("zone");
  using P = QList<QPoint>;
  QTest::newRow("rectangle, drawn up-left") << 0 << P{{120, 80}, {5, 10}} << "rect 05,10,120,80";
  QTest::newRow("rectangle, out of the picture")
      << 0 << P{{150, 60}, {400, 300}} << "rect 150,60,200,120";
  QTest::newRow("horizontal band") << 1 << P{{30, 40}, {90, 70}} << "rect 00,40,200,70";
  QTest::newRow("vertical band") << 2 << P{{30, 40}, {60, 90}} << "rect 30,00,60,120";
  QTest::newRow("circle, growing from its centre")
      << 3 << P{{100, 60}, {130, 90}} << "circle 100,60,30";
  QTest::newRow("circle, held by the edge") << 3 << P{{10, 60}, {80, 100}} << "circle 10,60,10";
  // Press, drag to the second vertex; press again on it and drag to the third; a press
  // elsewhere ends the polygon.
  QTest::newRow("polygon") << 4 << P{{10, 10}, {60, 10}, {60, 10}, {60, 60}, {150, 100}, {150, 100}}
                           << "POLYGON 10,10,60,10,60,60";
}

void MultimediaTest::MouseDrawsEachKindOfZone() {
  QFETCH(int, tool);
  QFETCH(QList<QPoint>, drags);
  QFETCH(QString, zone);
  auto dialog = OpenEditor();
  QVERIFY(dialog);
  QCOMPARE(dialog->windowTitle(), QStringLiteral("Edit Mapping of nav.gif"));
  // The drawing area is the picture's size, shown whole.
  QWidget* canvas = dialog->Canvas();
  QCOMPARE(canvas->size(), QSize(200, 120));
  QCOMPARE(dialog->findChild<QScrollArea*>()->viewport()->size(), QSize(200, 120));

  // One tool checked at a time.
  const QString tools[] = {QStringLiteral("&Rectangle"), QStringLiteral("&Horizontal band"),
                           QStringLiteral("&Vertical band"), QStringLiteral("&Circle"),
                           QStringLiteral("&Polygon")};
  MenuAction(dialog.get(), tools[tool])->trigger();
  for (int t = 0; t < 5; ++t) QCOMPARE(MenuAction(dialog.get(), tools[t])->isChecked(), t == tool);

  for (int i = 0; i + 1 < drags.size(); i += 2) Drag(canvas, drags[i], drags[i + 1]);
  QVERIFY(!dialog->Model().Drawing());
  QCOMPARE(ZoneLines(*dialog), (std::vector<std::string>{zone.toStdString()}));
  QVERIFY(dialog->Model().Changed());
  // The outline is painted in the pen's red over the picture, which has none.
  const QImage shown = canvas->grab().toImage();
  int red = 0;
  for (int y = 0; y < shown.height(); ++y) {
    for (int x = 0; x < shown.width(); ++x) red += shown.pixel(x, y) == qRgb(255, 0, 0);
  }
  QVERIFY2(red > 20, qPrintable(QString::number(red)));
  // Drawn, not saved: closing asks; No discards.
  WhenShown(QStringLiteral("MessageBox"),
            [](QWidget* box) { static_cast<QMessageBox*>(box)->button(QMessageBox::No)->click(); });
  QVERIFY(dialog->close());
}

void MultimediaTest::RightClickDeletesTheLastDrawnZoneUnderThePoint() {
  auto dialog = OpenEditor();
  QVERIFY(dialog);
  QWidget* canvas = dialog->Canvas();
  Drag(canvas, {10, 10}, {100, 100});
  Drag(canvas, {50, 50}, {150, 110});
  Drag(canvas, {160, 10}, {190, 40});
  auto right_click = [&](QPoint at) {
    Mouse(canvas, QEvent::MouseButtonPress, at, Qt::RightButton, Qt::RightButton);
    Mouse(canvas, QEvent::MouseButtonRelease, at, Qt::RightButton, Qt::NoButton);
  };
  right_click({70, 70});  // both of the first two: the later goes
  QCOMPARE(ZoneLines(*dialog),
           (std::vector<std::string>{"rect 10,10,100,100", "rect 160,10,190,40"}));
  right_click({5, 115});  // nothing there
  QCOMPARE(ZoneLines(*dialog).size(), std::size_t(2));
  right_click({70, 70});
  QCOMPARE(ZoneLines(*dialog), (std::vector<std::string>{"rect 160,10,190,40"}));
  // Clear all empties the map.
  MenuAction(dialog.get(), QStringLiteral("Clear &all"))->trigger();
  QVERIFY(ZoneLines(*dialog).empty());
  WhenShown(QStringLiteral("MessageBox"),
            [](QWidget* box) { static_cast<QMessageBox*>(box)->button(QMessageBox::No)->click(); });
  QVERIFY(dialog->close());
}

// The colour chooser's colour reaches the screen in the right order of its parts (the pen is
// kept as the core's colour), on the zones drawn before it as well.
void MultimediaTest::ChosenColourOutlinesEveryZone() {
  auto dialog = OpenEditor();
  QVERIFY(dialog);
  QWidget* canvas = dialog->Canvas();
  auto count = [&](QRgb colour) {
    const QImage shown = canvas->grab().toImage();
    int n = 0;
    for (int y = 0; y < shown.height(); ++y) {
      for (int x = 0; x < shown.width(); ++x) n += shown.pixel(x, y) == colour;
    }
    return n;
  };
  Drag(canvas, {10, 10}, {100, 100});
  Drag(canvas, {120, 20}, {190, 110});
  const QRgb chosen = qRgb(20, 90, 230);
  QVERIFY(count(chosen) == 0);
  bool shown = false;
  WhenShown(QStringLiteral("ColorDlg"), [&](QWidget* w) {
    shown = true;
    auto* chooser = static_cast<QColorDialog*>(w);
    chooser->setCurrentColor(QColor(chosen));
    chooser->accept();
  });
  MenuAction(dialog.get(), QStringLiteral("C&olor..."))->trigger();
  QVERIFY(shown);
  QTRY_VERIFY(count(chosen) > 300);
  QCOMPARE(count(qRgb(255, 0, 0)), 0);
  // A chooser cancelled keeps the colour.
  WhenShown(QStringLiteral("ColorDlg"), [&](QWidget* w) {
    static_cast<QColorDialog*>(w)->setCurrentColor(Qt::green);
    static_cast<QColorDialog*>(w)->reject();
  });
  MenuAction(dialog.get(), QStringLiteral("C&olor..."))->trigger();
  QVERIFY(count(chosen) > 300);
  WhenShown(QStringLiteral("MessageBox"),
            [](QWidget* box) { static_cast<QMessageBox*>(box)->button(QMessageBox::No)->click(); });
  QVERIFY(dialog->close());
}

// Through "&Image MAP...": the chooser lists the web's two maps, the second is taken, zones are
// drawn and saved; the map file holds their lines and the web their addresses.
void MultimediaTest::ChosenMapIsSavedAndItsLinksReachTheWeb() {
  OpenWindow(true);
  QAction* command = window_->Action(TCommand::kImageMap);
  QVERIFY(command->isEnabled());
  QStringList images, pages;
  WhenShown(QStringLiteral("OpenMapDlg"), [&](QWidget* chooser) {
    auto* image_list = chooser->findChild<QListWidget*>(QStringLiteral("ImageList"));
    auto* page_list = chooser->findChild<QListWidget*>(QStringLiteral("PageList"));
    for (int i = 0; i < image_list->count(); ++i) images << image_list->item(i)->text();
    for (int i = 0; i < page_list->count(); ++i) pages << page_list->item(i)->text();
    // A click in the page list selects the row in both.
    page_list->setCurrentRow(1);
    QCOMPARE(image_list->currentRow(), 1);
    Click(chooser, "OkBut");
  });
  QString title;
  QSize canvas_size;
  bool saved_enabled = false;
  WhenShown(QStringLiteral("MapEditDlg"), [&](QWidget* w) {
    auto* dialog = static_cast<TMapEditDialog*>(w);
    title = dialog->windowTitle();
    QWidget* canvas = dialog->Canvas();
    canvas_size = canvas->size();
    Drag(canvas, {5, 10}, {120, 80});
    MenuAction(dialog, QStringLiteral("&Circle"))->trigger();
    Drag(canvas, {130, 45}, {150, 45});  // a radius of 0 is dropped
    Drag(canvas, {130, 45}, {145, 60});
    QAction* save = MenuAction(dialog, QStringLiteral("&Save"));
    saved_enabled = save->isEnabled();
    save->trigger();
    // Saved: closing asks nothing.
    dialog->close();
  });
  command->trigger();
  QCOMPARE(images, (QStringList{QStringLiteral(" nav.gif"), QStringLiteral(" other.gif")}));
  QCOMPARE(pages, (QStringList{QStringLiteral(" http://h/"), QStringLiteral(" http://h/")}));
  QCOMPARE(title, QStringLiteral("Edit Mapping of other.gif"));
  QCOMPARE(canvas_size, QSize(160, 90));
  QVERIFY(saved_enabled);
  QVERIFY(!FindWindow(QStringLiteral("MapEditDlg")));

  const std::optional<std::string> map = RealFileSystem().ReadFile(folder_ + "other.map");
  QVERIFY(map.has_value());
  QCOMPARE(QString::fromStdString(*map),
           QStringLiteral("<area shape=\"rect\" coords=\"05,10,120,80\" "
                          "href=\"http://h/cgi-bin/other.gif?62,45\">\r\n"
                          "<area shape=\"circle\" coords=\"130,45,15\" "
                          "href=\"http://h/cgi-bin/other.gif?130,45\">\r\n"));
  QVERIFY(!std::filesystem::exists(folder_ + "nav.map"));
  for (const char* link :
       {"http://h/cgi-bin/other.gif?62,45", "http://h/cgi-bin/other.gif?130,45"}) {
    const TWebFile* record = window_->Web()->Tree().Find(link);
    QVERIFY2(record && record->State == wsTodo, link);
  }
}

void MultimediaTest::CloseQuestionOnlyWhenAZoneWasStarted_data() {
  QTest::addColumn<bool>("draw");
  QTest::addColumn<bool>("clear");
  QTest::addColumn<int>("answer");  // the button pressed, NoButton when no question is expected
  QTest::addColumn<bool>("closes");
  QTest::addColumn<bool>("written");
  const int none = QMessageBox::NoButton;
  QTest::newRow("nothing drawn") << false << false << none << true << false;
  QTest::newRow("only Clear all") << false << true << none << true << false;
  QTest::newRow("drawn, then cleared: asked")
      << true << true << int(QMessageBox::No) << true << false;
  QTest::newRow("drawn, Cancel keeps it open")
      << true << false << int(QMessageBox::Cancel) << false << false;
  QTest::newRow("drawn, No discards") << true << false << int(QMessageBox::No) << true << false;
  QTest::newRow("drawn, Yes saves") << true << false << int(QMessageBox::Yes) << true << true;
}

void MultimediaTest::CloseQuestionOnlyWhenAZoneWasStarted() {
  QFETCH(bool, draw);
  QFETCH(bool, clear);
  QFETCH(int, answer);
  QFETCH(bool, closes);
  QFETCH(bool, written);
  auto dialog = OpenEditor();
  QVERIFY(dialog);
  if (draw) Drag(dialog->Canvas(), {20, 20}, {80, 60});
  if (clear) MenuAction(dialog.get(), QStringLiteral("Clear &all"))->trigger();
  int asked = 0;
  QString text, caption;
  QTimer* watch = WhenShown(QStringLiteral("MessageBox"), [&](QWidget* w) {
    auto* box = static_cast<QMessageBox*>(w);
    ++asked;
    text = box->text();
    caption = box->windowTitle();
    box->button(answer == QMessageBox::NoButton ? QMessageBox::Cancel
                                                : QMessageBox::StandardButton(answer))
        ->click();
  });
  dialog->close();
  QCOMPARE(asked, answer == QMessageBox::NoButton ? 0 : 1);
  delete watch;
  if (asked) {
    QCOMPARE(text, QStringLiteral("Save new mapping for this image"));
    QCOMPARE(caption, QStringLiteral("nav.gif"));
  }
  QCOMPARE(dialog->isVisible(), !closes);
  QCOMPARE(dialog->Model().MapOpen(), !closes);
  QCOMPARE(std::filesystem::exists(folder_ + "nav.map"), written);
  if (!closes) {
    // Still open with its zone; closing again asks again.
    QCOMPARE(ZoneLines(*dialog).size(), std::size_t(1));
    WhenShown(QStringLiteral("MessageBox"), [](QWidget* box) {
      static_cast<QMessageBox*>(box)->button(QMessageBox::No)->click();
    });
    QVERIFY(dialog->close());
  }
}

QTEST_MAIN(MultimediaTest)
#include "multimedia_test.moc"
