// The main window's commands on webs: opening, showing, storing, saving and closing the web, and
// the commands of the File, Web, HTML, Preferences and Help menus and of the URL list.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabWidget>

#include "app/add_url_model.h"
#include "app/maintenance_commands.h"
#include "app/mime_type_model.h"
#include "app/multimedia_model.h"
#include "app/new_web_model.h"
#include "app/web_commands.h"
#include "base/byte_count.h"
#include "engine/web_bookmark.h"
#include "engine/web_cookies.h"
#include "store/local_names.h"
#include "ui/about_dialog.h"
#include "ui/add_url_dialog.h"
#include "ui/copy_dialog.h"
#include "ui/log_dialog.h"
#include "ui/main_window.h"
#include "ui/map_edit_dialog.h"
#include "ui/message_box.h"
#include "ui/mime_grid.h"
#include "ui/multimedia_view.h"
#include "ui/new_web_dialog.h"
#include "ui/qt_text.h"
#include "ui/resolve_dialog.h"
#include "ui/settings_dialogs.h"
#include "ui/socket_pump.h"
#include "ui/url_list_view.h"

namespace korvane::ui {
namespace {

// The hourglass while a project file is read or written.
class TBusyCursor {
 public:
  explicit TBusyCursor(TMainWindowModel& model) : model_(model) {
    model_.SetBusy(true);
    QApplication::setOverrideCursor(Qt::WaitCursor);
  }
  ~TBusyCursor() {
    QApplication::restoreOverrideCursor();
    model_.SetBusy(false);
  }

 private:
  TMainWindowModel& model_;
};

class TMaintenanceQuestions final : public TMaintenanceHooks {
 public:
  explicit TMaintenanceQuestions(QWidget* parent) : parent_(parent) {}
  bool Confirm(const std::string& text, const std::string& caption) override {
    return Ask(parent_, text, caption, mbYes | mbNo, mrNo) == mrYes;
  }
  TModalResult AskYesNoCancel(const std::string& text, const std::string& caption) override {
    return Ask(parent_, text, caption, mbYes | mbNo | mbCancel, mrCancel);
  }
  bool HasTrash() const override { return true; }
  bool MoveToTrash(const std::string& path) override {
    QString ignored;
    if (QFile::moveToTrash(ToQt(path), &ignored)) return true;
    ++not_trashed_;
    return false;
  }
  // Said after the command: the files were told to go to the trash, and were deleted instead.
  void SayWhatMissedTheTrash() const {
    if (not_trashed_ == 0) return;
    Tell(parent_,
         std::to_string(not_trashed_) +
             " file(s) or folder(s) could not go to the trash and were deleted instead.",
         "Warning", TBoxIcon::kExclamation);
  }

