// TAddUrlDialog: the Add URL dialog over TAddUrlDlg ("&Add URL..." and "New web adress").
#pragma once

#include <QDialog>

#include "app/add_url_model.h"

class QLineEdit;

namespace korvane {
class TParam;
class TSocketHub;
}  // namespace korvane

namespace korvane::ui {

class TAddUrlDialog : public QDialog {
  Q_OBJECT
 public:
  TAddUrlDialog(TAddUrlDlg model, TParam& param, TSocketHub& hub, QWidget* parent);

  const TAddUrlDlg& Model() const { return model_; }
  // True when closed with "&OK"; the address is then Model().CanonicalUrl().
  bool Run() { return exec() == QDialog::Accepted; }

 public:
  void accept() override;

 private:
  void Read() { model_.UrlEdit = Text(); }
  std::string Text() const;
  void FromNavigator(bool domain_only);

  TAddUrlDlg model_;
  TParam& param_;
  TSocketHub& hub_;
  QLineEdit* url_edit_;
};

// Tells the user `warning` about the address of a dialog; true when they go on with it (OK),
// false when they go back to the dialog. True at once when there is no warning.
bool AddressWarningAccepted(QWidget* parent, const std::string& caption,
                            const std::string& warning);

}  // namespace korvane::ui
