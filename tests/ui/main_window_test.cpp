// The desktop program's main window as a user drives it: whole captures against real servers on
// loopback, stopping them, closing the window during one, the recent webs and the command line.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <filesystem>

#include "engine/web.h"
#include "held_server.h"
#include "pages/bookmarks.h"
#include "support/loopback_http_server.h"
#include "support/nginx_server.h"
#include "ui/run_stepper.h"
#include "ui_test_support.h"

using namespace korvane;
using namespace korvane::testing;
using korvane::ui::TMainWin;

namespace {

constexpr int kRunTimeoutMs = 60000;

QString Text(TMainWin& window, const char* edit) {
  auto* e = window.findChild<QLineEdit*>(QLatin1String(edit));
  return e ? e->text() : QStringLiteral("<missing %1>").arg(QLatin1String(edit));
}

// Starts a capture through "&New...": the New Web dialog filled in and closed with "Create &and
// Capture".
void NewWebAndCapture(TMainWin& window, const std::string& url, const std::string& folder,
                      const QString& title) {
  WhenShown(QStringLiteral("NewForm"), [=](QWidget* dialog) {
    dialog->findChild<QLineEdit*>(QStringLiteral("UrlEdit"))->setText(QString::fromStdString(url));
    dialog->findChild<QLineEdit*>(QStringLiteral("PathEdit"))
        ->setText(QString::fromStdString(folder));
    dialog->findChild<QLineEdit*>(QStringLiteral("TitleEdit"))->setText(title);
    Click(dialog, "CreateCaptureBut");
  });
  window.Action(TCommand::kNew)->trigger();
}

// Waits until `count` slot rows show a transfer receiving its body.
bool WaitForReceiving(TMainWin& window, int count) {
  for (int waited = 0; waited < 20000; waited += 20) {
    int receiving = 0;
    for (int slot = 1; slot <= 9; ++slot) {
      if (Text(window, ("State" + std::to_string(slot)).c_str()) == "Receiving") ++receiving;
    }
    if (receiving >= count) return true;
    QTest::qWait(20);
  }
  return false;
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void WholeCaptureOfTheSampleSite();
  void ACancelledResolveIsSaidAndFinishedOnRequest();
  void StopWithAndWithoutCompletingTransfers_data();
  void StopWithAndWithoutCompletingTransfers();
  void ClosingDuringACaptureAsksOnceThenClosesAtTheEnd();
  void NothingCapturedAsksForAnotherAddress();
  void DamagedAndUnreadableProjectFilesOpenNothing();
  void CommandLineCapturesOnceTheWindowIsUp();
  void RecentWebsMenuOpensAndReorders();
  void LeavingTheTitleRenamesTheBookmark();
  void NewKeepsTheOpenWebUntilTheNewOneIsMade();
  void EveryAltKeyOfTheWindowNamesOneThing();
  void OptionsTabEditsRulesAndHeaders();
};

void MainWindowTest::WholeCaptureOfTheSampleSite() {
  TNginxServer nginx;
  if (!nginx.Running()) QSKIP(nginx.Error().c_str());
  TUiFixture fixture;
  TMainWin window(fixture.Setup());
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QCOMPARE(window.windowTitle(), QStringLiteral("Korvane 1.073 "));
  QVERIFY(!window.Action(TCommand::kHome)->isEnabled());

  bool stop_enabled_while_running = false;
  connect(&window.Stepper(), &ui::TRunStepper::Stepped, this, [&] {
    if (window.Run() && window.Run()->Phase() == TCaptureRun::TPhase::kCapturing &&
        window.Action(TCommand::kStop)->isEnabled()) {
      stop_enabled_while_running = true;
    }
  });

  QSignalSpy finished(&window, &TMainWin::CaptureFinished);
  const std::string folder = fixture.Folder() + "sample/";
  // A title Windows-1252 cannot hold shows whole, and is kept as a reference in the project.
  NewWebAndCapture(window, nginx.Url("/"), folder, QString::fromUtf8("Sample site \u2192"));
  QVERIFY(finished.wait(kRunTimeoutMs));

  const TCaptureRunResult& result = window.LastRunResult();
  QVERIFY2(result.Captured >= 20, std::to_string(result.Captured).c_str());
  QVERIFY(result.Resolved && result.Saved && !result.Stopped);
  QVERIFY(result.Error.empty());
  QVERIFY(stop_enabled_while_running);
  QCOMPARE(Text(window, "CapturedCountEdit"), QString::number(window.Web()->CapturedCount()));
  QCOMPARE(Text(window, "WebPageCountEdit"), QString::number(window.Web()->CapturedCount()));
  QCOMPARE(window.windowTitle(), QString::fromUtf8("Korvane 1.073 (Sample site \u2192)"));
  QCOMPARE(window.Web()->Title(), std::string("Sample site &#8594;"));

  // The copy reads from disk, and the window offers its pages.
  QCOMPARE(window.Web()->Path(), folder);
  QVERIFY(std::filesystem::exists(folder + "_Home.htm"));
  QVERIFY(std::filesystem::exists(folder + "Local.Web"));
  QVERIFY(window.Action(TCommand::kHome)->isEnabled());
  QVERIFY(window.Action(TCommand::kHtmlPages)->isEnabled());
  QVERIFY(window.Action(TCommand::kImages)->isEnabled());
  QVERIFY(window.Action(TCommand::kStart)->isEnabled());
  QVERIFY(!window.Action(TCommand::kStop)->isEnabled());

  // The URL list shows the captured pages, by title, pages only.
  auto* list = window.findChild<QListWidget*>(QStringLiteral("UrlList"));
  QVERIFY(list);
  QVERIFY2(list->count() >= 15, std::to_string(list->count()).c_str());
  for (int i = 0; i < list->count(); ++i) {
    const QString text = list->item(i)->text();
    QVERIFY2(!text.endsWith(QStringLiteral(".gif")) && !text.endsWith(QStringLiteral(".png")),
             qPrintable(text));
  }
  // The document list holds the captured pictures the options ask for.
  auto* documents = window.findChild<QListWidget*>(QStringLiteral("DocumentList"));
  QVERIFY(documents && documents->count() > 0);

  // Capture > Update asks for every kept file again: nginx says each is current, and the window
  // says so.
  QVERIFY(window.Action(TCommand::kUpdate)->isEnabled());
  window.Action(TCommand::kUpdate)->trigger();
  QVERIFY(finished.wait(kRunTimeoutMs));
  const TCaptureRunResult& update = window.LastRunResult();
  QVERIFY(update.Updated && update.Saved && update.Error.empty());
  QVERIFY2(update.Update.Asked >= 20 && update.Update.Unchanged == update.Update.Asked,
           std::to_string(update.Update.Unchanged).c_str());
  const QString said = window.statusBar()->currentMessage();
  QVERIFY2(said.startsWith(QStringLiteral("Update ended after")) &&
               said.endsWith(QStringLiteral("0 changed, 0 new, 0 gone. The copy was up to date.")),
           qPrintable(said));
}

// A resolve cancelled at the end of a capture leaves pages leading to the server: the window
// says so and offers to finish, rather than open the copy as if it were whole.
void MainWindowTest::ACancelledResolveIsSaidAndFinishedOnRequest() {
  TNginxServer nginx;
  if (!nginx.Running()) QSKIP(nginx.Error().c_str());
  TUiFixture fixture;
  TMainWin window(fixture.Setup());
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  connect(&window.Stepper(), &ui::TRunStepper::Stepped, this, [&] {
    if (window.Run() && window.Run()->Resolver()) window.Run()->Resolver()->Cancel();
  });
  QString asked;
  WhenShown(QStringLiteral("MessageBox"), [&](QWidget* box) {
    asked = static_cast<QMessageBox*>(box)->text();
    static_cast<QMessageBox*>(box)->button(QMessageBox::Yes)->click();
  });
  QSignalSpy finished(&window, &TMainWin::CaptureFinished);
  const std::string folder = fixture.Folder() + "partly/";
  NewWebAndCapture(window, nginx.Url("/"), folder, QString());
  QVERIFY(finished.wait(kRunTimeoutMs));
  QVERIFY(window.LastRunResult().ResolveCancelled);
  QVERIFY2(asked.contains(QStringLiteral("partly resolved")), qPrintable(asked));
  // Yes resolved the rest: the home page and the indexes are there, and offered.
  QVERIFY(std::filesystem::exists(folder + "_Home.htm"));
  QVERIFY(window.Action(TCommand::kHome)->isEnabled());
  QVERIFY(!FindWindow(QStringLiteral("MessageBox")));
}

void MainWindowTest::StopWithAndWithoutCompletingTransfers_data() {
  QTest::addColumn<bool>("complete");
  QTest::addColumn<bool>("twice");
  QTest::addColumn<int>("captured");
  QTest::newRow("complete captures in progress") << true << false << 3;
  QTest::newRow("abort them") << false << false << 1;
  QTest::newRow("complete them, then stop again") << true << true << 1;
}

// The start page is captured; its two links stop half-way until the test releases them. Stop
// either lets them finish or aborts them (their partial files are deleted).
void MainWindowTest::StopWithAndWithoutCompletingTransfers() {
  QFETCH(bool, complete);
  QFETCH(bool, twice);
  QFETCH(int, captured);
  THeldServer server;
  TUiFixture fixture;
  TMainWin window(fixture.Setup());
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QSignalSpy finished(&window, &TMainWin::CaptureFinished);
  NewWebAndCapture(window, server.Url("/"), fixture.Folder() + "held/", QString());
  // The Capture tab follows the run live: two slots receiving, the start page counted.
  QVERIFY(WaitForReceiving(window, 2));
  QTRY_COMPARE(Text(window, "CapturedCountEdit"), QStringLiteral("1"));
  QCOMPARE(Text(window, "LinkCountEdit"), QStringLiteral("3"));
  QVERIFY(window.findChild<QWidget*>(QStringLiteral("TimePanel"))->isVisible());

  WhenShown(QStringLiteral("StopDlg"), [&](QWidget* dialog) {
    dialog->findChild<QCheckBox*>(QStringLiteral("CompleteCheck"))->setChecked(complete);
    Click(dialog, "OkBut");
  });
  window.Action(TCommand::kStop)->trigger();
  // While the transfers finish, Stop stays to abort them; once aborted, nothing is left to stop.
  QCOMPARE(window.Action(TCommand::kStop)->isEnabled(), complete);
  auto* status = window.findChild<QStatusBar*>(QStringLiteral("StatusBar"));
  if (complete) {
    QTest::qWait(200);
    QVERIFY2(finished.isEmpty(), "the transfers under way are still running");
    QTRY_VERIFY(status->currentMessage().startsWith(
        QStringLiteral("Complete captures in progress: 2 transfers, ")));
    QVERIFY(status->currentMessage().contains(QStringLiteral(" s left. Stop again")));
  }
  if (twice) {
    // No second question: the held transfers are cut although the server still holds them.
    bool asked_again = false;
    QTimer* watch = WhenShown(QStringLiteral("StopDlg"), [&](QWidget* dialog) {
      asked_again = true;
      static_cast<QDialog*>(dialog)->reject();
    });
    window.Action(TCommand::kStop)->trigger();
    delete watch;
    QVERIFY(!asked_again);
    QVERIFY(!window.Action(TCommand::kStop)->isEnabled());
  } else if (complete) {
    server.Release();
  }
  QVERIFY(finished.wait(kRunTimeoutMs));
  // The end is said where it cannot be missed, with why it ended.
  const QString why = complete && !twice ? QStringLiteral("the transfers under way were completed.")
                                         : QStringLiteral("the transfers under way were aborted.");
  QVERIFY2(
      status->currentMessage().startsWith(QStringLiteral("Capture ended after ")) &&
          status->currentMessage().contains(QStringLiteral(": %1 file(s) kept, ").arg(captured)) &&
          status->currentMessage().endsWith(why),
      qPrintable(status->currentMessage()));
  QVERIFY(window.LastRunResult().Stopped);
  QCOMPARE(window.LastRunResult().Captured, captured);
  QCOMPARE(int(window.Web()->CapturedCount()), captured);
  QCOMPARE(Text(window, "CapturedCountEdit"), QString::number(captured));
  // A stopped capture explains nothing: no box is left open.
  QVERIFY(!FindWindow(QStringLiteral("MessageBox")));
  server.Release();
}

void MainWindowTest::ClosingDuringACaptureAsksOnceThenClosesAtTheEnd() {
  THeldServer server;
  TUiFixture fixture;
  TMainWin window(fixture.Setup());
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QSignalSpy finished(&window, &TMainWin::CaptureFinished);
  const std::string folder = fixture.Folder() + "closing/";
  NewWebAndCapture(window, server.Url("/"), folder, QString());
  QVERIFY(WaitForReceiving(window, 2));

  // Cancel first: the capture goes on.
  WhenShown(QStringLiteral("AbortBox"), [](QWidget* box) { static_cast<QDialog*>(box)->reject(); });
  QVERIFY(!window.close());
  QVERIFY(window.isVisible() && window.Model().Capturing());

  WhenShown(QStringLiteral("AbortBox"),
            [](QWidget* box) { static_cast<QMessageBox*>(box)->button(QMessageBox::Ok)->click(); });
  QVERIFY(!window.close());
  // Confirmed: a second attempt does not ask again and does not close the web under the run.
  int asked_again = 0;
  QTimer* watch = WhenShown(QStringLiteral("AbortBox"), [&](QWidget* box) {
    ++asked_again;
    static_cast<QDialog*>(box)->reject();
  });
  window.close();
  QVERIFY(window.Web() != nullptr);
  QVERIFY(finished.wait(kRunTimeoutMs));
  QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 5000);
  QCOMPARE(asked_again, 0);
  delete watch;
  QVERIFY(window.LastRunResult().Stopped);
  // Closing saved the web.
  QVERIFY(std::filesystem::exists(folder + "Local.Web"));
}

