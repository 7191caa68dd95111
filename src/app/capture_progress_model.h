// TCaptureProgressModel: what the Capture tab says of a capture as a whole, beyond the session's
// own counters: how far it has gone, how fast bytes arrive, about how long is left, the state of
// a stop that waits for the transfers under way; and, once the run is over, the one-line summary
// of how it ended. The window samples the session once a second and shows the texts returned.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>

#include "engine/capture_run.h"

namespace korvane {

// The session's figures at one moment.
struct TCaptureSample {
  std::int64_t TickMs = 0;           // the clock's tick
  std::int64_t Bytes = 0;            // received since the session began
  std::int32_t Done = 0;             // addresses settled: kept, not found, refused, in error
  std::optional<std::int32_t> Todo;  // addresses still queued, when the web can count them
  int Busy = 0;                      // transfers under way
};

class TCaptureProgressModel {
 public:
  // Forgets the last run's figures; `tick_ms` is when the session began.
  void Start(std::int64_t tick_ms);
  void Add(const TCaptureSample& sample);

  // Settled addresses out of all those known so far (settled or not), 0 to 100;
  // nullopt while nothing is known (no sample, an uncountable queue, nothing met yet). The
  // queue grows as pages are read, so the figure can go back: it says where the run stands.
  std::optional<int> Percent() const;
  // Bytes a second over the last few seconds; nullopt before two samples a second apart.
  std::optional<std::int64_t> BytesPerSecond() const;
  // Seconds left at the pace of the run so far; nullopt when nothing has settled yet or the
  // queue cannot be counted. 0 when nothing is left.
  std::optional<std::int64_t> SecondsLeft() const;

  // "12 of 40 addresses (30%)", or "12 addresses" while the whole is unknown.
  std::string ProgressText() const;
  // "1.2 MB received, 150.0 KB/s" (the rate once known).
  std::string RateText() const;
  // At the end of a run: "43.1 KB received, 52.0 KB/s", the rate over the whole run.
  static std::string ReceivedText(const TCaptureRunResult& result);
  // "About 2 min 10 s left", "Less than a second left", or "Time left unknown".
  std::string TimeLeftText() const;

 private:
  std::int64_t start_tick_ = 0;
  std::deque<TCaptureSample> recent_;  // the last samples, oldest first
};

// "1 h 02 min", "2 min 05 s", "12 s".
std::string DurationText(std::int64_t seconds);

// While a stop waits for the transfers under way: "Complete captures in progress: 3 transfer(s),
// 42 s left. Stop again to abort them." `busy` 0 says the stop is ending the run.
std::string StoppingText(int busy, int seconds_left);

// How a run was asked to end by the user, if it was.
enum class TUserStop {
  kNone,
  kCompleteCurrent,  // the stop dialog with "Complete captures in progress" ticked
  kAbortAll,         // the stop dialog unticked, or a second stop
  kClosing,          // the window was closed during the capture
};

// The end of a capture, in one line: what it kept and met, how long it took and why it ended,
// e.g. "Capture ended after 1 min 05 s: 42 file(s) kept, 3 not found, 1 error(s). Every address
// was fetched." Also the title of the notification.
struct TCaptureSummary {
  std::string Title;  // "Capture complete", "Capture stopped", "Capture failed"
  std::string Text;
  bool Failed = false;  // nothing kept that should have been, or an error ended it
};
TCaptureSummary SummarizeCapture(const TCaptureRunResult& result, TUserStop stop);

}  // namespace korvane
