#include "ui/main_window.h"
#include "ui/main_window_parts.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>

#include "app/web_commands.h"
#include "base/data_folder.h"
#include "settings/navigator.h"
#include "store/local_names.h"
#include "ui/desktop_navigator.h"
#include "ui/gf_image.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"
#include "ui/resolve_dialog.h"
#include "ui/resources.h"
#include "ui/run_stepper.h"
#include "ui/settings_dialogs.h"
#include "ui/socket_pump.h"

namespace korvane::ui {

TMainWin::TMainWin(const TDesktopSetup& setup, QWidget* parent)
    : QMainWindow(parent),
      fs_(setup.FileSystem ? *setup.FileSystem : RealFileSystem()),
      program_folder_(setup.ProgramFolder.empty() ? DataFolder()
                                                  : WithSeparator(setup.ProgramFolder)),
      bookmarks_(fs_) {
  setObjectName(QStringLiteral("MainWin"));
  LoadResources();
  // The program goes on without a picture decoder: pictures are then not shown.
  if (!TGFimage::DecoderLoaded()) {
    Tell(nullptr, TGFimage::kNotLoadedMessage, "Information", TBoxIcon::kInformation);
  }
  // The settings first: the first run asks for the work path before anything is shown.
  settings_dialogs_ = std::make_unique<TSettingsDialogsQt>(fs_, program_folder_, this);
  TAppSetup core_setup;
  core_setup.FileSystem = &fs_;
  core_setup.Profile = setup.Profile;
  if (!setup.Navigator) {
    desktop_navigator_ = std::make_unique<TDesktopNavigatorPlatform>(SystemNavigatorPlatform());
  }
  core_setup.Navigator = setup.Navigator ? setup.Navigator : desktop_navigator_.get();
  core_setup.Dialogs = settings_dialogs_.get();
  core_ = std::make_unique<TAppCore>(core_setup);
  if (const std::string warning = core_->Start(TSettingsWriteBack::kAlways); !warning.empty()) {
    Tell(this, warning, "Warning", TBoxIcon::kExclamation);
  }
  bookmark_hooks_ = std::make_unique<TBookmarkHooksQt>(core_->Param(), this);
  recent_.Load(fs_, core_->Param().WorkPath());

  pump_ = new TSocketPump(this);
  stepper_ = new TRunStepper(*pump_, this);
  connect(stepper_, &TRunStepper::Finished, this, &TMainWin::RunFinished);
  progress_timer_ = new QTimer(this);
  progress_timer_->setInterval(1000);
  connect(progress_timer_, &QTimer::timeout, this, &TMainWin::ShowProgress);

  CreateActions();
  CreateMenus();
  setCentralWidget(CreateCentre());
  // Made now rather than at the first message, so the window does not change height then.
  statusBar()->setObjectName(QStringLiteral("StatusBar"));
  setMinimumSize(640, 480);
  ReadGeometry();
  RebuildRecentMenu();
  UpdateCaption();
  UpdateCommands();
  HandleCommandLine(setup.Arguments);
}

QAction* TMainWin::AddAction(TCommand command, const QString& text, void (TMainWin::*slot)(),
                             const QKeySequence& shortcut) {
  auto* action = new QAction(text, this);
  action->setShortcut(shortcut);
  connect(action, &QAction::triggered, this, slot);
  actions_[command] = action;
  return action;
}

QAction* TMainWin::Action(TCommand command) const {
  auto it = actions_.find(command);
  return it == actions_.end() ? nullptr : it->second;
}

void TMainWin::BindButton(QAbstractButton* button, TCommand command) {
  buttons_.emplace(command, button);
  connect(button, &QAbstractButton::clicked, Action(command), &QAction::trigger);
}

void TMainWin::CreateActions() {
  using C = TCommand;
  AddAction(C::kNew, tr("&New..."), &TMainWin::NewWeb, QKeySequence::New);
  AddAction(C::kOpen, tr("&Open..."), &TMainWin::OpenCommand, QKeySequence::Open);
  AddAction(C::kSave, tr("&Save"), &TMainWin::SaveCommand, QKeySequence::Save);
  AddAction(C::kSaveAs, tr("Save &As..."), &TMainWin::SaveAsCommand, QKeySequence::SaveAs);
  AddAction(C::kClose, tr("&Close"), &TMainWin::CloseCommand, QKeySequence::Close);
  AddAction(C::kExit, tr("&Exit"), &TMainWin::ExitCommand, QKeySequence::Quit);
  AddAction(C::kStart, tr("&Start"), &TMainWin::RunCapture, Qt::Key_F5);
  AddAction(C::kUpdate, tr("&Update"), &TMainWin::RunUpdate, Qt::CTRL | Qt::Key_F5);
  AddAction(C::kStop, tr("Sto&p"), &TMainWin::StopCapture, Qt::SHIFT | Qt::Key_F5);
  AddAction(C::kResolveLinks, tr("&Resolve links"), &TMainWin::ResolveLinksCommand,
            Qt::CTRL | Qt::Key_L);
  AddAction(C::kReset, tr("&Reset"), &TMainWin::ResetCommand);
  AddAction(C::kCopy, tr("&Copy..."), &TMainWin::CopyCommand);
  AddAction(C::kMove, tr("&Move..."), &TMainWin::MoveCommand);
  AddAction(C::kDelete, tr("&Delete"), &TMainWin::DeleteCommand);
  AddAction(C::kImageMap, tr("&Image MAP..."), &TMainWin::ImageMapCommand);
  AddAction(C::kAddUrl, tr("&Add URL..."), &TMainWin::AddUrlCommand, Qt::CTRL | Qt::Key_U);
  AddAction(C::kAddBookmark, tr("Add &Bookmark"), &TMainWin::AddBookmarkCommand,
            Qt::CTRL | Qt::Key_D);
  AddAction(C::kLocalWebs, tr("&Locals web"), &TMainWin::LocalWebsCommand);
  AddAction(C::kHome, tr("H&ome"), &TMainWin::HomeCommand, Qt::ALT | Qt::Key_Home);
  AddAction(C::kHtmlPages, tr("&HTML Pages"), &TMainWin::HtmlPagesCommand);
  AddAction(C::kImages, tr("&Images"), &TMainWin::ImagesCommand);
  AddAction(C::kLogPage, tr("Lo&g page..."), &TMainWin::LogPageCommand, Qt::CTRL | Qt::Key_L);
  AddAction(C::kSetup, tr("&Setup..."), &TMainWin::SetupCommand, QKeySequence::Preferences);
  AddAction(C::kSaveOptions, tr("S&ave options"), &TMainWin::SaveOptionsCommand);
  AddAction(C::kHelpIndex, tr("&Index"), &TMainWin::HelpIndexCommand, QKeySequence::HelpContents);
  AddAction(C::kHelpGlossary, tr("&Glossary"), &TMainWin::HelpGlossaryCommand);
  AddAction(C::kHelpFaq, tr("&FAQ"), &TMainWin::HelpFaqCommand);
  AddAction(C::kAbout, tr("&About..."), &TMainWin::AboutCommand);
}

void TMainWin::CreateMenus() {
  using C = TCommand;
  file_menu_ = menuBar()->addMenu(tr("&File"));
  for (C c : {C::kNew, C::kOpen, C::kSave, C::kSaveAs, C::kClose}) file_menu_->addAction(Action(c));
  recent_separator_ = file_menu_->addSeparator();
  for (std::size_t i = 0; i < TRecentWebs::kMenuEntries; ++i) {
    auto* action = new QAction(this);
    action->setVisible(false);
    connect(action, &QAction::triggered, this, [this, i] {
      if (i >= recent_.Files().size() || !model_.CommandEnabled(TCommand::kRecentWeb, {})) return;
      const std::string file = recent_.Files()[i];
      if (CloseWeb()) LoadAndOpen(file);
    });
    recent_actions_.push_back(action);
    file_menu_->addAction(action);
  }
  file_menu_->addSeparator();
  file_menu_->addAction(Action(C::kExit));

  QMenu* capture = menuBar()->addMenu(tr("&Capture"));
  for (C c : {C::kStart, C::kUpdate, C::kStop, C::kResolveLinks}) capture->addAction(Action(c));
  QMenu* web = menuBar()->addMenu(tr("&Web"));
  for (C c : {C::kReset, C::kCopy, C::kMove, C::kDelete}) web->addAction(Action(c));
  web->addSeparator();
  for (C c : {C::kImageMap, C::kAddUrl, C::kAddBookmark}) web->addAction(Action(c));
  QMenu* html = menuBar()->addMenu(tr("H&TML"));
  for (C c : {C::kLocalWebs, C::kHome, C::kHtmlPages, C::kImages}) html->addAction(Action(c));
  html->addSeparator();
  html->addAction(Action(C::kLogPage));
  QMenu* preferences = menuBar()->addMenu(tr("P&references"));
  for (C c : {C::kSetup, C::kSaveOptions}) preferences->addAction(Action(c));
  QMenu* help = menuBar()->addMenu(tr("&Help"));
  for (C c : {C::kHelpIndex, C::kHelpGlossary, C::kHelpFaq}) help->addAction(Action(c));
  help->addSeparator();
  help->addAction(Action(C::kAbout));
}

void TMainWin::RebuildRecentMenu() {
  const TOPTIONS& defaults = core_->Param().DefaultOptions;
  const std::vector<std::string> entries = recent_.MenuEntries(
      [&](const std::string& file) { return ReadProjectTitle(file, defaults, fs_); });
  for (std::size_t i = 0; i < recent_actions_.size(); ++i) {
    QAction* action = recent_actions_[i];
    action->setVisible(i < entries.size());
    if (i < entries.size()) {
      action->setText(TitleToQt(entries[i]));
      action->setStatusTip(ToQt(recent_.Files()[i]));
    }
  }
  recent_separator_->setVisible(!entries.empty());
}

void TMainWin::ReadGeometry() {
  QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("korvane"),
                     QStringLiteral("window"));
  if (!restoreGeometry(settings.value(QStringLiteral("MainWin/Geometry")).toByteArray())) {
    // Tall enough for the Capture tab's nine slot rows without scrolling, where the screen is.
    resize(QSize(760, 650).boundedTo(screen()->availableGeometry().size()));
  }
}

