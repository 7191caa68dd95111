// The desktop program's dialogs: when each lets itself be closed, and what it stores.
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <filesystem>
#include <stdexcept>

#include "net/socket_hub.h"
#include "settings/param.h"
#include "ui/add_url_dialog.h"
#include "ui/application.h"
#include "ui/copy_dialog.h"
#include "ui/directory_dialog.h"
#include "ui/message_box.h"
#include "ui/new_web_dialog.h"
#include "ui/resolve_dialog.h"
#include "ui/setup_dialog.h"
#include "ui/stop_dialog.h"
#include "ui/work_path_dialog.h"
#include "ui_test_support.h"

using namespace korvane;
using namespace korvane::testing;

namespace {

template <class T>
T* Child(QWidget* w, const char* name) {
  return w->findChild<T*>(QLatin1String(name));
}

}  // namespace

class DialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    fixture_ = std::make_unique<TUiFixture>();
    param_ = std::make_unique<TParam>(RealFileSystem(), fixture_->Profile(), fixture_->Navigator(),
                                      nullptr);
    param_->LoadSettings();
  }
  void cleanup() {
    param_.reset();
    fixture_.reset();
  }

  void NewWebClosesOnlyWithAPathAndAHost_data();
  void NewWebClosesOnlyWithAPathAndAHost();
  void NewWebPathFollowsTheAddress();
  void AddUrlClosesOnlyWithAHost_data();
  void AddUrlClosesOnlyWithAHost();
  void SetupKeepsOldValuesOnBadNumbersAndCancelChangesNothing();
  void WorkPathDialogCreatesTheFolderOnlyWhenAsked();
  void ErrorBoxAnswersWithTheButtonPressed();
  void AnExceptionLeavingAHandlerEndsOnlyItsAction();
  void EveryDialogHasOneControlPerAltKey();

 private:
  std::unique_ptr<TUiFixture> fixture_;
  std::unique_ptr<TParam> param_;
  TSocketHub hub_{nullptr};
};

void DialogsTest::NewWebClosesOnlyWithAPathAndAHost_data() {
  QTest::addColumn<QString>("url");
  QTest::addColumn<QString>("path");
  QTest::addColumn<QString>("button");
  QTest::addColumn<int>("result");
  QTest::addColumn<QString>("refusal");  // empty when the dialog closes
  const QString ok = QStringLiteral("/tmp/web/");
  QTest::newRow("create") << "http://example.org/" << ok << "CreateBut" << int(mrOk) << "";
  QTest::newRow("create and capture")
      << "https://example.org/a/" << ok << "CreateCaptureBut" << int(mrYes) << "";
  QTest::newRow("no scheme: http, as a browser takes it")
      << " example.org:8080/a/ " << ok << "CreateBut" << int(mrOk) << "";
  QTest::newRow("empty path") << "http://example.org/" << QString() << "CreateBut" << int(mrCancel)
                              << "The web needs a capture path.";
  QTest::newRow("empty path, capture") << "http://example.org/" << QString() << "CreateCaptureBut"
                                       << int(mrCancel) << "The web needs a capture path.";
  QTest::newRow("no host") << "http://" << ok << "CreateBut" << int(mrCancel)
                           << "The address http:// names no host.";
  QTest::newRow("another scheme")
      << "ftp://example.org/" << ok << "CreateBut" << int(mrCancel)
      << "The scheme \"ftp:\" is not supported: Korvane captures http and https addresses.";
  QTest::newRow("cancel always closes") << ""
                                        << ""
                                        << "CancelBut" << int(mrCancel) << "";
}

