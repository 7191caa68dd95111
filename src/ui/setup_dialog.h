// TSetupDialog: "Korvane Setup" over TParamForm, its four pages chosen by tabs at the bottom.
#pragma once

#include <QDialog>
#include <string>

#include "app/setup_model.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;
class QTabWidget;

namespace korvane::ui {

class TSetupDialog : public QDialog {
  Q_OBJECT
 public:
  TSetupDialog(TParam& param, TFileSystem& fs, std::string program_folder, QWidget* parent);
  ~TSetupDialog() override;

  // EditSettings(page): 1 Communication ... 4 HTML Pages; 0 leaves the first page.
  void ShowPage(int page);
  TParamForm& Form() { return form_; }

 public:
  void accept() override;

 private:
  QWidget* CommunicationPage();
  QWidget* DirectoriesPage();
  QWidget* BrowserPage();
  QWidget* HtmlPagesPage();
  void Read();
  void UpdateEnabled();
  void ProxyUseClicked(bool checked);
  void AutoBrowserClicked(bool checked);
  void BrowseBrowser();
  void SelectBrowser(const QString& path);
  void BrowseDirectory();
  void BrowseBookmarks();

  TParam& param_;
  TParamForm form_;
  TFileSystem& fs_;
  std::string program_folder_;
  QTabWidget* pages_;
  QSpinBox* socket_max_;
  QLineEdit* timeout_;
  QSpinBox* try_count_;
  QSpinBox* stop_wait_;
  QCheckBox* proxy_use_;
  QLineEdit* proxy_adress_;
  QLineEdit* proxy_port_;
  QLineEdit* user_agent_;
  QLineEdit* default_path_;
  QCheckBox* native_folder_;
  QCheckBox* auto_launch_;
  QCheckBox* auto_browser_;
  QComboBox* browser_name_;
  QWidget* browser_browse_;
  QCheckBox* auto_add_bookmark_;
  QLineEdit* bookmark_file_;
  QLineEdit* bookmark_folder_;
  QSpinBox* img_col_;
  QSpinBox* img_lig_;
  QSpinBox* img_size_;
  QSpinBox* img_size_min_;
  QCheckBox* img_ratio_;
  QSpinBox* lig_;
};

}  // namespace korvane::ui
