// korvane_screenshots: opens every window and dialog of the desktop program on the bundled sample
// web and writes a PNG of each, to be looked at (scripts/screenshots.sh runs it under Xvfb).
// The sample site is captured through the window first, from "&New..." to the resolved copy, so
// the Capture tab is shot while the capture runs.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QGridLayout>
#include <QIcon>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <cstdio>

#include "engine/error_dlg.h"
#include "net/socket_hub.h"
#include "settings/param.h"
#include "support/nginx_server.h"
#include "ui/add_url_dialog.h"
#include "ui/copy_dialog.h"
#include "ui/directory_dialog.h"
#include "ui/gauge_widget.h"
#include "ui/message_box.h"
#include "ui/meter_widget.h"
#include "ui/mime_type_dialog.h"
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

// Shoots the window named `name` once it shows, then closes it with `close`.
void ShootWhenShown(const QString& name, const QString& file,
                    std::function<void(QWidget*)> close = nullptr) {
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
  const char* tabs[] = {"web", "options", "file", "capture", "url", "multimedia"};
  for (int tab = 0; tab < 6; ++tab) {
    notebook->setCurrentIndex(tab);
    Shoot(&window, QStringLiteral("main-tab-%1").arg(QLatin1String(tabs[tab])));
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
    ui::TAddUrlDialog rename(TAddUrlDlg::ForNewWebAddress(window.Web()->Url), param, hub, &window);
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
  std::printf("%d screenshots in %s\n", shots, qPrintable(out_dir));
  window.close();
  return 0;
}
