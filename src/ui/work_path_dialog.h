// TWorkPathDialog: "First Korvane setup", the first-run dialog over TWorkPathDlg. It has no
// Cancel: it closes only once the work path exists.
#pragma once

#include <QDialog>
#include <string>

#include "app/work_path_model.h"

class QLineEdit;

namespace korvane {
class TFileSystem;
}

namespace korvane::ui {

class TWorkPathDialog : public QDialog {
  Q_OBJECT
 public:
  TWorkPathDialog(TFileSystem& fs, std::string proposed, std::string program_folder,
                  QWidget* parent);

  const std::string& WorkPath() const { return model_.WorkPath(); }

 public:
  void accept() override;
  // Closing the window is one more attempt to close: the program needs a work path.
  void reject() override { accept(); }

 private:
  TFileSystem& fs_;
  TWorkPathDlg model_;
  std::string program_folder_;
  QLineEdit* edit_;
};

}  // namespace korvane::ui
