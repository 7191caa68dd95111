// TMainWin: the program's main window. It holds at most one open web, shows it on six tabs,
// runs captures on it and offers every command through its menus and buttons. Each decision is
// the core's (TMainWindowModel, TWebForm, the URL list, the MIME grid's model...): the window
// carries out the steps they return, in the order their comments give.
#pragma once

#include <QDialog>
#include <QMainWindow>
#include <QPointer>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/app_core.h"
#include "app/capture_progress_model.h"
#include "app/main_window_model.h"
#include "app/url_list_model.h"
#include "app/web_tab_model.h"
#include "base/date_time.h"
#include "engine/capture_run.h"
#include "engine/capture_view.h"
#include "engine/recent_webs.h"
#include "engine/web.h"
#include "pages/bookmarks.h"
#include "settings/param.h"
#include "store/mime_list.h"
#include "ui/desktop_navigator.h"

class QAbstractButton;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QPlainTextEdit;
class QTabWidget;
class QTimer;

namespace korvane {
class TNavigatorPlatform;
class TProfile;
}  // namespace korvane

namespace korvane::ui {

class TBookmarkHooksQt;
class TMeterWidget;
class TMimeGrid;
class TMultimediaView;
class TPolitenessGroup;
class TResolveDialog;
class TRulesEditor;
class TRunStepper;
class TSettingsDialogsQt;
class TSocketPump;
class TUrlListView;

// What the window stands on: the platform's services, so that tests give their own.
struct TDesktopSetup {
  TFileSystem* FileSystem = nullptr;        // the machine's when null
  TProfile* Profile = nullptr;              // the user's profile when null
  TNavigatorPlatform* Navigator = nullptr;  // the desktop's when null
  std::string ProgramFolder;                // the data folder when empty
  std::vector<std::string> Arguments;       // the command line, without the program's name
};

class TMainWin : public QMainWindow {
  Q_OBJECT
 public:
  explicit TMainWin(const TDesktopSetup& setup, QWidget* parent = nullptr);
  ~TMainWin() override;

  // For the tests and the tools that drive the window.
  TWEB* Web() { return web_.get(); }
  const TMainWindowModel& Model() const { return model_; }
  TParam& Param() { return core_->Param(); }
  TCaptureRun* Run() { return run_.get(); }
  const TCaptureRunResult& LastRunResult() const { return last_result_; }
  TMultimediaView& Multimedia() { return *multimedia_; }
  QAction* Action(TCommand command) const;
  TRunStepper& Stepper() { return *stepper_; }

 public slots:
  void NewWeb();
  void RunCapture();
  // A capture that asks again for every kept file and replaces only those that changed.
  void RunUpdate();
  void StopCapture();

 signals:
  // A capture run has ended and the window has done its closing work.
  void CaptureFinished();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  class TRunHooks;
  class TCaptureTab;

  // Construction.
  void CreateActions();
  void CreateMenus();
  QWidget* CreateCentre();
  QWidget* WebTab();
  QWidget* OptionsTab();
  QWidget* RequestsGroup(QWidget* tab);
  QWidget* FileTab();
  QWidget* CaptureTab();
  QWidget* UrlTab();
  QWidget* MultimediaTab();
  QAction* AddAction(TCommand command, const QString& text, void (TMainWin::*slot)(),
                     const QKeySequence& shortcut = {});
  void BindButton(QAbstractButton* button, TCommand command);
  void ReadGeometry();
  void WriteGeometry();
  void HandleCommandLine(const std::vector<std::string>& arguments);

  // The web and its form.
  void OpenWeb(std::unique_ptr<TWEB> web, bool capture);
  void ShowWeb();
  void StoreWeb();
  TWebForm ReadForm() const;
  void ShowForm(const TWebForm& form);
  void ShowFigures();
  bool SaveWeb();
  bool SaveWebAs();
  bool CloseWeb();
  // What closing or deleting the web leaves: no web, its lists emptied, the first page shown.
  void ForgetWeb();
  bool LoadAndOpen(const std::string& project_file);
  void UpdateCaption();
  void UpdateCommands();
  void UpdateEnabledFields();
  void RebuildRecentMenu();
  void RebuildUrlList();
  void RebuildDocumentList();
  void TitleExit();
  void TabChanged(int tab);
  std::string ProjectFolderOfWeb() const;

  // Commands.
  void OpenCommand();
  void SaveCommand();
  void SaveAsCommand();
  void CloseCommand();
  void ExitCommand();
  void ResolveLinksCommand();
  void ResetCommand();
  void CopyCommand();
  void MoveCommand();
  void CopyOrMove(bool move);
  void DeleteCommand();
  void AddUrlCommand();
  void AddBookmarkCommand();
  void LocalWebsCommand();
  void HomeCommand();
  void HtmlPagesCommand();
  void ImagesCommand();
  void LogPageCommand();
  void ClearCookiesCommand();
  void ImageMapCommand();
  void SetupCommand();
  void SaveOptionsCommand();
  void HelpIndexCommand();
  void HelpGlossaryCommand();
  void HelpFaqCommand();
  void AboutCommand();
  void OpenWebPage(std::string_view file_name);
  void OpenHelpPage(const char* file_name);
  void ForceCaptureCommand();
  void CreateNewWebFromLink();
  void UrlListBrowse();
  void UrlSelected();