// A start address where nothing answers: once the run has ended, the connection error box offers
// another address, and the Add URL dialog as "New web adress" starts the web again on it.
void MainWindowTest::NothingCapturedAsksForAnotherAddress() {
  TUiFixture fixture;
  TMainWin window(fixture.Setup());
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  const std::string dead =
      "http://127.0.0.1:" + std::to_string(TLoopbackHttpServer::UnusedPort()) + "/";
  QString box_text, dialog_title;
  WhenShown(QStringLiteral("MessageBox"), [&](QWidget* box) {
    box_text = static_cast<QMessageBox*>(box)->text();
    // Shown after the step that ended the run: the run is over by now.
    QVERIFY(!window.Model().Capturing());
    static_cast<QMessageBox*>(box)->button(QMessageBox::Yes)->click();
  });
  WhenShown(QStringLiteral("AddUrlDlg"), [&](QWidget* dialog) {
    dialog_title = dialog->windowTitle();
    dialog->findChild<QLineEdit*>(QStringLiteral("UrlEdit"))
        ->setText(QStringLiteral("http://example.org/new/"));
    Click(dialog, "OkBut");
  });
  QSignalSpy finished(&window, &TMainWin::CaptureFinished);
  NewWebAndCapture(window, dead, fixture.Folder() + "dead/", QString());
  QVERIFY(finished.wait(kRunTimeoutMs));
  QCOMPARE(window.LastRunResult().Captured, 0);
  QVERIFY2(box_text.startsWith(QString::fromStdString("URL :" + dead + "\nCannot reach server,")),
           qPrintable(box_text));
  QVERIFY(box_text.endsWith(QStringLiteral("Rename Web's URL?")));
  QCOMPARE(dialog_title, QStringLiteral("New web adress"));
  QCOMPARE(window.Web()->Url(), std::string("http://example.org/new/"));
  QCOMPARE(Text(window, "UrlEdit"), QStringLiteral("http://example.org/new/"));
  QCOMPARE(window.findChild<QTabWidget*>(QStringLiteral("WebNoteBook"))->currentIndex(),
           int(TMainWindowModel::kWebTab));
}

