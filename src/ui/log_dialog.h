// TLogDialog: a web's log page as a list, oldest line first, filtered by kind and by words, with
// the address and the cause of each failure in columns of their own.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "app/log_page_model.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QTreeWidget;

namespace korvane {
class TFileSystem;
}

namespace korvane::ui {

class TLogDialog : public QDialog {
  Q_OBJECT
 public:
  TLogDialog(const TFileSystem& fs, std::string folder, QWidget* parent);

 private:
  void Reload();
  void ShowEntries();

  const TFileSystem& fs_;
  std::string folder_;
  TLogPage log_;
  std::vector<QCheckBox*> kinds_;  // one per TLogKind
  QLineEdit* search_;
  QTreeWidget* list_;
  QLabel* status_;
};

}  // namespace korvane::ui
