// TNewWebDialog: the New Web dialog over TNewForm ("&New..." and the URL list's "Create new
// Web"), and TDelFileDialog, the question about files already in the chosen folder.
#pragma once

#include <QDialog>
#include <string>

#include "app/new_web_model.h"

class QLineEdit;
class QPushButton;

namespace korvane {
class TFileSystem;
class TParam;
class TSocketHub;
}  // namespace korvane

namespace korvane::ui {

class TNewWebDialog : public QDialog {
  Q_OBJECT
 public:
  TNewWebDialog(TNewForm form, TParam& param, TFileSystem& fs, TSocketHub& hub,
                std::string program_folder, QWidget* parent);

  // mrOk ("&Create"), mrYes ("Create &and Capture") or mrCancel.
  ~TNewWebDialog() override;

  TModalResult Run();
  TModalResult Result() const { return result_; }
  const TNewForm& Form() const { return form_; }

 public:
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Read();
  void Show();
  void UrlExit();
  void Check();
  void Browse();
  void TryClose(TModalResult result);

  TNewForm form_;
  TParam& param_;
  TFileSystem& fs_;
  TSocketHub& hub_;
  std::string program_folder_;
  TModalResult result_ = mrCancel;
  bool activated_ = false;
  bool closing_ = false;
  QLineEdit* url_edit_;
  QLineEdit* path_edit_;
  QLineEdit* title_edit_;
  QPushButton* capture_button_;
};

// TdelfileDlg: "Create new web", the folder and its file count, "Delete files?" with "&Delete"
// (mrYes), "&Keep" (mrNo) and "&Cancel".
TModalResult AskFolderFiles(QWidget* parent, const std::string& folder,
                            const TFolderContents& contents);

}  // namespace korvane::ui