void TMainWin::WriteGeometry() {
  QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("korvane"),
                     QStringLiteral("window"));
  settings.setValue(QStringLiteral("MainWin/Geometry"), saveGeometry());
}

void TMainWin::HandleCommandLine(const std::vector<std::string>& arguments) {
  const TCommandLine command = ParseCommandLine(arguments);
  const TStartupPlan plan = PlanStartup(
      command, fs_, core_->Param().Path, WebFolderName, [this](const std::string& file) {
        return ReadProjectUrl(file, core_->Param().DefaultOptions, fs_);
      });
  TMadeWeb made =
      OpenStartupWeb(plan, core_->Param().DefaultOptions, core_->GlobalMime().List(), fs_);
  if (made.Web) {
    OpenWeb(std::move(made.Web), plan.Capture);
  } else if (!made.Error.empty()) {
    Tell(this, made.Error, "Error", TBoxIcon::kStop);
  }
}

void TMainWin::closeEvent(QCloseEvent* event) {
  switch (model_.CloseQuery()) {
    case TMainWindowModel::TCloseStep::kRefuse:
      event->ignore();
      return;
    case TMainWindowModel::TCloseStep::kAskAbort: {
      event->ignore();
      QMessageBox box(QMessageBox::Question, ToQt(TMainWindowModel::kAbortCaption),
                      ToQt(TMainWindowModel::kAbortQuestion), QMessageBox::Ok | QMessageBox::Cancel,
                      this);
      box.setObjectName(QStringLiteral("AbortBox"));
      box.setDefaultButton(QMessageBox::Cancel);
      run_question_ = &box;
      box.exec();
      const bool ok = box.clickedButton() == box.button(QMessageBox::Ok);
      run_question_ = nullptr;
      // The run collects the stop at its next step; the window closes when the run has ended.
      if (model_.AnswerAbort(ok ? mrOk : mrCancel)) {
        UpdateCommands();
        stepper_->StepSoon();
      }
      return;
    }
    case TMainWindowModel::TCloseStep::kCloseWeb:
      break;
  }
  if (!CloseWeb()) {
    event->ignore();
    return;
  }
  WriteGeometry();
  if (!recent_.Save(fs_, core_->Param().WorkPath())) {
    Tell(this, "The list of recent webs could not be written (" + fs_.LastError() + ").", "Warning",
         TBoxIcon::kExclamation);
  }
  event->accept();
}

}  // namespace korvane::ui
