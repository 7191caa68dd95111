// korvane_screenshots: opens every window and dialog of the desktop program on the bundled sample
// web and writes a PNG of each, to be looked at (scripts/screenshots.sh runs it under Xvfb).
// The sample site is captured through the window first, from "&New..." to the resolved copy, so
// the Capture tab is shot while the capture runs.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QIcon>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <cstdio>

#include "app/error_box_model.h"
#include "engine/web.h"
#include "held_server.h"
#include "media_files.h"
#include "net/socket_hub.h"
#include "settings/param.h"
#include "support/nginx_server.h"
#include "ui/add_url_dialog.h"
#include "ui/copy_dialog.h"
#include "ui/directory_dialog.h"
#include "ui/gauge_widget.h"
#include "ui/map_edit_dialog.h"
#include "ui/media_player.h"
#include "ui/message_box.h"
#include "ui/meter_widget.h"
#include "ui/mime_type_dialog.h"
#include "ui/multimedia_view.h"
#include "ui/new_web_dialog.h"
#include "ui/resolve_dialog.h"
#include "ui/resources.h"
#include "ui/run_stepper.h"
#include "ui/socket_pump.h"
#include "ui/stop_dialog.h"
#include "ui/url_verif_dialog.h"
#include "ui/work_path_dialog.h"
#include "ui_test_support.h"

using namespace korvane;
using namespace korvane::testing;
using korvane::ui::TMainWin;

