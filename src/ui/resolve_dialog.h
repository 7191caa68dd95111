// TResolveDialog: "Resolve links", the progress window of a resolution: the site, the page being
// rewritten and a gauge of 24 boxes, with "&Cancel". After a capture the capture run steps the
// resolution and this window only shows it; from the menu, Run steps it from the event loop.
#pragma once

#include <QDialog>
#include <QTimer>
#include <functional>

#include "engine/resolve_links.h"

class QLabel;

namespace korvane::ui {

class TGaugeWidget;

class TResolveDialog : public QDialog, public TResolveView {
  Q_OBJECT
 public:
  explicit TResolveDialog(QWidget* parent);

  // "&Cancel" calls this.
  std::function<void()> OnCancel;
  // Steps `resolver` (whose view is this window) to its end, a batch per event-loop turn; mrOk
  // when it finished, mrCancel when it was cancelled.
  TModalResult Run(TResolveLinks& resolver);
  // Shows the window over a resolution that another owner steps (a capture run's): "&Cancel"
  // then only asks it to stop, and the owner closes the window once the work has ended, since
  // the work still reports to it until then.
  void ShowFor(std::function<void()> cancel);

  void SetPhase(TResolvePhase phase) override;
  void SetSite(std::string_view site) override;
  void SetFile(std::string_view file) override;
  void SetGauge(std::int64_t max, std::int64_t progress) override;

 public:
  void reject() override;

 private:
  QLabel* site_label_;
  QLabel* file_label_;
  TGaugeWidget* gauge_;
  TResolveLinks* running_ = nullptr;
  bool owned_elsewhere_ = false;
  QTimer step_timer_;
};

}  // namespace korvane::ui