// A project file whose counters exceed its links (it once aborted the program) and one that is
// no web: each is said in an error box with its reason, no web opens, and the program goes on.
void MainWindowTest::DamagedAndUnreadableProjectFilesOpenNothing() {
  TUiFixture fixture;
  TOPTIONS defaults;
  TMIMELIST mime;
  mime.SetToDefault();
  const std::string damaged = fixture.Folder() + "damaged/Local.Web";
  {
    TWEB web(defaults);
    QVERIFY(web.Init("http://example.org/", fixture.Folder() + "damaged", mime));
    web.SetCounters({.Captured = 40});
    QVERIFY(web.SaveToFile(damaged));
  }
  const std::string garbage = fixture.Folder() + "garbage.web";
  QVERIFY(RealFileSystem().WriteFile(garbage, std::string(300, '\x7f')));
  const std::pair<std::string, QString> cases[] = {
      {damaged, QStringLiteral("exceed its 1 links: the project file is damaged.")},
      {garbage, QString::fromStdString("The web " + garbage + " cannot be opened: ")},
  };
  for (const auto& [file, words] : cases) {
    QString box_text;
    WhenShown(QStringLiteral("MessageBox"), [&box_text](QWidget* box) {
      box_text = static_cast<QMessageBox*>(box)->text();
      static_cast<QMessageBox*>(box)->button(QMessageBox::Ok)->click();
    });
    TMainWin window(fixture.Setup({file}));
    QVERIFY2(box_text.contains(words), qPrintable(box_text));
    QVERIFY(window.Web() == nullptr);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.isVisible());
  }
}

