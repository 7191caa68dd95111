#include "terminal_view.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>

namespace korvane::cli {

TTerminalView::TTerminalView(std::FILE* out, bool verbose)
    : out_(out), terminal_(isatty(fileno(out)) != 0), verbose_(verbose), slots_(10) {}

TTerminalView::~TTerminalView() { Finish(); }

std::string TTerminalView::StatusLine(bool with_pace) const {
  const TCaptureCounters& c = counters_;
  return "links " + std::to_string(c.LinkCount) + "  captured " + std::to_string(c.CapturedCount) +
         "  to explore " + std::to_string(c.TodoCount) + "  not found " +
         std::to_string(c.NotFoundCount) + "  errors " + std::to_string(c.ErrorCount) +
         "  filtered " + std::to_string(c.FilteredCount) + "  " + received_ +
         (with_pace ? Rates() + "  " + clock_ : std::string());
}

// The session's pace since it began, and the addresses being fetched now.
std::string TTerminalView::Rates() const {
  int in_flight = 0;
  for (const TSlotRow& row : slots_) {
    in_flight += !row.state.empty() && row.state != "Idle" && row.state != "Closed" &&
                 row.state != "Timeout" && row.state != "Error";
  }
  const int h = std::atoi(clock_.c_str());
  const int m = clock_.size() >= 5 ? std::atoi(clock_.c_str() + clock_.size() - 5) : 0;
  const int s = clock_.size() >= 2 ? std::atoi(clock_.c_str() + clock_.size() - 2) : 0;
  const long seconds = std::max(1L, h * 3600L + m * 60L + s);
  const long pages = std::max(0L, static_cast<long>(counters_.CapturedCount) - first_captured_);
  const long kb = std::atol(received_.c_str());
  char text[96];
  std::snprintf(text, sizeof text, "  %.1f pages/s  %ld Kb/s  %d in flight",
                static_cast<double>(pages) / static_cast<double>(seconds), kb / seconds, in_flight);
  return text;
}

void TTerminalView::Print(const std::string& line, bool status) {
  if (terminal_) {
    // The status line is redrawn in place; other lines go above it.
    std::fprintf(out_, "\r\x1b[K%s", line.c_str());
    if (!status) {
      std::fputc('\n', out_);
      if (status_shown_) std::fprintf(out_, "%s", StatusLine().c_str());
    } else {
      status_shown_ = true;
    }
  } else {
    std::fprintf(out_, "%s\n", line.c_str());
  }
  std::fflush(out_);
}

void TTerminalView::ShowCounters(const TCaptureCounters& counters) {
  if (first_captured_ < 0) first_captured_ = counters.CapturedCount;
  counters_ = counters;
  if (terminal_) Print(StatusLine(), true);
}

void TTerminalView::ShowSlot(int slot, TSlotField field, const std::string& text) {
  if (slot < 1 || slot >= static_cast<int>(slots_.size())) return;
  TSlotRow& row = slots_[static_cast<std::size_t>(slot)];
  switch (field) {
    case TSlotField::kWeb:
      row.host = text;
      break;
    case TSlotField::kUrl:
      row.target = text;
      break;
    case TSlotField::kState:
      if (row.state == text) return;
      row.state = text;
      if (verbose_) {
        Print("[" + std::to_string(slot) + "] " + row.host + row.target + "  " + text, false);
      }
      break;
    case TSlotField::kSize:
      break;
  }
}

void TTerminalView::ShowClock(const std::string& text) {
  clock_ = text;
  const std::string line = StatusLine();
  if (terminal_) {
    Print(line, true);
  } else if (StatusLine(false) != last_printed_) {
    // Plain output: a line only when a figure other than the clock and the pace changed.
    last_printed_ = StatusLine(false);
    Print(line, true);
  }
}

void TTerminalView::Finish() {
  if (terminal_ && status_shown_) {
    std::fputc('\n', out_);
    std::fflush(out_);
    status_shown_ = false;
  }
}

}  // namespace korvane::cli
