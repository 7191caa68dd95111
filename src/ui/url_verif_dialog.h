// TUrlVerifDialog: "Check actual web presence", the connection probe of an address. The check
// runs on the program's socket library while the window is open; closing it aborts the check.
#pragma once

#include <QDialog>
#include <memory>
#include <string>

class QLabel;

namespace korvane {
class TSocketHub;
class TUrlVerif;
}  // namespace korvane

namespace korvane::ui {

class TUrlVerifDialog : public QDialog {
  Q_OBJECT
 public:
  TUrlVerifDialog(TSocketHub& hub, const std::string& address, QWidget* parent);
  ~TUrlVerifDialog() override;

  QString Message() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;

 private:
  TSocketHub& hub_;
  std::string address_;
  std::unique_ptr<TUrlVerif> verif_;
  QLabel* label_;
};

}  // namespace korvane::ui