void MainWindowTest::CommandLineCapturesOnceTheWindowIsUp() {
  TNginxServer nginx;
  if (!nginx.Running()) QSKIP(nginx.Error().c_str());
  TUiFixture fixture;
  const std::string project = fixture.Folder() + "cmd/Local.web";
  // Keywords in any case; the path and the address as typed.
  TMainWin window(fixture.Setup({"capture", project, nginx.Url("/news/")}));
  QVERIFY(window.Web() != nullptr);
  QVERIFY2(!window.Model().Capturing(), "the capture waits for the event loop");
  QSignalSpy finished(&window, &TMainWin::CaptureFinished);
  window.show();
  QVERIFY(finished.wait(kRunTimeoutMs));
  QVERIFY(window.LastRunResult().Captured >= 3);
  QCOMPARE(window.Web()->FileName(), project);
  QVERIFY(std::filesystem::exists(project));
  QVERIFY(std::filesystem::exists(fixture.Folder() + "cmd/_Home.htm"));
}

void MainWindowTest::RecentWebsMenuOpensAndReorders() {
  TUiFixture fixture;
  TOPTIONS defaults;
  TMIMELIST mime;
  mime.SetToDefault();
  const std::string first = fixture.Folder() + "first/Local.Web";
  const std::string second = fixture.Folder() + "second/Local.Web";
  const std::string titles[] = {"First web", "A title that runs past thirty-two letters"};
  int i = 0;
  for (const std::string& file : {first, second}) {
    TWEB web(defaults);
    QVERIFY(
        web.Init("http://example.org/", std::filesystem::path(file).parent_path().string(), mime));
    web.SetTitle(titles[i++]);
    QVERIFY(web.SaveToFile(file));
  }
  QVERIFY(
      RealFileSystem().WriteFile(fixture.WorkPath() + "webs.dat", first + "\n" + second + "\n"));

  auto recent_texts = [](TMainWin& window) {
    QStringList texts;
    for (QAction* menu : window.menuBar()->actions()) {
      if (!menu->menu()) continue;
      for (QAction* a : menu->menu()->actions()) {
        if (a->isVisible() && a->text().startsWith(QLatin1Char('&')) && a->text().size() > 2 &&
            a->text()[1].isDigit()) {
          texts << a->text();
        }
      }
    }
    return texts;
  };
  {
    TMainWin window(fixture.Setup());
    QCOMPARE(recent_texts(window),
             (QStringList{QStringLiteral("&1 FIRST WEB"),
                          QStringLiteral("&2 A TITLE THAT RUNS PAST THIRTY-TW...")}));
    // Choosing the second opens it and puts it at the head.
    for (QAction* a : window.menuBar()->actions().front()->menu()->actions()) {
      if (a->text().startsWith(QStringLiteral("&2 "))) a->trigger();
    }
    QVERIFY(window.Web() != nullptr);
    QCOMPARE(window.Web()->FileName(), second);
    QCOMPARE(recent_texts(window).front(),
             QStringLiteral("&1 A TITLE THAT RUNS PAST THIRTY-TW..."));
    QVERIFY(window.close());
  }
  const auto saved = RealFileSystem().ReadFile(fixture.WorkPath() + "webs.dat");
  QVERIFY(saved.has_value());
  QCOMPARE(QString::fromStdString(*saved),
           QString::fromStdString(second + "\r\n" + first + "\r\n"));
}

