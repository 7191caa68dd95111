// The Multimedia tab and the image-map editor as a user drives them, on a captured web whose
// GIF, JPEG, WAV and AVI files are made by the test: pictures shown by the placement rules,
// video and sound opened and played by the player, zones drawn with the mouse, saved, and the
// close question.
#include <QAction>
#include <QCheckBox>
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
#include "ui/media_player.h"
#include "ui/multimedia_view.h"
#include "ui_test_support.h"
#include "viewer/picture_placement.h"

using namespace korvane;
using namespace korvane::testing;
using korvane::ui::TMainWin;
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
  web.Init("http://h/", folder, mime);
  web.Tree.Find("http://h/")->State = wsPage;
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
    (void)web.Tree.Add(std::string("http://h/") + d.file, std::move(file));
    (void)RealFileSystem().WriteFile(folder + d.file, d.bytes);
  }
  for (const char* picture : {"nav.gif", "other.gif"}) {
    if (!two_maps && std::string(picture) == "other.gif") continue;
    auto map = std::make_unique<TMapImg>();
    map->ImageFile = picture;
    map->MapFile = MapFileName(picture);
    map->MapUrl = std::string("http://h/cgi-bin/") + picture;
    map->PageUrl = "http://h/";
    web.MapList.Add(std::move(map));
  }
  const std::string project = folder + "Local.Web";
  (void)web.SaveToFile(project);
  return project;
}

QRect ItemRect(QListWidget* list, const QString& text) {
  const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
  return found.isEmpty() ? QRect() : list->visualItemRect(found.front());
}

}  // namespace

class MultimediaTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void ClickShowsAPictureScaledAndPlaced_data();
  void ClickShowsAPictureScaledAndPlaced();
  void DoubleClickOnTheVideoOpensAndPlaysIt();
  void ClickOnTheSoundOpensItWithoutPlaying();
  void UpperCaseAviIsAPictureAndNothingSelectedClosesThePlayer();


 private:
  // The window on the captured web, on its Multimedia tab.
  void OpenWindow(bool two_maps = false);
  void ClickItem(const QString& text, bool twice);

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
  QVERIFY(!window_->Web()->Options.StretchImageFlag);
  if (scaled) QCOMPARE(image->geometry(), QRect(0, 0, width, height));
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

void MultimediaTest::ClickOnTheSoundOpensItWithoutPlaying() {
  OpenWindow();
  TMediaPlayer& player = tab_->Player();
  auto* bar = tab_->findChild<QScrollBar*>(QStringLiteral("MediaScrollBar"));
  ClickItem(QStringLiteral("tone.wav"), false);
  QTRY_COMPARE_WITH_TIMEOUT(player.Length(), 1500, kPlayWaitMs);
  QTRY_COMPARE(bar->maximum(), 1500);
  QTest::qWait(300);
  QVERIFY(player.Mode() != TMediaPlayer::mpPlaying);
  QCOMPARE(player.Position(), 0);
  QCOMPARE(bar->value(), 0);
  // No picture on the wall for a sound.
  QVERIFY(!tab_->findChild<QWidget*>(QStringLiteral("MediaVideo"))->isVisible());

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

QTEST_MAIN(MultimediaTest)
#include "multimedia_test.moc"