  // Capture runs.
  void ClearSlotRows();
  void ShowCaptureFigures(const TCaptureCounters& counters, const std::string& total_size,
                          const std::string& free_disk);
  void RunFinished();
  void ExplainFailure(const TCaptureFailure& failure);
  void AfterCapture();
  void StartRun(bool update);
  // Resolves the web's links with the progress window; mrOk when they were resolved to the end,
  // mrCancel when cancelled, mrNone when an error ended it (said in a box).
  TModalResult ResolveWeb();
  // Offers to finish a resolve that was cancelled, as often as it is cancelled again; true once
  // the links are resolved to the end.
  bool OfferToFinishResolving();
  void DismissRunQuestions();
  void ShowRunning(bool running);
  // Once a second during a run: the overall progress, the rate, the time left and the state of
  // a stop that waits for its transfers.
  void ShowProgress();
  void SayCaptureEnded();

  TFileSystem& fs_;
  std::string program_folder_;
  std::unique_ptr<TSettingsDialogsQt> settings_dialogs_;
  std::unique_ptr<TDesktopNavigatorPlatform> desktop_navigator_;
  std::unique_ptr<TAppCore> core_;
  std::unique_ptr<TBookmarkHooksQt> bookmark_hooks_;
  TBookMarks bookmarks_;
  TRecentWebs recent_;
  TMainWindowModel model_;
  TSystemClock clock_;
  std::unique_ptr<TWEB> web_;
  std::string shown_title_;

  TSocketPump* pump_;
  TRunStepper* stepper_;
  std::unique_ptr<TRunHooks> hooks_;
  std::unique_ptr<TCaptureTab> capture_tab_;
  std::unique_ptr<TCaptureRun> run_;
  TCaptureRunResult last_result_;
  int remembered_tab_ = 0;
  TCaptureProgressModel progress_;
  QTimer* progress_timer_ = nullptr;
  QPointer<QDialog> run_question_;
  QPointer<TResolveDialog> resolve_dialog_;

  std::map<TCommand, QAction*> actions_;
  std::multimap<TCommand, QAbstractButton*> buttons_;
  QMenu* file_menu_ = nullptr;
  QAction* recent_separator_ = nullptr;
  std::vector<QAction*> recent_actions_;

  QStackedWidget* centre_ = nullptr;
  QTabWidget* notebook_ = nullptr;
  // Web
  QLineEdit* url_edit_ = nullptr;
  QLineEdit* path_edit_ = nullptr;
  QLineEdit* title_edit_ = nullptr;
  QLineEdit* page_count_edit_ = nullptr;
  QLineEdit* date_edit_ = nullptr;
  QLineEdit* size_edit_ = nullptr;
  QPushButton* local_webs_button_ = nullptr;
  // Options
  QCheckBox* internal_path_limit_ = nullptr;
  TPolitenessGroup* politeness_ = nullptr;
  QSpinBox* internal_depth_ = nullptr;
  QSpinBox* external_web_depth_ = nullptr;
  QCheckBox* external_path_limit_ = nullptr;
  QSpinBox* external_depth_ = nullptr;
  QLabel* external_depth_label_ = nullptr;
  QCheckBox* real_link_ = nullptr;
  QCheckBox* suppress_link_ = nullptr;
  QCheckBox* ref_limit_ = nullptr;
  QCheckBox* background_only_ = nullptr;
  QCheckBox* max_time_check_ = nullptr;
  QLineEdit* max_time_edit_ = nullptr;
  QLineEdit* username_ = nullptr;
  QLineEdit* password_ = nullptr;
  QCheckBox* cookies_ = nullptr;
  QPushButton* clear_cookies_ = nullptr;
  TRulesEditor* rules_editor_ = nullptr;
  QCheckBox* send_referer_ = nullptr;
  QCheckBox* site_layout_ = nullptr;
  QCheckBox* delete_gone_ = nullptr;
  QComboBox* http_version_ = nullptr;
  QPlainTextEdit* request_headers_ = nullptr;
  QLabel* headers_problem_ = nullptr;
  const TWEB* headers_web_ = nullptr;  // the web whose headers the edit shows
  // File
  struct TLimitWidgets {
    QCheckBox* check = nullptr;
    QLineEdit* edit = nullptr;
  };
  TLimitWidgets max_file_count_, min_file_size_, max_file_size_, max_disk_size_;
  TMimeGrid* mime_grid_ = nullptr;
  // URL
  QCheckBox* resolved_url_ = nullptr;
  QCheckBox* todo_url_ = nullptr;
  QCheckBox* error_url_ = nullptr;
  QCheckBox* filtered_url_ = nullptr;
  TUrlListView* url_list_ = nullptr;
  QLineEdit* url_search_ = nullptr;
  QLineEdit* url_list_url_ = nullptr;
  QLineEdit* url_list_file_ = nullptr;
  QLineEdit* url_list_date_ = nullptr;
  QPushButton* list_brows_but_ = nullptr;
  std::vector<TUrlRecord> url_records_;
  std::vector<TUrlEntry> url_entries_;
  // Multimedia: the boxes are the view's, read and shown with the form.
  TMultimediaView* multimedia_ = nullptr;
  QCheckBox* list_gif_ = nullptr;
  QCheckBox* list_jpeg_ = nullptr;
  QCheckBox* list_avi_ = nullptr;
  QCheckBox* list_wav_ = nullptr;
  QCheckBox* stretch_image_ = nullptr;
};

}  // namespace korvane::ui
