#include "app/capture_progress_model.h"

#include <algorithm>
#include <cstdio>

#include "base/byte_count.h"

namespace korvane {

namespace {

// The rate is taken over this much of the recent past: long enough to smooth the bursts of one
// file, short enough to follow a server that slows down.
constexpr std::int64_t kRateWindowMs = 5000;

}  // namespace

void TCaptureProgressModel::Start(std::int64_t tick_ms) {
  start_tick_ = tick_ms;
  recent_.clear();
}

void TCaptureProgressModel::Add(const TCaptureSample& sample) {
  // A sample older than the last one (a clock set back) would make every rate negative.
  if (!recent_.empty() && sample.TickMs < recent_.back().TickMs) recent_.clear();
  recent_.push_back(sample);
  while (recent_.size() > 2 && sample.TickMs - recent_[1].TickMs >= kRateWindowMs) {
    recent_.pop_front();
  }
}

std::optional<int> TCaptureProgressModel::Percent() const {
  if (recent_.empty() || !recent_.back().Todo) return std::nullopt;
  const TCaptureSample& s = recent_.back();
  const std::int64_t whole = std::int64_t{s.Done} + *s.Todo;
  if (whole <= 0) return std::nullopt;
  return static_cast<int>(std::int64_t{s.Done} * 100 / whole);
}

std::optional<std::int64_t> TCaptureProgressModel::BytesPerSecond() const {
  if (recent_.size() < 2) return std::nullopt;
  const TCaptureSample& first = recent_.front();
  const TCaptureSample& last = recent_.back();
  const std::int64_t ms = last.TickMs - first.TickMs;
  if (ms < 1000) return std::nullopt;
  return std::max<std::int64_t>(0, last.Bytes - first.Bytes) * 1000 / ms;
}

std::optional<std::int64_t> TCaptureProgressModel::SecondsLeft() const {
  if (recent_.empty() || !recent_.back().Todo) return std::nullopt;
  const TCaptureSample& s = recent_.back();
  const std::int64_t left = *s.Todo;
  if (left == 0) return 0;
  const std::int64_t elapsed_ms = s.TickMs - start_tick_;
  if (s.Done <= 0 || elapsed_ms <= 0) return std::nullopt;
  // The pace of the whole run: the queue refills as pages are read, so a recent burst of small
  // files says little of what is left.
  return (left * elapsed_ms / s.Done + 999) / 1000;
}

std::string TCaptureProgressModel::ProgressText() const {
  if (recent_.empty()) return std::string();
  const TCaptureSample& s = recent_.back();
  const std::optional<int> percent = Percent();
  if (!percent) return FormatGroupedNumber(s.Done) + " addresses";
  const std::int64_t whole = std::int64_t{s.Done} + *s.Todo;
  return FormatGroupedNumber(s.Done) + " of " + FormatGroupedNumber(whole) + " addresses (" +
         std::to_string(*percent) + "%)";
}

std::string TCaptureProgressModel::RateText() const {
  if (recent_.empty()) return std::string();
  std::string text = FormatSize(recent_.back().Bytes) + " received";
  if (const auto rate = BytesPerSecond()) text += ", " + FormatSize(*rate) + "/s";
  return text;
}

std::string TCaptureProgressModel::ReceivedText(const TCaptureRunResult& result) {
  std::string text = FormatSize(result.BytesReceived) + " received";
  if (result.ElapsedMs >= 1000) {
    text += ", " + FormatSize(result.BytesReceived * 1000 / result.ElapsedMs) + "/s";
  }
  return text;
}

std::string TCaptureProgressModel::TimeLeftText() const {
  const std::optional<std::int64_t> left = SecondsLeft();
  if (!left) return "Time left unknown";
  if (*left < 1) return "Less than a second left";
  return "About " + DurationText(*left) + " left";
}

std::string DurationText(std::int64_t seconds) {
  if (seconds < 0) seconds = 0;
  char text[48];
  if (seconds >= 3600) {
    std::snprintf(text, sizeof text, "%lld h %02lld min", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60));
  } else if (seconds >= 60) {
    std::snprintf(text, sizeof text, "%lld min %02lld s", static_cast<long long>(seconds / 60),
                  static_cast<long long>(seconds % 60));
  } else {
    std::snprintf(text, sizeof text, "%lld s", static_cast<long long>(seconds));
  }
  return text;
}