void MainWindowTest::LeavingTheTitleRenamesTheBookmark() {
  TUiFixture fixture;
  const std::string bookmarks = fixture.Folder() + "bookmarks.htm";
  TBookMarks empty;
  QVERIFY(CreateEmptyBookmarkFile(empty, bookmarks));
  TOPTIONS defaults;
  TMIMELIST mime;
  mime.SetToDefault();
  const std::string project = fixture.Folder() + "titled/Local.Web";
  {
    TWEB web(defaults);
    QVERIFY(web.Init("http://example.org/", fixture.Folder() + "titled", mime));
    QVERIFY(web.SaveToFile(project));
  }
  TMainWin window(fixture.Setup({project}));
  window.Param().BookmarkFileName = bookmarks;
  auto* title = window.findChild<QLineEdit*>(QStringLiteral("TitleEdit"));
  QVERIFY(title && window.Web());
  for (const char* name : {"First name", "Second name"}) {
    title->setText(QString::fromLatin1(name));
    emit title->editingFinished();
    QCOMPARE(window.windowTitle(), QStringLiteral("Korvane 1.073 (%1)").arg(QLatin1String(name)));
  }
  // One bookmark, renamed: the file holds the last title only.
  const std::string file = RealFileSystem().ReadFile(bookmarks).value_or("");
  QVERIFY2(file.find(">Second name</A>") != std::string::npos, file.c_str());
  QVERIFY(file.find("First name") == std::string::npos);
  QVERIFY(window.Action(TCommand::kAddBookmark)->isEnabled());
  QCOMPARE(window.Web()->Title(), std::string("Second name"));
}

