// TStopDialog: "Stop capture", with "Complete captures in progress".
#pragma once

#include <QDialog>

class QCheckBox;

namespace korvane::ui {

class TStopDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TStopDialog(QWidget* parent);
  bool CompleteInProgress() const;

 private:
  QCheckBox* complete_;
};

}  // namespace korvane::ui