std::string StoppingText(int busy, int seconds_left) {
  std::string text = "Complete captures in progress: ";
  if (busy <= 0) return text + "the last transfer has ended, the capture is stopping.";
  text += std::to_string(busy) + (busy == 1 ? " transfer" : " transfers");
  if (seconds_left >= 0) text += ", " + std::to_string(seconds_left) + " s left";
  return text + ". Stop again to abort them.";
}

TCaptureSummary SummarizeCapture(const TCaptureRunResult& result, TUserStop stop) {
  TCaptureSummary summary;
  std::string reason;
  if (!result.Error.empty()) {
    reason = "It ended early: " + result.Error + ".";
    summary.Failed = true;
  } else if (result.DiskFull) {
    reason = "The disk is full.";
    summary.Failed = true;
  } else if (!result.StopReason.empty()) {
    reason = "Stopped by " + result.StopReason + ".";
  } else if (stop == TUserStop::kCompleteCurrent) {
    reason = "Stopped by you; the transfers under way were completed.";
  } else if (stop == TUserStop::kAbortAll) {
    reason = "Stopped by you; the transfers under way were aborted.";
  } else if (stop == TUserStop::kClosing) {
    reason = "Stopped as the window closes.";
  } else if (result.Updated) {
    const TUpdateCounts& u = result.Update;
    if (u.Asked > 0 && u.Unchanged + u.Changed + u.Gone == 0) {
      reason = "No kept file could be asked for again.";
      summary.Failed = true;
    } else if (u.NotChecked > 0) {
      reason = "The files not checked stay as they were.";
    } else {
      reason = u.CopyChanged() ? "The copy is up to date again." : "The copy was up to date.";
    }
  } else if (result.NothingLeft) {
    reason = "Nothing was left to capture.";
  } else if (result.Captured == 0) {
    reason = "Nothing could be captured.";
    summary.Failed = true;
  } else if (!result.LossCause.empty()) {
    reason = "Every address was tried; " + result.LossCause + ".";
  } else {
    reason = "Every address was fetched.";
  }
  const bool stopped = result.Stopped || stop != TUserStop::kNone || !result.StopReason.empty();
  const std::string took =
      result.ElapsedMs < 1000 ? "less than a second" : DurationText(result.ElapsedMs / 1000);
  if (result.Updated) {
    const TUpdateCounts& u = result.Update;
    summary.Title =
        summary.Failed ? "Update failed" : (stopped ? "Update stopped" : "Update complete");
    summary.Text = "Update ended after " + took + ": " + std::to_string(u.Unchanged) +
                   " unchanged, " + std::to_string(u.Changed) + " changed, " +
                   std::to_string(u.New) + " new, " + std::to_string(u.Gone) + " gone";
    if (u.Deleted > 0) summary.Text += " (" + std::to_string(u.Deleted) + " deleted)";
    if (u.NotChecked > 0) summary.Text += ", " + std::to_string(u.NotChecked) + " not checked";
    summary.Text += ". " + reason;
  } else {
    summary.Title =
        summary.Failed ? "Capture failed" : (stopped ? "Capture stopped" : "Capture complete");
    summary.Text = "Capture ended after " + took + ": " + std::to_string(result.Captured) +
                   " file(s) kept, " + std::to_string(result.NotFound) + " not found, " +
                   std::to_string(result.Lost) + " error(s). " + reason;
  }
  if (result.ResolveCancelled) summary.Text += " Links are partly resolved.";
  if (!result.Saved && !result.SaveError.empty()) {
    summary.Text += " The project file could not be written: " + result.SaveError + ".";
    summary.Failed = true;
    summary.Title = result.Updated ? "Update failed" : "Capture failed";
  }
  return summary;
}

}  // namespace korvane