 private:
  QWidget* parent_;
  int not_trashed_ = 0;
};

const QString kWebFilter = QStringLiteral("Web file (*.web *.Web *.WEB)");

}  // namespace

// --- the web and its form ---

void TMainWin::OpenWeb(std::unique_ptr<TWEB> web, bool capture) {
  centre_->setCurrentIndex(1);
  notebook_->setCurrentIndex(TMainWindowModel::kWebTab);
  web_ = std::move(web);
  model_.SetWebOpen(true);
  ShowWeb();
  UpdateCaption();
  RebuildDocumentList();
  RebuildUrlList();
  if (!web_->FileName().empty()) recent_.Add(web_->FileName());
  RebuildRecentMenu();
  // Started from the event loop, once the window is up.
  if (capture) QMetaObject::invokeMethod(this, &TMainWin::RunCapture, Qt::QueuedConnection);
}

void TMainWin::ShowWeb() {
  if (!web_) return;
  ShowForm(korvane::ShowWeb(*web_));
  multimedia_->SetStretch(web_->Options().StretchImageFlag);
  mime_grid_->SetRows(MimeRowsFromList(web_->MimeList()));
  ShowFigures();
  UpdateCommands();
}

void TMainWin::StoreWeb() {
  if (!web_) return;
  // A title typed and not left yet renames the bookmark as leaving the box would.
  TitleExit();
  korvane::StoreWeb(ReadForm(), *web_);
  MimeRowsToList(mime_grid_->Rows(), web_->MimeList());
  ShowWeb();
}

void TMainWin::ShowFigures() {
  page_count_edit_->setText(QString::number(web_->CapturedCount()));
  date_edit_->setText(ToQt(WebDateText(web_->CaptureStart())));
  size_edit_->setText(ToQt(WebSizeText(web_->TotalSize())));
  TCaptureCounters counters;
  counters.LinkCount = web_->GetLinkCount();
  counters.FilteredCount = web_->FilteredCount();
  // A damaged web's counters may exceed its link count: nothing is left to explore then.
  counters.TodoCount = web_->GetTodoCount().value_or(0);
  counters.NotFoundCount = web_->NotFoundCount();
  counters.CapturedCount = web_->CapturedCount();
  counters.ErrorCount = web_->ErrorCount();
  ShowCaptureFigures(counters, FormatByteCount(web_->TotalSize()),
                     FormatByteCount(web_->FreeSpace()));
}

bool TMainWin::SaveWeb() {
  if (!web_) return true;
  if (web_->FileName().empty()) return SaveWebAs();
  bool saved = false;
  {
    TBusyCursor busy(model_);
    saved = web_->SaveToFile(web_->FileName());
  }
  recent_.Add(web_->FileName());
  RebuildRecentMenu();
  if (!saved) {
    // The previous file, if any, is whole: the save writes beside it first.
    Tell(this, "The web could not be saved to " + web_->FileName(), "Error", TBoxIcon::kStop);
  }
  return saved;
}

bool TMainWin::SaveWebAs() {
  if (!web_) return true;
  QString start;
  if (!web_->FileName().empty()) {
    start = ToQt(web_->FileName());
  } else {
    start = ToQt(WithSeparator(web_->Path()) + DefaultWebName(web_->Url()) + ".web");
  }
  QFileDialog dialog(this, tr("Saave Web tree"), QFileInfo(start).path(), kWebFilter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("Web"));
  dialog.selectFile(QFileInfo(start).fileName());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  web_->SetFileName(FromQt(dialog.selectedFiles().front()));
  return SaveWeb();
}

bool TMainWin::CloseWeb() {
  if (!web_) return true;
  StoreWeb();
  switch (model_.CloseWebStep(!web_->FileName().empty())) {
    case TMainWindowModel::TCloseWebStep::kNothing:
      return true;
    case TMainWindowModel::TCloseWebStep::kSaveSilently:
      // A web that could not be saved stays open rather than losing its capture.
      if (!SaveWeb()) return false;
      break;
    case TMainWindowModel::TCloseWebStep::kAskSave: {
      const TModalResult answer = Ask(this, TMainWindowModel::kSaveQuestion,
                                      TMainWindowModel::kSaveCaption, mbYes | mbNo | mbCancel);
      if (answer == mrCancel) return false;
      if (answer == mrYes && !SaveWebAs()) return false;
      break;
    }
  }
  ForgetWeb();
  return true;
}

void TMainWin::ForgetWeb() {
  web_.reset();
  model_.SetWebOpen(false);
  centre_->setCurrentIndex(0);
  url_records_.clear();
  url_entries_.clear();
  url_list_->clear();
  multimedia_->Clear();
  UpdateCaption();
  UpdateCommands();
}

bool TMainWin::LoadAndOpen(const std::string& project_file) {
  TMadeWeb opened;
  {
    TBusyCursor busy(model_);
    opened = OpenWebFile(project_file, core_->Param().DefaultOptions, fs_);
  }
  // A project file that cannot be opened is dropped, and said with its reason; no web opens.
  if (!opened.Web) {
    UpdateCommands();
    Tell(this, opened.Error, "Error", TBoxIcon::kStop);
    return false;
  }
  OpenWeb(std::move(opened.Web), false);
  return true;
}

void TMainWin::UpdateCaption() {
  setWindowTitle(TitleToQt(TMainWindowModel::Caption(web_ != nullptr, web_ ? web_->Title() : "",
                                                     web_ ? web_->FileName() : "")));
}

void TMainWin::UpdateCommands() {
  TCommandContext context;
  context.Tab = notebook_ ? notebook_->currentIndex() : 0;
  if (web_) {
    context.CapturedCount = web_->CapturedCount();
    context.MapCount = int(web_->MapList().Count());
  }
  context.Html = HtmlCommandStates(fs_, web_ ? web_->Path() : std::string(),
                                   core_->Param().BookmarkFileName, program_folder_);
  for (const auto& [command, action] : actions_) {
    action->setEnabled(model_.CommandEnabled(command, context));
  }
  for (const auto& [command, button] : buttons_) button->setEnabled(Action(command)->isEnabled());
  for (QAction* recent : recent_actions_) {
    recent->setEnabled(model_.CommandEnabled(TCommand::kRecentWeb, context));
  }
  const QString folder = ToQt(core_->Param().BookmarkFolder);
  Action(TCommand::kLocalWebs)->setText(QStringLiteral("&") + folder);
  local_webs_button_->setText(folder);
  for (int tab = 0; tab < notebook_->count(); ++tab) {
    notebook_->setTabEnabled(tab, model_.TabSelectable(tab));
  }
}

void TMainWin::RebuildUrlList() {
  if (!web_) return;
  const TWebForm form = ReadForm();
  const TUrlListFlags flags{form.ResolvedUrlCheckBox, form.TodoUrlCheckBox, form.ErrorUrlCheckBox,
                            form.FilteredUrlCheckBox};
  url_records_ = UrlRecordsFromTree(web_->Tree());
  url_entries_ = BuildUrlList(url_records_, flags, FromQt(url_search_->text()));
  url_list_->Show(url_records_, url_entries_);
  UrlSelected();
}

void TMainWin::RebuildDocumentList() {
  if (!web_) {
    multimedia_->SetDocuments({}, std::string());
    return;
  }
  multimedia_->SetDocuments(
      BuildDocumentList(DocumentSourcesFromTree(web_->Tree()), web_->Options()),
      WithSeparator(web_->Path()));
}

void TMainWin::UrlSelected() {
  const int row = url_list_->currentRow();
  if (!web_ || row < 0 || std::size_t(row) >= url_entries_.size()) {
    url_list_url_->clear();
    url_list_file_->clear();
    url_list_date_->clear();
    list_brows_but_->setEnabled(false);
    return;
  }
  const TUrlRecord& record = url_records_[url_entries_[std::size_t(row)].Record];
  std::optional<TDateTime> date;
  const QFileInfo file(ToQt(WithSeparator(web_->Path()) + record.FileName));
  if (!record.FileName.empty() && file.exists()) {
    const QDateTime at = file.lastModified();
    date = EncodeDateTime(at.date().year(), at.date().month(), at.date().day(), at.time().hour(),
                          at.time().minute(), at.time().second());
  }
  const TUrlDetails details = UrlDetails(record, date);
  url_list_url_->setText(ToQt(details.UrlListUrlEdit));
  url_list_file_->setText(ToQt(details.UrlListFileNameEdit));
  url_list_date_->setText(ToQt(details.UrlListDateEdit));
  list_brows_but_->setEnabled(details.ListBrowsButEnabled);
}

void TMainWin::UrlListBrowse() {
  const int row = url_list_->currentRow();
  if (!web_ || row < 0 || std::size_t(row) >= url_entries_.size()) return;
  const TUrlRecord& record = url_records_[url_entries_[std::size_t(row)].Record];
  core_->Param().OpenInNavigator(UrlNavigatorTarget(record, web_->Path()), false);
}

void TMainWin::TitleExit() {
  if (!web_) return;
  const std::string title = TitleFromQt(title_edit_->text());
  if (title == shown_title_) return;
  shown_title_ = title;
  web_->SetTitle(title);
  UpdateCaption();
  AddWebBookmark(bookmarks_, core_->Param(), *web_, clock_.Now(), *bookmark_hooks_);
  UpdateCommands();
}

// --- File ---

void TMainWin::NewWeb() {
  if (!model_.CanRunCommand() || !model_.CommandEnabled(TCommand::kNew, {})) return;
  // The open web stays open, with what was typed into it, until the new one is made: a Cancel
  // or a refusal on the way loses nothing of it.
  TNewForm form(core_->Param().Path);
  form.SetFileSystem(&fs_);
  form.UrlEdit = core_->Param().Url;
  TNewWebDialog dialog(std::move(form), core_->Param(), fs_, pump_->Hub(), program_folder_, this);
  const TModalResult result = dialog.Run();
  if (result == mrCancel) return;
  const TNewForm& typed = dialog.Form();
  core_->Param().Url = typed.CanonicalUrl();
  // Asked before the folder's files are offered for deletion: another web is deleted with the
  // Delete command, never by making a new web over it.
  if (const std::string refusal =
          NewWebFolderRefusal(fs_, typed.PathEdit, web_ ? web_->Path() : std::string());
      !refusal.empty()) {
    Tell(this, "The web cannot be made: " + refusal + ".", "Error", TBoxIcon::kStop);
    return;
  }
  const TFolderContents contents = ListFolderContents(fs_, typed.PathEdit);
  if (!contents.Empty()) {
    switch (AskFolderFiles(this, typed.PathEdit, contents)) {
      case mrYes:
        if (const std::string undone = EmptyNewWebFolder(fs_, typed.PathEdit); !undone.empty()) {
          Tell(this, undone, "Error", TBoxIcon::kStop);
        }
        break;
      case mrNo:
        break;
      default:
        return;
    }
  }
  TMadeWeb made =
      CreateNewWeb(typed, core_->Param().DefaultOptions, core_->GlobalMime().List(), fs_);
  if (!made.Web) {
    Tell(this, "The web cannot be made: " + made.Error + ".", "Error", TBoxIcon::kStop);
    return;
  }
  // The open web is saved or given up only now; when its close is cancelled it stays, and the
  // new web, saved nowhere yet, is let go.
  if (!CloseWeb()) return;
  OpenWeb(std::move(made.Web), result == mrYes);
}

void TMainWin::OpenCommand() {
  if (!CloseWeb()) return;
  const QString file = QFileDialog::getOpenFileName(this, tr("Open a Web"),
                                                    ToQt(core_->Param().WorkPath()), kWebFilter);
  if (file.isEmpty()) return;
  LoadAndOpen(FromQt(file));
}

void TMainWin::SaveCommand() {
  StoreWeb();
  SaveWeb();
}

void TMainWin::SaveAsCommand() {
  StoreWeb();
  SaveWebAs();
}

void TMainWin::CloseCommand() { CloseWeb(); }

void TMainWin::ExitCommand() { close(); }

// --- Capture ---

void TMainWin::ResolveLinksCommand() {
  if (!web_ || !model_.CommandEnabled(TCommand::kResolveLinks, {0, web_->CapturedCount(), 0, {}})) {
    return;
  }
  if (ResolveWeb() == mrCancel) OfferToFinishResolving();
}

TModalResult TMainWin::ResolveWeb() {
  StoreWeb();
  TResolveDialog dialog(this);
  TResolveLinks resolver(*web_, core_->Param().SommaireParams, fs_, program_folder_ + "index/",
                         &dialog);
  model_.SetResolving(true);
  UpdateCommands();
  TModalResult result = mrNone;
  try {
    result = dialog.Run(resolver);
  } catch (const std::exception& error) {
    // Pages done so far stay; the error goes where a capture's errors go.
    web_->Log(error.what());
    Tell(this, error.what(), "Error", TBoxIcon::kStop);
  }
  model_.SetResolving(false);
  SaveWeb();
  ShowWeb();
  return result;
}

bool TMainWin::OfferToFinishResolving() {
  while (web_ && ShowMessageBox(this, PartlyResolvedBox()) == mrYes) {
    const TModalResult result = ResolveWeb();
    if (result == mrOk) return true;
    if (result != mrCancel) return false;
  }
  return false;
}

// --- Web ---

void TMainWin::ResetCommand() {
  if (!web_) return;
  TWebForm form = ReadForm();
  MimeRowsToList(mime_grid_->Rows(), web_->MimeList());
  TMaintenanceQuestions questions(this);
  if (!ResetWeb(*web_, form, questions)) return;
  questions.SayWhatMissedTheTrash();
  ShowWeb();
  RebuildUrlList();
  RebuildDocumentList();
}

void TMainWin::CopyCommand() { CopyOrMove(false); }

void TMainWin::MoveCommand() { CopyOrMove(true); }

void TMainWin::CopyOrMove(bool move) {
  if (!web_) return;
  StoreWeb();
  const std::string caption(move ? kMoveCaption : kCopyCaption);
  const QString start = web_->FileName().empty() ? ToQt(web_->Path()) : ToQt(web_->FileName());
  QFileDialog dialog(this, ToQt(caption), QFileInfo(start).path(), kWebFilter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("Web"));
  dialog.selectFile(QFileInfo(start).fileName());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const std::string destination = FromQt(dialog.selectedFiles().front());
  const std::vector<std::string> replaced = web_->CopyWouldReplace(destination);
  if (!replaced.empty() && Ask(this, CopyReplaceQuestion(replaced, destination, move), caption,
                               mbYes | mbNo, mrNo) != mrYes) {
    return;
  }
  TCopyDialog progress(caption, web_->FileName(), destination, this);
  progress.show();
  progress.repaint();
  TWebCopyResult result;
  {
    TBusyCursor busy(model_);
    result = korvane::CopyWeb(*web_, destination, move, recent_, &progress);
  }
  progress.close();
  ShowWeb();
  UpdateCaption();
  RebuildRecentMenu();
  const TCopyOutcome outcome = CopyOutcome(result, destination, move);
  if (!outcome.Text.empty()) {
    Tell(this, outcome.Text, caption,
         outcome.Failed ? TBoxIcon::kExclamation : TBoxIcon::kInformation);
  }
}

void TMainWin::DeleteCommand() {
  if (!web_) return;
  TMaintenanceQuestions questions(this);
  TDeleteWebResult result;
  {
    result =
        korvane::DeleteWeb(*web_, core_->Param(), bookmarks_, recent_, questions, program_folder_);
  }
  if (!result.Deleted) return;
  questions.SayWhatMissedTheTrash();
  if (const std::string undone = DeleteOutcome(result); !undone.empty()) {
    Tell(this, undone, "Error", TBoxIcon::kStop);
  }
  ForgetWeb();
  RebuildRecentMenu();
}

void TMainWin::AddUrlCommand() {
  if (!web_) return;
  TAddUrlDialog dialog(TAddUrlDlg(), core_->Param(), pump_->Hub(), this);
  if (!dialog.Run()) return;
  AddUrl(*web_, dialog.Model().CanonicalUrl());
  ShowFigures();
  RebuildUrlList();
}

void TMainWin::AddBookmarkCommand() {
  if (!web_) return;
  StoreWeb();
  AddWebBookmark(bookmarks_, core_->Param(), *web_, clock_.Now(), *bookmark_hooks_);
  UpdateCommands();
}

// --- HTML ---

void TMainWin::LocalWebsCommand() {
  if (fs_.FileExists(core_->Param().BookmarkFileName)) {
    core_->Param().OpenInNavigator(core_->Param().BookmarkFileName, true);
  }
}

void TMainWin::OpenWebPage(std::string_view file_name) {
  if (!web_) return;
  const std::string page = FindFolderPage(fs_, web_->Path(), file_name);
  if (!page.empty()) core_->Param().OpenInNavigator(page, true);
}

void TMainWin::HomeCommand() { OpenWebPage(kHomePageName); }
void TMainWin::HtmlPagesCommand() { OpenWebPage(IndexPageName(kHtmlIndexBase)); }
void TMainWin::ImagesCommand() { OpenWebPage(IndexPageName(kImageIndexBase)); }

void TMainWin::LogPageCommand() {
  if (!web_) return;
  TLogDialog dialog(fs_, web_->Path(), this);
  dialog.exec();
}

void TMainWin::ClearCookiesCommand() {
  if (!web_) return;
  // A capture under way would write them back at its end.
  if (run_) {
    statusBar()->showMessage(tr("The cookies can be cleared once the capture has ended."));
    return;
  }
  const TClearedCookies cleared = ClearCookies(fs_, CookieFileOf(web_->FileName()));
  if (cleared.Failed) {
    Tell(this, cleared.Words, "Error", TBoxIcon::kStop);
    return;
  }
  statusBar()->showMessage(ToQt(cleared.Words));
}

void TMainWin::ImageMapCommand() {
  if (!web_ || !Action(TCommand::kImageMap)->isEnabled()) return;
  StoreWeb();
  TMapEditDialog editor(*web_, fs_, this);
  editor.Run();
  // Saved zones entered their links into the web.
  ShowFigures();
  RebuildUrlList();
  UpdateCommands();
}

// --- Preferences ---

void TMainWin::SetupCommand() {
  core_->Param().EditSettings(0);
  RebuildRecentMenu();
  UpdateCommands();
}

void TMainWin::SaveOptionsCommand() {
  if (!web_) return;
  StoreWeb();
  if (!web_->SaveDefaultOptions(core_->Param())) {
    Tell(this, core_->Param().SettingsError(), "Error", TBoxIcon::kStop);
  }
}

// --- Help ---

void TMainWin::OpenHelpPage(const char* file_name) {
  core_->Param().OpenInNavigator(program_folder_ + "help/" + file_name, true);
}

void TMainWin::HelpIndexCommand() { OpenHelpPage("index.htm"); }
void TMainWin::HelpGlossaryCommand() { OpenHelpPage("glossair.htm"); }
void TMainWin::HelpFaqCommand() { OpenHelpPage("faq.htm"); }
void TMainWin::AboutCommand() { ShowAbout(this); }

// --- the URL list's pop-up ---

void TMainWin::ForceCaptureCommand() {
  const int row = url_list_->currentRow();
  if (!web_ || row < 0 || std::size_t(row) >= url_entries_.size()) return;
  const TUrlRecord& record = url_records_[url_entries_[std::size_t(row)].Record];
  if (!ForceCaptureEnabled(record)) return;
  web_->ForceCapture(web_->Tree().Find(record.Url));
  ShowFigures();
  RebuildUrlList();
}

void TMainWin::CreateNewWebFromLink() {
  const int row = url_list_->currentRow();
  if (!web_ || row < 0 || std::size_t(row) >= url_entries_.size()) return;
  const TUrlRecord& record = url_records_[url_entries_[std::size_t(row)].Record];
  if (!CreateNewWebEnabled(record)) return;
  TNewForm form = TNewForm::ForLink(core_->Param().Path, record.Url);
  form.SetFileSystem(&fs_);
  TNewWebDialog dialog(std::move(form), core_->Param(), fs_, pump_->Hub(), program_folder_, this);
  if (dialog.Run() == mrCancel) return;
  // A separate web: the current one stays open.
  const std::string error = CreateSeparateWeb(dialog.Form(), core_->Param().DefaultOptions,
                                              core_->GlobalMime().List(), fs_);
  if (!error.empty()) Tell(this, error, "Error", TBoxIcon::kStop);
}

}  // namespace korvane::ui