void DialogsTest::NewWebClosesOnlyWithAPathAndAHost() {
  QFETCH(QString, url);
  QFETCH(QString, path);
  QFETCH(QString, button);
  QFETCH(int, result);
  QFETCH(QString, refusal);
  ui::TNewWebDialog dialog(TNewForm(param_->Path, DefaultWebName, TNewForm::kCaptureEnabled),
                           *param_, RealFileSystem(), hub_, fixture_->Folder(), nullptr);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  Child<QLineEdit>(&dialog, "UrlEdit")->setText(url);
  Child<QLineEdit>(&dialog, "PathEdit")->setText(path);
  QString shown;
  QPointer<QTimer> watch = WhenShown(QStringLiteral("RefusalBox"), [&shown](QWidget* box) {
    shown = static_cast<QMessageBox*>(box)->text();
    static_cast<QMessageBox*>(box)->button(QMessageBox::Ok)->click();
  });
  Child<QPushButton>(&dialog, button.toLatin1().constData())->click();
  delete watch.data();
  QCOMPARE(shown, refusal);
  QCOMPARE(dialog.isVisible(), !refusal.isEmpty());
  QCOMPARE(int(dialog.Result()), result);
  if (result == mrCancel) return;
  QCOMPARE(dialog.Form().PathEdit, path.toStdString());
  // What the user sees is the address captured.
  QCOMPARE(Child<QLineEdit>(&dialog, "UrlEdit")->text().toStdString(), dialog.Form().UrlEdit);
  QVERIFY(dialog.Form().UrlEdit.starts_with("http"));
  QVERIFY(!dialog.Form().UrlEdit.ends_with(" "));
}

void DialogsTest::NewWebPathFollowsTheAddress() {
  param_->Path = "/data/webs/";
  ui::TNewWebDialog dialog(TNewForm(param_->Path), *param_, RealFileSystem(), hub_,
                           fixture_->Folder(), nullptr);
  dialog.show();
  auto* url = Child<QLineEdit>(&dialog, "UrlEdit");
  url->setText(QStringLiteral("http://example.org/docs/manual/"));
  emit url->editingFinished();
  QCOMPARE(Child<QLineEdit>(&dialog, "PathEdit")->text(), QStringLiteral("/data/webs/MANUAL/"));
  // Without option 2 there is no "Create &and Capture".
  ui::TNewWebDialog link(TNewForm::ForLink(param_->Path, "http://other.org/x/"), *param_,
                         RealFileSystem(), hub_, fixture_->Folder(), nullptr);
  link.show();
  QVERIFY(!Child<QPushButton>(&link, "CreateCaptureBut")->isEnabled());
  QCOMPARE(link.windowTitle(), QStringLiteral("Create new Web"));
  QCOMPARE(Child<QLineEdit>(&link, "UrlEdit")->text(), QStringLiteral("http://other.org/x/"));
}

void DialogsTest::AddUrlClosesOnlyWithAHost_data() {
  QTest::addColumn<QString>("url");
  QTest::addColumn<bool>("closes");
  QTest::addColumn<QString>("refusal");  // the box that keeps the dialog open
  QTest::newRow("preset only") << "http://www." << false
                               << "The host \"www.\" is not a whole name: a dot must stand "
                                  "between two names.";
  QTest::newRow("address") << "http://example.org/page.htm" << true << "";
  QTest::newRow("no host") << "http://" << false << "The address http:// names no host.";
  QTest::newRow("empty") << "" << false << "The web needs an address.";
  QTest::newRow("other protocol without host")
      << "mailto:" << false
      << "The scheme \"mailto:\" is not supported: Korvane captures http and https addresses.";
}

void DialogsTest::AddUrlClosesOnlyWithAHost() {
  QFETCH(QString, url);
  QFETCH(bool, closes);
  QFETCH(QString, refusal);
  ui::TAddUrlDialog dialog(TAddUrlDlg(), *param_, hub_, nullptr);
  dialog.show();
  QCOMPARE(dialog.windowTitle(), QStringLiteral("Add URL to the web"));
  Child<QLineEdit>(&dialog, "UrlEdit")->setText(url);
  QString shown;
  QPointer<QTimer> watch = WhenShown(QStringLiteral("RefusalBox"), [&shown](QWidget* box) {
    shown = static_cast<QMessageBox*>(box)->text();
    static_cast<QMessageBox*>(box)->button(QMessageBox::Ok)->click();
  });
  Child<QPushButton>(&dialog, "OkBut")->click();
  delete watch.data();
  QCOMPARE(shown, refusal);
  QCOMPARE(dialog.isVisible(), !closes);
  QCOMPARE(dialog.result() == QDialog::Accepted, closes);
}

