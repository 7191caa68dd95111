// The capture's progress on the command line: on a terminal one status line rewritten in place
// (and, with verbose, a line per slot event); otherwise a plain line each second something
// changed.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "engine/capture_view.h"

namespace korvane::cli {

class TTerminalView final : public TCaptureView {
 public:
  TTerminalView(std::FILE* out, bool verbose);
  ~TTerminalView() override;

  void ShowCounters(const TCaptureCounters& counters) override;
  void ShowSlot(int slot, TSlotField field, const std::string& text) override;
  void ShowReceived(const std::string& text) override { received_ = text; }
  void ShowClock(const std::string& text) override;
  // Ends the status line so that what follows starts on a line of its own.
  void Finish();

 private:
  struct TSlotRow {
    std::string host, target, state;
  };
  std::string StatusLine(bool with_pace = true) const;
  std::string Rates() const;
  void Print(const std::string& line, bool status);

  std::FILE* out_;
  bool terminal_;
  bool verbose_;
  TCaptureCounters counters_;
  std::string received_ = "0 Kb";
  std::string clock_ = "00:00:00";
  std::vector<TSlotRow> slots_;
  std::string last_printed_;
  bool status_shown_ = false;
  long first_captured_ = -1;  // the web's captured files when the session began
};

}  // namespace korvane::cli
