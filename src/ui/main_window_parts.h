// The main window's private parts shared by its source files: the Capture tab as a capture
// session shows itself on it, and the hooks through which a capture run reports to the window.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <optional>

#include "ui/main_window.h"
#include "ui/meter_widget.h"
#include "ui/qt_text.h"

namespace korvane::ui {

// The Capture tab as the session shows itself on it.
class TMainWin::TCaptureTab final : public TCaptureView {
 public:
  struct TSlot {
    QLineEdit* web = nullptr;
    QLineEdit* url = nullptr;
    QLineEdit* state = nullptr;
    QLineEdit* size = nullptr;
    TMeterWidget* meter = nullptr;
  };

  QLineEdit* counters[6] = {};
  QLineEdit* total_size = nullptr;
  QLineEdit* free_disk = nullptr;
  QLineEdit* received = nullptr;
  QLabel* received_label = nullptr;
  QLabel* time_panel = nullptr;
  TSlot rows[TMainWindowModel::kSlotRows];
  QListWidget* documents = nullptr;
  const TOPTIONS* options = nullptr;

  void ShowCounters(const TCaptureCounters& c) override {
    const std::uint16_t values[] = {c.LinkCount,     c.FilteredCount, c.TodoCount,
                                    c.NotFoundCount, c.CapturedCount, c.ErrorCount};
    for (int i = 0; i < 6; ++i) counters[i]->setText(QString::number(values[i]));
  }
  void ShowSlot(int slot, TSlotField field, const std::string& text) override {
    if (!TMainWindowModel::SlotShown(slot)) return;
    TSlot& row = rows[slot - 1];
    QLineEdit* edit = field == TSlotField::kWeb    ? row.web
                      : field == TSlotField::kUrl  ? row.url
                      : field == TSlotField::kSize ? row.size
                                                   : row.state;
    edit->setText(ToQt(text));
    if (field == TSlotField::kUrl) edit->setCursorPosition(0);
  }
  void ShowSlotMeter(int slot, int percent) override {
    if (TMainWindowModel::SlotShown(slot)) rows[slot - 1].meter->SetPercent(percent);
  }
  void ShowTotalSize(const std::string& text) override { total_size->setText(ToQt(text)); }
  void ShowFreeDisk(const std::string& text) override { free_disk->setText(ToQt(text)); }
  void ShowReceived(const std::string& text) override { received->setText(ToQt(text)); }
  void ShowClock(const std::string& text) override { time_panel->setText(ToQt(text)); }
  void AddDocument(const std::string& file_name, bool) override {
    documents->addItem(ToQt(file_name));
  }
};

// What the run tells the window. Nothing here shows a box or runs an event loop: the hooks are
// called from inside a step, so they record, and the window acts once the step has returned.
class TMainWin::TRunHooks final : public TCaptureRunHooks {
 public:
  explicit TRunHooks(TMainWin& window) : window_(window) {}

  TCaptureView* View() override { return window_.capture_tab_.get(); }
  TStopRequest PollStop() override { return window_.model_.TakeStopRequest(); }
  TResolveView* ResolveView() override;
  void ExplainFailure(TWEB&, const TCaptureFailure& explained) override { failure = explained; }
  void CaptureError(const std::string& message) override { error = message; }
  void AfterCapture(TWEB&) override { after_capture = true; }

  std::optional<TCaptureFailure> failure;
  std::string error;
  bool after_capture = false;

 private:
  TMainWin& window_;
};

}  // namespace korvane::ui