void DialogsTest::SetupKeepsOldValuesOnBadNumbersAndCancelChangesNothing() {
  param_->Timeout = 45;
  param_->ProxyPort = 8080;
  {
    ui::TSetupDialog dialog(*param_, RealFileSystem(), fixture_->Folder(), nullptr);
    dialog.show();
    Child<QLineEdit>(&dialog, "TimeoutEdit")->setText(QStringLiteral("1O"));
    Child<QSpinBox>(&dialog, "SocketMaxEdit")->setValue(7);
    Child<QLineEdit>(&dialog, "DefaultPathEdit")->setText(QStringLiteral("/data/webs"));
    dialog.reject();
  }
  QCOMPARE(param_->MaxSockets, 5);
  QCOMPARE(param_->Timeout, 45);

  ui::TSetupDialog dialog(*param_, RealFileSystem(), fixture_->Folder(), nullptr);
  dialog.ShowPage(3);
  dialog.show();
  QCOMPARE(dialog.findChild<QTabWidget*>(QStringLiteral("Notebook"))->currentIndex(), 2);
  // The proxy boxes follow their check box.
  auto* proxy = Child<QCheckBox>(&dialog, "ProxyUseCheckBox");
  QVERIFY(!Child<QLineEdit>(&dialog, "ProxyAdressEdit")->isEnabled());
  proxy->click();
  QVERIFY(Child<QLineEdit>(&dialog, "ProxyAdressEdit")->isEnabled());
  Child<QLineEdit>(&dialog, "ProxyAdressEdit")->setText(QStringLiteral("proxy.lan"));
  Child<QLineEdit>(&dialog, "TimeoutEdit")->setText(QStringLiteral("thirty"));
  Child<QLineEdit>(&dialog, "ProxyPortEdit")->setText(QStringLiteral("80a"));
  Child<QSpinBox>(&dialog, "SocketMaxEdit")->setValue(7);
  Child<QLineEdit>(&dialog, "DefaultPathEdit")->setText(QStringLiteral("/data/webs"));
  Child<QLineEdit>(&dialog, "BookmarkFolderEdit")->clear();
  Child<QPushButton>(&dialog, "OkBut")->click();
  QVERIFY(!dialog.isVisible());
  QCOMPARE(param_->Timeout, 45);
  QCOMPARE(param_->ProxyPort, 8080);
  QCOMPARE(param_->MaxSockets, 7);
  QVERIFY(param_->UseProxy);
  QCOMPARE(param_->ProxyAdress, std::string("proxy.lan"));
  QCOMPARE(param_->Path, std::string("/data/webs/"));
  QCOMPARE(param_->BookmarkFolder, std::string("Local webs"));
  // OK wrote the settings file.
  const auto ini = RealFileSystem().ReadFile(param_->SettingsFileName());
  QVERIFY(ini && ini->find("MaxSockets=7") != std::string::npos);
}

void DialogsTest::WorkPathDialogCreatesTheFolderOnlyWhenAsked() {
  const std::string wanted = fixture_->Folder() + "new/work";
  for (TModalResult answer : {mrNo, mrYes}) {
    ui::TWorkPathDialog dialog(RealFileSystem(), wanted + "//", fixture_->Folder(), nullptr);
    dialog.show();
    QCOMPARE(Child<QLineEdit>(&dialog, "WorkPathEdit")->text(),
             QString::fromStdString(wanted + "//"));
    WhenShown(QStringLiteral("MessageBox"), [answer](QWidget* box) {
      for (QPushButton* b : box->findChildren<QPushButton*>()) {
        if (b->text().remove(QLatin1Char('&')) == (answer == mrYes ? "Yes" : "No")) b->click();
      }
    });
    dialog.accept();
    QCOMPARE(dialog.isVisible(), answer == mrNo);
    QCOMPARE(std::filesystem::is_directory(wanted), answer == mrYes);
    if (answer == mrYes) QCOMPARE(dialog.WorkPath(), wanted + "/");
  }
}