namespace {

QString out_dir;
int shots = 0;

void Shoot(QWidget* widget, const QString& name) {
  QTest::qWait(150);
  const QString file = out_dir + QLatin1Char('/') + name + QStringLiteral(".png");
  if (widget->grab().save(file)) ++shots;
  std::printf("%s\n", qPrintable(file));
}

// What the screen shows of `widget`: video is drawn in a native window of its own, which a
// widget's grab leaves out.
void ShootScreen(QWidget* widget, const QString& name) {
  QTest::qWait(150);
  const QString file = out_dir + QLatin1Char('/') + name + QStringLiteral(".png");
  QScreen* screen = widget->screen();
  if (screen && screen->grabWindow(widget->winId()).save(file)) ++shots;
  std::printf("%s\n", qPrintable(file));
}

// Shoots the window named `name` once it shows, then closes it with `close`.
void ShootWhenShown(const QString& name, const QString& file,
                    const std::function<void(QWidget*)>& close = nullptr) {
  WhenShown(name, [=](QWidget* w) {
    Shoot(w, file);
    if (close) {
      close(w);
    } else if (auto* dialog = qobject_cast<QDialog*>(w)) {
      dialog->reject();
    }
  });
}

template <class Dialog>
void ShootDialog(Dialog& dialog, const QString& file) {
  dialog.show();
  (void)QTest::qWaitForWindowExposed(&dialog);
  Shoot(&dialog, file);
  dialog.hide();
}

// Clicks (or double-clicks) the document list's item `name` and waits for its display.
void ClickDocument(ui::TMultimediaView& tab, const QString& name, bool twice) {
  auto* list = tab.findChild<QListWidget*>(QStringLiteral("DocumentList"));
  const QList<QListWidgetItem*> found = list->findItems(name, Qt::MatchExactly);
  if (found.isEmpty()) {
    std::fprintf(stderr, "no document %s\n", qPrintable(name));
    return;
  }
  const QPoint at = list->visualItemRect(found.front()).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
  if (twice) QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
  QTest::qWait(TMultimediaTab::kImageTimerMs + 400);
}

// A left-button drag on the map editor's drawing area.
void Drag(QWidget* canvas, QPoint from, QPoint to) {
  auto send = [canvas](QEvent::Type type, QPoint at, Qt::MouseButton button,
                       Qt::MouseButtons held) {
    QMouseEvent event(type, QPointF(at), canvas->mapToGlobal(QPointF(at)), button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(canvas, &event);
  };
  send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
  send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

// The sample site's map picture is a 1 x 1 dot: a navigation bar of its own is drawn in its
// place, so that the editor is seen at a real size.
void DrawNavigationBar(const std::string& file) {
  QImage bar(360, 90, QImage::Format_RGB32);
  bar.fill(QColor(236, 232, 220));
  QPainter painter(&bar);
  const char* words[] = {"Home", "Products", "News", "Guide"};
  for (int i = 0; i < 4; ++i) {
    const QRect button(10 + i * 87, 20, 78, 50);
    painter.fillRect(button, QColor(60 + i * 40, 110, 170 - i * 25));
    painter.setPen(Qt::white);
    painter.drawText(button, Qt::AlignCenter, QString::fromLatin1(words[i]));
  }
  painter.end();
  bar.save(QString::fromStdString(file), "PNG");
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ui::LoadResources();
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/korvane/korvane.svg")));
  out_dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
  QDir().mkpath(out_dir);
  TNginxServer nginx;
  if (!nginx.Running()) {
    std::fprintf(stderr, "nginx: %s\n", nginx.Error().c_str());
    return 1;
  }
  TUiFixture fixture;
  TMainWin window(fixture.Setup());
  window.show();
  (void)QTest::qWaitForWindowExposed(&window);
  Shoot(&window, QStringLiteral("main-no-web"));

  // New Web, then the capture through the window.
  const std::string folder = fixture.Folder() + "sample/";
  WhenShown(QStringLiteral("NewForm"), [&](QWidget* dialog) {
    // An address that cannot be captured first: the box that says why.
    dialog->findChild<QLineEdit*>(QStringLiteral("UrlEdit"))
        ->setText(QStringLiteral("ftp://example.org/"));
    dialog->findChild<QLineEdit*>(QStringLiteral("PathEdit"))
        ->setText(QString::fromStdString(folder));
    ShootWhenShown(QStringLiteral("RefusalBox"), QStringLiteral("new-web-refused"));
    Click(dialog, "CreateBut");
    dialog->findChild<QLineEdit*>(QStringLiteral("UrlEdit"))
        ->setText(QString::fromStdString(nginx.Url("/")));
    dialog->findChild<QLineEdit*>(QStringLiteral("PathEdit"))
        ->setText(QString::fromStdString(folder));
    dialog->findChild<QLineEdit*>(QStringLiteral("TitleEdit"))
        ->setText(QStringLiteral("Korvane sample site"));
    Shoot(dialog, QStringLiteral("new-web"));
    Click(dialog, "CreateCaptureBut");
  });
  bool live_shot = false;
  QObject::connect(&window.Stepper(), &ui::TRunStepper::Stepped, &window, [&] {
    auto* captured = window.findChild<QLineEdit*>(QStringLiteral("CapturedCountEdit"));
    if (live_shot || !window.Run() || captured->text().toInt() < 8) return;
    live_shot = true;
    const QString file = out_dir + QStringLiteral("/main-capture-running.png");
    if (window.grab().save(file)) ++shots;
    std::printf("%s\n", qPrintable(file));
  });
  QSignalSpy finished(&window, &TMainWin::CaptureFinished);
  window.Action(TCommand::kNew)->trigger();
  if (!finished.wait(60000)) {
    std::fprintf(stderr, "the capture did not end\n");
    return 1;
  }

  auto* notebook = window.findChild<QTabWidget*>(QStringLiteral("WebNoteBook"));
  // The end of the run as it is said, at the smallest size and at the whole screen's.
  {
    notebook->setCurrentIndex(TMainWindowModel::kCaptureTab);
    const QSize before = window.size();
    window.resize(window.minimumSize());
    Shoot(&window, QStringLiteral("capture-summary-640x480"));
    window.resize(window.screen()->availableGeometry().size());
    Shoot(&window, QStringLiteral("capture-summary-maximised"));
    window.resize(before);
  }
  // Capture > Update on the copy just made: every file asked again, none changed.
  window.Action(TCommand::kUpdate)->trigger();
  if (!finished.wait(60000)) {
    std::fprintf(stderr, "the update did not end\n");
    return 1;
  }
  notebook->setCurrentIndex(TMainWindowModel::kCaptureTab);
  Shoot(&window, QStringLiteral("update-summary"));
  const char* tabs[] = {"web", "options", "file", "capture", "url", "multimedia"};
  for (int tab = 0; tab < 6; ++tab) {
    notebook->setCurrentIndex(tab);
    Shoot(&window, QStringLiteral("main-tab-%1").arg(QLatin1String(tabs[tab])));
  }
  // The Options tab's address rules, with the answer of their test box; taken out again after.
  notebook->setCurrentIndex(1);
  if (auto* rules = window.findChild<QGroupBox*>(QStringLiteral("AddressRulesGroup"))) {
    auto* kind = rules->findChild<QComboBox*>(QStringLiteral("RuleKindCombo"));
    auto* pattern = rules->findChild<QLineEdit*>(QStringLiteral("RulePatternEdit"));
    auto* add = rules->findChild<QPushButton*>(QStringLiteral("RuleAddBut"));
    const std::pair<int, const char*> added[] = {
        {1, "**/private/**"}, {0, "**/docs/**"}, {1, "re:\\.(zip|gz)$"}};
    for (const auto& [index, text] : added) {
      kind->setCurrentIndex(index);
      pattern->setText(QLatin1String(text));
      add->click();
    }
    auto* test = rules->findChild<QLineEdit*>(QStringLiteral("RuleTestEdit"));
    test->setText(QString::fromStdString(window.Web()->Url() + "docs/archive.zip"));
    // Once the page is laid out again with the test's answer, at its end.
    QApplication::processEvents();
    auto* scroll = window.findChild<QScrollArea*>(QStringLiteral("OptionsScroll"));
    scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
    Shoot(&window, QStringLiteral("main-tab-options-rules"));
    auto* remove = rules->findChild<QPushButton*>(QStringLiteral("RuleRemoveBut"));
    auto* list = rules->findChild<QListWidget*>(QStringLiteral("AddressRulesList"));
    while (list->count() > 0) {
      list->setCurrentRow(0);
      remove->click();
    }
  }
  // The URL list narrowed by its search box, then the log page of the capture.
  notebook->setCurrentIndex(4);
  if (auto* search = window.findChild<QLineEdit*>(QStringLiteral("UrlSearchEdit"))) {
    search->setText(QStringLiteral("htm"));
    Shoot(&window, QStringLiteral("main-tab-url-search"));
    search->clear();
  }
  ShootWhenShown(QStringLiteral("LogDlg"), QStringLiteral("log-page"));
  window.Action(TCommand::kLogPage)->trigger();
  // The Multimedia tab showing a picture, then playing a video and a sound made for the shots.
  {
    TWEB& web = *window.Web();
    const std::pair<const char*, const char*> media[] = {{"clip.avi", "video/x-msvideo"},
                                                         {"tone.wav", "audio/x-wav"}};
    for (const auto& [name, type] : media) {
      auto record = std::make_unique<TWebFile>();
      record->State = wsFile;
      record->SetMimeType(type);
      record->SetFileName(name);
      (void)web.AddRecord(std::string("http://media.test/") + name, std::move(record));
    }
    (void)RealFileSystem().WriteFile(folder + "clip.avi", MakeAvi(160, 120, 50, 10));
    (void)RealFileSystem().WriteFile(folder + "tone.wav", MakeWav(3000));
    // The sample site's photos are a few pixels: one of camera size shows the scaling.
    (void)RealFileSystem().WriteFile(folder + "photo1.jpg", MakeJpeg(1024, 768));
    notebook->setCurrentIndex(TMainWindowModel::kMultimediaTab);
    ui::TMultimediaView& tab = window.Multimedia();
    // A type box clicked twice lists the documents again, the new ones with them.
    tab.ListWav->click();
    tab.ListWav->click();
    ClickDocument(tab, QStringLiteral("photo1.jpg"), false);
    Shoot(&window, QStringLiteral("multimedia-picture"));
    ClickDocument(tab, QStringLiteral("clip.avi"), true);
    QTest::qWait(800);
    ShootScreen(&window, QStringLiteral("multimedia-video"));
    ClickDocument(tab, QStringLiteral("tone.wav"), false);
    Shoot(&window, QStringLiteral("multimedia-sound"));
    tab.ShowDocument(-1);
  }

  // The image-map editor on the sample site's map, with a zone of each kind.
  if (window.Web()->MapList().Count() > 0) {
    DrawNavigationBar(folder + window.Web()->MapList().Item(0).ImageFile);
    WhenShown(QStringLiteral("MapEditDlg"), [&](QWidget* w) {
      auto* editor = static_cast<ui::TMapEditDialog*>(w);
      QWidget* canvas = editor->Canvas();
      Drag(canvas, {12, 22}, {86, 68});
      editor->Model().SetTool(TMapEditDlg::kCircle);
      Drag(canvas, {140, 45}, {160, 45 + 20});
      editor->Model().SetTool(TMapEditDlg::kHorizontalBand);
      Drag(canvas, {0, 76}, {0, 86});
      editor->Model().SetTool(TMapEditDlg::kPolygon);
      Drag(canvas, {200, 25}, {250, 25});
      Drag(canvas, {250, 25}, {265, 65});
      Drag(canvas, {265, 65}, {205, 62});
      Drag(canvas, {330, 10}, {330, 10});
      canvas->update();
      Shoot(editor, QStringLiteral("map-editor"));
      for (QAction* menu : editor->findChildren<QMenuBar*>().front()->actions()) {
        if (!menu->menu()) continue;
        QMenu* popup = menu->menu();
        popup->popup(editor->mapToGlobal(QPoint(10, 20)));
        (void)QTest::qWaitForWindowExposed(popup);
        Shoot(popup,
              QStringLiteral("map-editor-menu-") + menu->text().remove(QLatin1Char('&')).toLower());
        popup->hide();
      }
      ShootWhenShown(
          QStringLiteral("MessageBox"), QStringLiteral("map-editor-close-question"),
          [](QWidget* box) { static_cast<QMessageBox*>(box)->button(QMessageBox::No)->click(); });
      editor->close();
    });
    window.Action(TCommand::kImageMap)->trigger();
    ui::TOpenMapDialog chooser({{"nav.gif", "nav.map", "http://www.sample.test/",
                                 "http://www.sample.test/cgi-bin/map", ""},
                                {"plan.gif", "plan.map", "http://www.sample.test/products/plan.htm",
                                 "http://www.sample.test/cgi-bin/plan", "main"}},
                               &window);
    ShootDialog(chooser, QStringLiteral("map-chooser"));
  }

  notebook->setCurrentIndex(0);
  for (QAction* menu : window.menuBar()->actions()) {
    if (!menu->menu()) continue;
    QMenu* popup = menu->menu();
    popup->popup(window.mapToGlobal(QPoint(20, 20)));
    (void)QTest::qWaitForWindowExposed(popup);
    Shoot(popup, QStringLiteral("menu-") + menu->text().remove(QLatin1Char('&')).toLower());
    popup->hide();
  }

  // The window's own dialogs, through their commands.
  ShootWhenShown(QStringLiteral("AboutBox"), QStringLiteral("about"));
  window.Action(TCommand::kAbout)->trigger();
  WhenShown(QStringLiteral("ParamForm"), [](QWidget* w) {
    auto* pages = w->findChild<QTabWidget*>(QStringLiteral("Notebook"));
    const char* names[] = {"communication", "directories", "browser", "html-pages"};
    for (int page = 0; page < 4; ++page) {
      pages->setCurrentIndex(page);
      Shoot(w, QStringLiteral("setup-%1").arg(QLatin1String(names[page])));
    }
    static_cast<QDialog*>(w)->reject();
  });
  window.Action(TCommand::kSetup)->trigger();
  ShootWhenShown(QStringLiteral("AddUrlDlg"), QStringLiteral("add-url"));
  window.Action(TCommand::kAddUrl)->trigger();
  ShootWhenShown(QStringLiteral("MessageBox"), QStringLiteral("reset-question"), [](QWidget* w) {
    static_cast<QMessageBox*>(w)->button(QMessageBox::No)->click();
  });
  window.Action(TCommand::kReset)->trigger();
  ShootWhenShown(QStringLiteral("MessageBox"), QStringLiteral("delete-question"), [](QWidget* w) {
    static_cast<QMessageBox*>(w)->button(QMessageBox::Cancel)->click();
  });
  window.Action(TCommand::kDelete)->trigger();

  // Dialogs that a command opens only in a state the tool does not reach (a running capture, a
  // failed one, the first run), shown as those commands build them.
  TParam& param = window.Param();
  TSocketHub hub(nullptr);
  {
    ui::TStopDialog stop(&window);
    ShootDialog(stop, QStringLiteral("stop-capture"));
  }
  {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Quit Korvane"),
                    QStringLiteral("There is a capture in progress. Abort?"),
                    QMessageBox::Ok | QMessageBox::Cancel, &window);
    ShootDialog(box, QStringLiteral("quit-during-capture"));
  }
  {
    ui::TResolveDialog resolve(&window);
    resolve.SetSite("127.0.0.1");
    resolve.SetFile(folder + "products/p3.htm");
    resolve.SetGauge(40, 17);
    ShootDialog(resolve, QStringLiteral("resolve-links"));
  }
  {
    ui::TCopyDialog copy("Copy Web", folder + "Local.Web", "/home/user/webs/copy/Local.Web",
                         &window);
    copy.Start(37);
    for (const char* name : {"index.htm", "about.htm", "menu.htm", "logo.png", "p1.htm"}) {
      copy.FileCopied(name);
    }
    ShootDialog(copy, QStringLiteral("copy-web"));
  }
  {
    ui::TSocketPump pump;
    ui::TUrlVerifDialog verif(pump.Hub(), nginx.Url("/"), &window);
    verif.show();
    (void)QTest::qWaitForWindowExposed(&verif);
    QTest::qWait(500);
    Shoot(&verif, QStringLiteral("check-web"));
    verif.reject();
  }
  {
    std::vector<TMimeRow> rows;
    ui::TMimeTypeDialog mime(TMimeEntryEditor(TMimeRow{"application/pdf", "Other", "pdf", false}),
                             rows, &window);
    ShootDialog(mime, QStringLiteral("mime-type"));
  }
  {
    ui::TDirectoryDialog chooser(RealFileSystem(), "Select new capture path", fixture.Folder(),
                                 folder, true, &window);
    ShootDialog(chooser, QStringLiteral("folder-chooser"));
  }
  {
    ui::TWorkPathDialog first(RealFileSystem(), QDir::homePath().toStdString() + "/webs/",
                              fixture.Folder(), nullptr);
    ShootDialog(first, QStringLiteral("first-run"));
  }
  {
    ShootWhenShown(QStringLiteral("MessageBox"), QStringLiteral("error-connection"));
    ui::ShowMessageBox(&window, ErrorBox(TErrorKind::kConnection, "\r\nRename Web's URL?",
                                         mbYes | mbNo, 0, "http://www.example.invalid/"));
    ShootWhenShown(QStringLiteral("MessageBox"), QStringLiteral("error-http"));
    ui::ShowMessageBox(&window,
                       ErrorBox(TErrorKind::kHttpProtocol, "", mbOk, 404, "http://example.org/"));
    ShootWhenShown(QStringLiteral("DelFileDlg"), QStringLiteral("folder-has-files"));
    ui::AskFolderFiles(&window, folder, ListFolderContents(RealFileSystem(), folder));
  }
  {
    ui::TAddUrlDialog rename(TAddUrlDlg::ForNewWebAddress(window.Web()->Url()), param, hub,
                             &window);
    ShootDialog(rename, QStringLiteral("new-web-address"));
  }
  {
    // The two gauges in every style, as the slot rows, the copy and the resolve dialogs use them.
    QWidget panel;
    auto* grid = new QGridLayout(&panel);
    const StyleType edges[] = {st95None, st95Lowered, st95Raised};
    const TBevelStyle bevels[] = {bsNone, bsLowered, bsRaised};
    const int percents[] = {0, 35, 70, 100};
    for (int row = 0; row < 3; ++row) {
      for (int col = 0; col < 4; ++col) {
        auto* meter = new ui::TMeterWidget(&panel);
        meter->Model().SetSegmentWidth(4);
        meter->Model().SetSegmentGap(1);
        meter->Model().SetEdgeStyle(edges[row]);
        meter->setFixedSize(81, 16);
        meter->SetPercent(percents[col]);
        grid->addWidget(meter, row, col);
      }
      auto* gauge = new ui::TGaugeWidget(24, &panel);
      gauge->Model().SetBevelStyle(bevels[row]);
      gauge->Refit();
      gauge->SetProgress(row * 45 + 5);
      grid->addWidget(gauge, row, 4);
    }
    ShootDialog(panel, QStringLiteral("gauges"));
  }
  window.close();

  // A stop that lets two held transfers finish, then its end after a second Stop.
  {
    THeldServer held;
    TUiFixture held_fixture;
    TMainWin stopping(held_fixture.Setup());
    stopping.show();
    (void)QTest::qWaitForWindowExposed(&stopping);
    QSignalSpy ended(&stopping, &TMainWin::CaptureFinished);
    WhenShown(QStringLiteral("NewForm"), [&](QWidget* dialog) {
      dialog->findChild<QLineEdit*>(QStringLiteral("UrlEdit"))
          ->setText(QString::fromStdString(held.Url("/")));
      dialog->findChild<QLineEdit*>(QStringLiteral("PathEdit"))
          ->setText(QString::fromStdString(held_fixture.Folder() + "held/"));
      Click(dialog, "CreateCaptureBut");
    });
    stopping.Action(TCommand::kNew)->trigger();
    for (int waited = 0; held.Held() < 2 && waited < 20000; waited += 20) QTest::qWait(20);
    QTest::qWait(1200);
    Shoot(&stopping, QStringLiteral("capture-running-held"));
    WhenShown(QStringLiteral("StopDlg"), [&](QWidget* dialog) {
      dialog->findChild<QCheckBox*>(QStringLiteral("CompleteCheck"))->setChecked(true);
      Shoot(dialog, QStringLiteral("stop-dialog-complete"));
      Click(dialog, "OkBut");
    });
    stopping.Action(TCommand::kStop)->trigger();
    QTest::qWait(2200);
    Shoot(&stopping, QStringLiteral("capture-stopping"));
    stopping.Action(TCommand::kStop)->trigger();
    if (ended.wait(20000)) {
      auto* tabs_of_stopping = stopping.findChild<QTabWidget*>(QStringLiteral("WebNoteBook"));
      tabs_of_stopping->setCurrentIndex(TMainWindowModel::kCaptureTab);
      Shoot(&stopping, QStringLiteral("capture-stopped-summary"));
    } else {
      std::fprintf(stderr, "the stopped capture did not end\n");
    }
    held.Release();
    stopping.close();
  }
  std::printf("%d screenshots in %s\n", shots, qPrintable(out_dir));
  return 0;
}
