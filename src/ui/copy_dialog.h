// TCopyDialog: "Copy Web" or "Move Web", the progress of a copy or move: the two project files,
// a gauge of 30 boxes and the file being copied. It is shown while the copy runs and repaints at
// once at every file, since the copy does not return to the event loop until it is done.
#pragma once

#include <QDialog>

#include "engine/web.h"

class QLabel;
class QLineEdit;

namespace korvane::ui {

class TGaugeWidget;

class TCopyDialog : public QDialog, public TWebCopyProgress {
  Q_OBJECT
 public:
  TCopyDialog(const std::string& caption, const std::string& source, const std::string& destination,
              QWidget* parent);

  void Start(std::int32_t max_value) override;
  void FileCopied(const std::string& name) override;

 private:
  TGaugeWidget* gauge_;
  QLineEdit* file_name_;
};

}  // namespace korvane::ui