void DialogsTest::ErrorBoxAnswersWithTheButtonPressed() {
  const TMessageBoxContent box = ErrorBox(TErrorKind::kConnection, "\r\nRename Web's URL?",
                                          mbYes | mbNo, 0, "http://nowhere.invalid/");
  QString shown;
  WhenShown(QStringLiteral("MessageBox"), [&shown](QWidget* w) {
    shown = static_cast<QMessageBox*>(w)->text();
    for (QPushButton* b : w->findChildren<QPushButton*>()) {
      if (b->text().remove(QLatin1Char('&')) == "No") b->click();
    }
  });
  QCOMPARE(int(ui::ShowMessageBox(nullptr, box)), int(mrNo));
  QVERIFY(shown.startsWith(QStringLiteral("URL :http://nowhere.invalid/\nCannot reach server,")));
  QVERIFY(shown.endsWith(QStringLiteral("\n\nRename Web's URL?")));
}

// An exception out of an event handler (a counter overflow once aborted the program) is said in
// a box with its words; the event is not handled and the program goes on.
void DialogsTest::AnExceptionLeavingAHandlerEndsOnlyItsAction() {
  QString box_text;
  WhenShown(QStringLiteral("MessageBox"), [&box_text](QWidget* box) {
    box_text = static_cast<QMessageBox*>(box)->text();
    static_cast<QMessageBox*>(box)->button(QMessageBox::Ok)->click();
  });
  QVERIFY(!ui::DeliverGuarded([]() -> bool { throw std::runtime_error("Integer overflow"); }));
  QVERIFY2(
      box_text.startsWith(QStringLiteral("The action was stopped by an error: Integer overflow.")),
      qPrintable(box_text));
  QVERIFY(ui::DeliverGuarded([] { return true; }));
}

void DialogsTest::EveryDialogHasOneControlPerAltKey() {
  std::vector<std::unique_ptr<QDialog>> dialogs;
  dialogs.push_back(std::make_unique<ui::TNewWebDialog>(
      TNewForm(param_->Path, DefaultWebName, TNewForm::kCaptureEnabled), *param_, RealFileSystem(),
      hub_, fixture_->Folder(), nullptr));
  dialogs.push_back(std::make_unique<ui::TAddUrlDialog>(TAddUrlDlg(), *param_, hub_, nullptr));
  dialogs.push_back(
      std::make_unique<ui::TSetupDialog>(*param_, RealFileSystem(), fixture_->Folder(), nullptr));
  dialogs.push_back(std::make_unique<ui::TWorkPathDialog>(RealFileSystem(), fixture_->WorkPath(),
                                                          fixture_->Folder(), nullptr));
  dialogs.push_back(std::make_unique<ui::TDirectoryDialog>(
      RealFileSystem(), "Select", fixture_->Folder(), fixture_->Folder(), true, nullptr));
  dialogs.push_back(std::make_unique<ui::TCopyDialog>("Copy", "/a/", "/b/", nullptr));
  dialogs.push_back(std::make_unique<ui::TResolveDialog>(nullptr));
  dialogs.push_back(std::make_unique<ui::TStopDialog>(nullptr));
  for (auto& dialog : dialogs) {
    dialog->show();
    // Buttons that could only do nothing are not offered: the test navigator cannot be asked for
    // its page.
    for (const char* name : {"NavUrlBut", "NavDomainBut"}) {
      if (auto* b = Child<QPushButton>(dialog.get(), name)) QVERIFY2(!b->isVisible(), name);
    }
    const QStringList clashes = MnemonicClashes(dialog.get());
    QVERIFY2(clashes.isEmpty(), qPrintable(clashes.join(u'\n')));
    const QStringList reversals = TabOrderReversals(dialog.get());
    QVERIFY2(reversals.isEmpty(),
             qPrintable(dialog->objectName() + QStringLiteral(": ") + reversals.join(u'\n')));
    // Escape leaves every dialog as Cancel does; the first-run dialog has no Cancel, the
    // program cannot go on without a work path.
    if (dialog->objectName() == QStringLiteral("WorkPathDlg")) continue;
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    QVERIFY2(!dialog->isVisible(), qPrintable(dialog->objectName()));
    QVERIFY2(dialog->result() == QDialog::Rejected, qPrintable(dialog->objectName()));
  }
}

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