// "&New..." leaves the open web open, and what was typed into it, through a Cancel and through a
// refusal (its own folder); only a new web made replaces it, and then it is saved as it was typed.
void MainWindowTest::NewKeepsTheOpenWebUntilTheNewOneIsMade() {
  TUiFixture fixture;
  TOPTIONS defaults;
  TMIMELIST mime;
  mime.SetToDefault();
  const std::string project = fixture.Folder() + "open/Local.Web";
  {
    TWEB web(defaults);
    QVERIFY(web.Init("http://example.org/", fixture.Folder() + "open", mime));
    QVERIFY(web.SaveToFile(project));
  }
  TMainWin window(fixture.Setup({project}));
  QVERIFY(window.Web() != nullptr);
  // The typed title renames the web's bookmark when the web is stored: a file that can take it.
  TBookMarks empty;
  QVERIFY(CreateEmptyBookmarkFile(empty, fixture.Folder() + "bookmarks.htm"));
  window.Param().BookmarkFileName = fixture.Folder() + "bookmarks.htm";
  window.findChild<QLineEdit*>(QStringLiteral("TitleEdit"))->setText(QStringLiteral("Typed"));

  WhenShown(QStringLiteral("NewForm"), [](QWidget* dialog) { Click(dialog, "CancelBut"); });
  window.Action(TCommand::kNew)->trigger();
  QVERIFY(window.Web() != nullptr);
  QCOMPARE(window.Web()->FileName(), project);
  QCOMPARE(Text(window, "TitleEdit"), QStringLiteral("Typed"));

  QString refusal;
  WhenShown(QStringLiteral("NewForm"), [&](QWidget* dialog) {
    WhenShown(QStringLiteral("MessageBox"), [&refusal](QWidget* box) {
      refusal = static_cast<QMessageBox*>(box)->text();
      static_cast<QMessageBox*>(box)->button(QMessageBox::Ok)->click();
    });
    dialog->findChild<QLineEdit*>(QStringLiteral("UrlEdit"))
        ->setText(QStringLiteral("http://example.net/"));
    dialog->findChild<QLineEdit*>(QStringLiteral("PathEdit"))
        ->setText(QString::fromStdString(fixture.Folder() + "open/"));
    Click(dialog, "CreateBut");
  });
  window.Action(TCommand::kNew)->trigger();
  QVERIFY2(refusal.contains(QStringLiteral("is the open web's")), qPrintable(refusal));
  QCOMPARE(window.Web()->FileName(), project);
  QCOMPARE(Text(window, "TitleEdit"), QStringLiteral("Typed"));

  WhenShown(QStringLiteral("NewForm"), [&](QWidget* dialog) {
    dialog->findChild<QLineEdit*>(QStringLiteral("UrlEdit"))
        ->setText(QStringLiteral("http://example.net/"));
    dialog->findChild<QLineEdit*>(QStringLiteral("PathEdit"))
        ->setText(QString::fromStdString(fixture.Folder() + "second/"));
    Click(dialog, "CreateBut");
  });
  window.Action(TCommand::kNew)->trigger();
  QCOMPARE(window.Web()->FileName(), fixture.Folder() + "second/Local.Web");
  TWEB saved(defaults);
  QVERIFY(saved.LoadFromFile(project));
  QCOMPARE(saved.Title(), std::string("Typed"));
}

