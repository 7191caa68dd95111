// The main window's private parts shared by its source files: the Capture tab as a capture
// session shows itself on it, and the hooks through which a capture run reports to the window.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QTimer>
#include <optional>
#include <string>
#include <vector>

#include "ui/main_window.h"
#include "ui/meter_widget.h"
#include "ui/multimedia_view.h"
#include "ui/qt_text.h"

namespace korvane::ui {

// The Capture tab as the session shows itself on it. A session reports every few bytes; the tab
// keeps the last of each figure and shows them together at most 25 times a second, so that
// painting never costs the capture its speed.
class TMainWin::TCaptureTab final : public TCaptureView {
 public:
  static constexpr int kRefreshMs = 40;

  struct TSlot {
    QLineEdit* web = nullptr;
    QLineEdit* url = nullptr;
    QLineEdit* state = nullptr;
    QLineEdit* size = nullptr;
    TMeterWidget* meter = nullptr;
  };

  TCaptureTab() {
    refresh_.setSingleShot(true);
    refresh_.setInterval(kRefreshMs);
    refresh_.callOnTimeout([this] { Flush(); });
  }

  QLineEdit* counters[6] = {};
  QLineEdit* total_size = nullptr;
  QLineEdit* free_disk = nullptr;
  QLineEdit* received = nullptr;
  QLabel* received_label = nullptr;
  QLabel* time_panel = nullptr;
  QProgressBar* progress = nullptr;
  QLabel* rate = nullptr;
  QLabel* time_left = nullptr;
  // What the run is doing as a whole: stopping, or how it ended.
  QLabel* outcome = nullptr;
  TSlot rows[TMainWindowModel::kSlotRows];
  TMultimediaView* documents = nullptr;

  void ShowCounters(const TCaptureCounters& c) override {
    const std::uint32_t values[] = {c.LinkCount,     c.FilteredCount, c.TodoCount,
                                    c.NotFoundCount, c.CapturedCount, c.ErrorCount};
    for (int i = 0; i < 6; ++i) Set(texts_[i], std::to_string(values[i]));
  }
  void ShowSlot(int slot, TSlotField field, const std::string& text) override {
    if (!TMainWindowModel::SlotShown(slot)) return;
    Set(texts_[kSlotText + (slot - 1) * 4 + int(field)], text);
  }
  void ShowSlotMeter(int slot, int percent) override {
    if (!TMainWindowModel::SlotShown(slot)) return;
    TMeter& meter = meters_[slot - 1];
    // Only a change to 0 clears a meter: a new file's progress must not draw over the last one's.
    if (percent == 0) meter.cleared = true;
    meter.percent = percent;
    meter.dirty = true;
    Dirty();
  }
  void ShowTotalSize(const std::string& text) override { Set(texts_[kTotalSize], text); }
  void ShowFreeDisk(const std::string& text) override { Set(texts_[kFreeDisk], text); }
  void ShowReceived(const std::string& text) override { Set(texts_[kReceived], text); }
  void ShowClock(const std::string& text) override { Set(texts_[kClock], text); }
  void AddDocument(const std::string& file_name, bool) override {
    documents_.push_back(file_name);
    Dirty();
  }

  // Shows what is waiting now.
  void Flush() {
    refresh_.stop();
    for (int i = 0; i < kTexts; ++i) {
      if (!texts_[i].dirty) continue;
      texts_[i].dirty = false;
      const QString text = ToQt(texts_[i].text);
      if (i == kClock) {
        time_panel->setText(text);
        continue;
      }
      QLineEdit* edit = Edit(i);
      edit->setText(text);
      if (i >= kSlotText && (i - kSlotText) % 4 == int(TSlotField::kUrl)) {
        edit->setCursorPosition(0);
      }
    }
    for (int slot = 0; slot < TMainWindowModel::kSlotRows; ++slot) {
      TMeter& meter = meters_[slot];
      if (!meter.dirty) continue;
      if (meter.cleared) rows[slot].meter->SetPercent(0);
      rows[slot].meter->SetPercent(meter.percent);
      meter = TMeter{};
    }
    for (const std::string& name : documents_) documents->AddDocument(name);
    documents_.clear();
  }

 private:
  struct TText {
    std::string text;
    bool dirty = false;
  };
  struct TMeter {
    int percent = 0;
    bool cleared = false;
    bool dirty = false;
  };
  // Counters 0..5, then these, then four fields per slot.
  static constexpr int kTotalSize = 6, kFreeDisk = 7, kReceived = 8, kClock = 9, kSlotText = 10;
  static constexpr int kTexts = kSlotText + 4 * TMainWindowModel::kSlotRows;

  void Set(TText& field, const std::string& text) {
    // The session repeats unchanged figures every second: only a change costs a repaint.
    if (field.text == text && !field.dirty) return;
    field.text = text;
    field.dirty = true;
    Dirty();
  }
  void Dirty() {
    if (!refresh_.isActive()) refresh_.start();
  }
  QLineEdit* Edit(int i) {
    if (i < 6) return counters[i];
    if (i == kTotalSize) return total_size;
    if (i == kFreeDisk) return free_disk;
    if (i == kReceived) return received;
    TSlot& row = rows[(i - kSlotText) / 4];
    switch (TSlotField((i - kSlotText) % 4)) {
      case TSlotField::kWeb:
        return row.web;
      case TSlotField::kUrl:
        return row.url;
      case TSlotField::kSize:
        return row.size;
      case TSlotField::kState:
        return row.state;
    }
    return row.state;
  }

  TText texts_[kTexts];
  TMeter meters_[TMainWindowModel::kSlotRows];
  std::vector<std::string> documents_;
  QTimer refresh_;
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