void MainWindowTest::EveryAltKeyOfTheWindowNamesOneThing() {
  TUiFixture fixture;
  {
    TMainWin empty(fixture.Setup());
    empty.show();
    QVERIFY(QTest::qWaitForWindowExposed(&empty));
    const QStringList clashes = MnemonicClashes(&empty);
    QVERIFY2(clashes.isEmpty(), qPrintable(clashes.join(u'\n')));
  }
  // With a web open: its tabs, the buttons under them and the menu bar are all on screen.
  TOPTIONS defaults;
  TMIMELIST mime;
  mime.SetToDefault();
  const std::string project = fixture.Folder() + "open/Local.Web";
  {
    TWEB web(defaults);
    QVERIFY(web.Init("http://example.org/", fixture.Folder() + "open", mime));
    QVERIFY(web.SaveToFile(project));
  }
  TMainWin window(fixture.Setup({project}));
  QVERIFY(window.Web() != nullptr);
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  const QStringList clashes = MnemonicClashes(&window);
  QVERIFY2(clashes.isEmpty(), qPrintable(clashes.join(u'\n')));
}

// The Options tab's rules: added in place, a bad pattern refused with its reason and left in the
// box, moved, tried in the test box, removed; the headers' problem said by line; the web saved
// with them.
void MainWindowTest::OptionsTabEditsRulesAndHeaders() {
  TUiFixture fixture;
  TOPTIONS defaults;
  TMIMELIST mime;
  mime.SetToDefault();
  const std::string project = fixture.Folder() + "ruled/Local.Web";
  {
    TWEB web(defaults);
    QVERIFY(web.Init("http://example.org/", fixture.Folder() + "ruled", mime));
    QVERIFY(web.SaveToFile(project));
  }
  TMainWin window(fixture.Setup({project}));
  QVERIFY(window.Web());
  auto* kind = window.findChild<QComboBox*>(QStringLiteral("RuleKindCombo"));
  auto* pattern = window.findChild<QLineEdit*>(QStringLiteral("RulePatternEdit"));
  auto* list = window.findChild<QListWidget*>(QStringLiteral("AddressRulesList"));
  auto* error = window.findChild<QLabel*>(QStringLiteral("RuleErrorLabel"));
  auto* test = window.findChild<QLineEdit*>(QStringLiteral("RuleTestEdit"));
  auto* verdict = window.findChild<QLabel*>(QStringLiteral("RuleVerdictLabel"));
  QVERIFY(kind && pattern && list && error && test && verdict);
  QVERIFY(window.findChild<QCheckBox*>(QStringLiteral("SendRefererCheck"))->isChecked());
  auto add = [&](int kind_index, const char* text) {
    kind->setCurrentIndex(kind_index);
    pattern->setText(QLatin1String(text));
    Click(&window, "RuleAddBut");
  };
  add(1, "**.zip");
  add(0, "re:(");
  QVERIFY(!error->isHidden());
  QVERIFY2(error->text().contains(QStringLiteral("cannot be read")), qPrintable(error->text()));
  QCOMPARE(pattern->text(), QStringLiteral("re:("));
  add(0, "**/docs/**");
  QCOMPARE(list->count(), 2);
  QCOMPARE(list->currentRow(), 1);
  Click(&window, "RuleUpBut");
  QCOMPARE(window.Web()->Options().AddressRules,
           (std::vector<std::string>{"+ **/docs/**", "- **.zip"}));
  const struct {
    const char* address;
    const char* verdict;
  } tries[] = {
      {"http://example.org/docs/a.zip", "rule 1 (+ **/docs/**) includes it"},
      {"example.org/b.zip", "rule 2 (- **.zip) excludes it"},
      {"http://example.org/c.htm", "no rule matches: the limits decide"},
  };
  for (const auto& t : tries) {
    test->setText(QLatin1String(t.address));
    QCOMPARE(verdict->text(), QLatin1String(t.verdict));
  }
  list->setCurrentRow(0);
  Click(&window, "RuleRemoveBut");
  QCOMPARE(window.Web()->Options().AddressRules, (std::vector<std::string>{"- **.zip"}));

  auto* headers = window.findChild<QPlainTextEdit*>(QStringLiteral("RequestHeadersEdit"));
  auto* problem = window.findChild<QLabel*>(QStringLiteral("HeadersProblemLabel"));
  QVERIFY(headers && problem);
  headers->setPlainText(QStringLiteral("X-Token: abc\nBad Name: 1"));
  QVERIFY(problem->text().startsWith(QStringLiteral("line 2: the name \"Bad Name\"")));
  headers->setPlainText(QStringLiteral("X-Token: abc\n"));
  QVERIFY(problem->isHidden());
  // A new web speaks HTTP/1.1; the choice of 1.0 is kept with it.
  auto* version = window.findChild<QComboBox*>(QStringLiteral("HttpVersionCombo"));
  QVERIFY(version);
  QCOMPARE(version->currentIndex(), 0);
  version->setCurrentIndex(1);
  window.Action(TCommand::kSave)->trigger();
  TWEB saved(defaults);
  QVERIFY(saved.LoadFromFile(project));
  QCOMPARE(saved.Options().AddressRules, (std::vector<std::string>{"- **.zip"}));
  QCOMPARE(saved.Options().RequestHeaders, (std::vector<std::string>{"X-Token: abc"}));
  QCOMPARE(saved.Options().Protocol, std::string("1.0"));
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
