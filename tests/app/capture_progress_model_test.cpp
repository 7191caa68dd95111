// The Capture tab's figures of a whole run: progress, rate, time left, a stop that waits, and the
// summary of how a run ended.
#include "app/capture_progress_model.h"

#include <gtest/gtest.h>

#include "app/main_window_model.h"
#include "base/byte_count.h"

namespace korvane {
namespace {

TCaptureSample At(std::int64_t ms, std::int64_t bytes, std::int32_t done,
                  std::optional<std::int32_t> todo) {
  return {ms, bytes, done, todo};
}

TEST(CaptureProgressTest, FiguresStayUnknownUntilTheyCanBeTold) {
  TCaptureProgressModel m;
  m.Start(10'000);
  // Nothing sampled, then nothing met yet: no percentage, no rate, no time.
  EXPECT_EQ(m.Percent(), std::nullopt);
  EXPECT_EQ(m.ProgressText(), "");
  m.Add(At(10'000, 0, 0, 0));
  EXPECT_EQ(m.Percent(), std::nullopt);
  EXPECT_EQ(m.BytesPerSecond(), std::nullopt);
  EXPECT_EQ(m.RateText(), "0 bytes received");
  // Under way but nothing settled: the pace is unknown.
  m.Add(At(10'500, 4096, 0, 5));
  EXPECT_EQ(m.BytesPerSecond(), std::nullopt);  // less than a second apart
  EXPECT_EQ(m.TimeLeftText(), "Time left unknown");
  EXPECT_EQ(m.ProgressText(), "0 of 5 addresses (0%)");

  // 4 settled in 4 s, 3 left: about 3 s; 1 MB and 4 KB in the 4 s since the first sample.
  m.Add(At(14'000, 1024 * 1024 + 4096, 4, 3));
  EXPECT_EQ(m.Percent(), 57);
  EXPECT_EQ(m.SecondsLeft(), 3);
  EXPECT_EQ(m.TimeLeftText(), "About 3 s left");
  EXPECT_EQ(m.RateText(), "1.0 MB received, 257 KB/s");

  // A queue the web cannot count: the count alone, no percentage nor time.
  m.Add(At(15'000, 2 * 1024 * 1024, 5, std::nullopt));
  EXPECT_EQ(m.ProgressText(), "5 addresses");
  EXPECT_EQ(m.SecondsLeft(), std::nullopt);

  // The rate follows the last seconds, not the whole run.
  for (int s = 16; s <= 30; ++s) m.Add(At(s * 1000, 2 * 1024 * 1024, 9, 1));
  EXPECT_EQ(m.BytesPerSecond(), 0);
  // A clock set back starts the rate afresh rather than going negative.
  m.Add(At(1'000, 0, 9, 0));
  EXPECT_EQ(m.BytesPerSecond(), std::nullopt);
  EXPECT_EQ(m.SecondsLeft(), 0);
  EXPECT_EQ(m.TimeLeftText(), "Less than a second left");
  EXPECT_EQ(m.Percent(), 100);

  // Sizes in one spelling, going up a unit before rounding shows 1024 of the lower one.
  EXPECT_EQ(FormatSize(-5), "0 bytes");
  EXPECT_EQ(FormatSize(1023), "1023 bytes");
  EXPECT_EQ(FormatSize(1024), "1.0 KB");
  EXPECT_EQ(FormatSize(150 * 1024), "150 KB");
  EXPECT_EQ(FormatSize(1024 * 1024 - 1), "1.0 MB");
  EXPECT_EQ(FormatSize(std::int64_t{5} << 40), "5.0 TB");
  EXPECT_EQ(DurationText(3725), "1 h 02 min");
  EXPECT_EQ(DurationText(65), "1 min 05 s");
}

TEST(CaptureProgressTest, SummaryTellsWhyEachRunEnded) {
  TCaptureRunResult base;
  base.Captured = 42;
  base.NotFound = 3;
  base.Lost = 1;
  base.ElapsedMs = 65'400;
  base.Saved = true;
  struct TCase {
    const char* name;
    void (*change)(TCaptureRunResult&);
    TUserStop stop;
    const char* title;
    const char* reason;
  };
  const TCase cases[] = {
      {"whole", [](TCaptureRunResult&) {}, TUserStop::kNone, "Capture complete",
       "Every address was fetched."},
      {"limit",
       [](TCaptureRunResult& r) { r.Stopped = true, r.StopReason = "the time limit (5 min)"; },
       TUserStop::kNone, "Capture stopped", "Stopped by the time limit (5 min)."},
      {"completed", [](TCaptureRunResult& r) { r.Stopped = true; }, TUserStop::kCompleteCurrent,
       "Capture stopped", "Stopped by you; the transfers under way were completed."},
      {"aborted", [](TCaptureRunResult& r) { r.Stopped = true; }, TUserStop::kAbortAll,
       "Capture stopped", "Stopped by you; the transfers under way were aborted."},
      {"closing", [](TCaptureRunResult& r) { r.Stopped = true; }, TUserStop::kClosing,
       "Capture stopped", "Stopped as the window closes."},
      {"disk", [](TCaptureRunResult& r) { r.Stopped = true, r.DiskFull = true; }, TUserStop::kNone,
       "Capture failed", "The disk is full."},
      // An error wins over the stop the user asked for: it is what the user must know.
      {"error", [](TCaptureRunResult& r) { r.Error = "out of memory"; }, TUserStop::kAbortAll,
       "Capture failed", "It ended early: out of memory."},
      {"nothing left", [](TCaptureRunResult& r) { r.Captured = 0, r.NothingLeft = true; },
       TUserStop::kNone, "Capture complete", "Nothing was left to capture."},
      {"nothing kept", [](TCaptureRunResult& r) { r.Captured = 0; }, TUserStop::kNone,
       "Capture failed", "Nothing could be captured."},
      {"server gone", [](TCaptureRunResult& r) { r.LossCause = "the server stopped answering"; },
       TUserStop::kNone, "Capture complete",
       "Every address was tried; the server stopped answering."},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TCaptureRunResult r = base;
    c.change(r);
    const TCaptureSummary s = SummarizeCapture(r, c.stop);
    EXPECT_EQ(s.Title, c.title);
    EXPECT_EQ(s.Text, "Capture ended after 1 min 05 s: " + std::to_string(r.Captured) +
                          " file(s) kept, 3 not found, 1 error(s). " + c.reason);
  }
  TCaptureRunResult quick = base;
  quick.ElapsedMs = 400;
  quick.BytesReceived = 36 * 1024;
  EXPECT_EQ(SummarizeCapture(quick, TUserStop::kNone).Text.substr(0, 41),
            "Capture ended after less than a second: 4");
  EXPECT_EQ(TCaptureProgressModel::ReceivedText(quick), "36.0 KB received");
  quick.ElapsedMs = 2000;
  EXPECT_EQ(TCaptureProgressModel::ReceivedText(quick), "36.0 KB received, 18.0 KB/s");

  TCaptureRunResult unsaved = base;
  unsaved.Saved = false;
  unsaved.SaveError = "disk is read-only";
  unsaved.ResolveCancelled = true;
  const TCaptureSummary s = SummarizeCapture(unsaved, TUserStop::kNone);
  EXPECT_TRUE(s.Failed);
  EXPECT_NE(s.Text.find("Links are partly resolved. The project file could not be written: disk "
                        "is read-only."),
            std::string::npos);
}

// An update says what it found of the kept files; one whose files got no answer failed, one
// where some did not is still complete.
TEST(CaptureProgressTest, AnUpdateSaysWhatItFound) {
  TCaptureRunResult r;
  r.Updated = true;
  r.Saved = true;
  r.ElapsedMs = 3000;
  r.Update = {.Asked = 10, .Unchanged = 6, .Changed = 2, .New = 1, .Gone = 2, .Deleted = 2};
  TCaptureSummary s = SummarizeCapture(r, TUserStop::kNone);
  EXPECT_EQ(s.Title, "Update complete");
  EXPECT_EQ(s.Text,
            "Update ended after 3 s: 6 unchanged, 2 changed, 1 new, 2 gone (2 deleted). The copy "
            "is up to date again.");
  r.Update = {.Asked = 10, .Unchanged = 10};
  r.NothingLeft = true;
  EXPECT_EQ(SummarizeCapture(r, TUserStop::kNone).Text,
            "Update ended after 3 s: 10 unchanged, 0 changed, 0 new, 0 gone. The copy was up to "
            "date.");
  r.Update = {.Asked = 10, .Unchanged = 7, .NotChecked = 3};
  r.NothingLeft = false;
  s = SummarizeCapture(r, TUserStop::kNone);
  EXPECT_FALSE(s.Failed);
  EXPECT_NE(s.Text.find(", 3 not checked. The files not checked stay as they were."),
            std::string::npos)
      << s.Text;
  r.Update = {.Asked = 10, .NotChecked = 10};
  s = SummarizeCapture(r, TUserStop::kNone);
  EXPECT_TRUE(s.Failed);
  EXPECT_EQ(s.Title, "Update failed");
  r.Update = {.Asked = 10, .Unchanged = 4};
  r.Stopped = true;
  EXPECT_EQ(SummarizeCapture(r, TUserStop::kAbortAll).Title, "Update stopped");
}

// The first stop lets transfers finish and keeps Stop offered; the second aborts them without
// asking; an abort or a close leaves nothing more to stop.
TEST(CaptureProgressTest, SecondStopAbortsAtOnce) {
  using R = TCaptureRunHooks::TStopRequest;
  TMainWindowModel m;
  m.SetWebOpen(true);
  ASSERT_TRUE(m.BeginCapture());
  EXPECT_FALSE(m.StopAbortsAtOnce());
  m.RequestStop(true);
  EXPECT_EQ(m.TakeStopRequest(), R::kCompleteCurrent);
  EXPECT_EQ(m.State(), TWindowState::kStopping);
  EXPECT_TRUE(m.CommandEnabled(TCommand::kStop, {}));
  EXPECT_TRUE(m.StopAbortsAtOnce());
  m.AbortStop();
  EXPECT_EQ(m.TakeStopRequest(), R::kAbortAll);
  EXPECT_EQ(m.UserStop(), TUserStop::kAbortAll);
  EXPECT_FALSE(m.CommandEnabled(TCommand::kStop, {}));
  m.AbortStop();  // nothing more to abort
  EXPECT_EQ(m.TakeStopRequest(), R::kNone);
  m.CaptureEnded();
  EXPECT_EQ(m.UserStop(), TUserStop::kAbortAll);  // kept for the summary

  // A close during a stop that waits: the window's StopAll, and Stop is no longer offered.
  ASSERT_TRUE(m.BeginCapture());
  EXPECT_EQ(m.UserStop(), TUserStop::kNone);
  m.RequestStop(true);
  (void)m.TakeStopRequest();
  EXPECT_TRUE(m.AnswerAbort(mrOk));
  EXPECT_EQ(m.TakeStopRequest(), R::kStopAll);
  EXPECT_FALSE(m.StopAbortsAtOnce());
  EXPECT_FALSE(m.CommandEnabled(TCommand::kStop, {}));
  EXPECT_TRUE(m.CaptureEnded());

  EXPECT_EQ(StoppingText(3, 42),
            "Complete captures in progress: 3 transfers, 42 s left. Stop again to abort them.");
  EXPECT_EQ(StoppingText(1, -1),
            "Complete captures in progress: 1 transfer. Stop again to abort them.");
  EXPECT_EQ(StoppingText(0, 10),
            "Complete captures in progress: the last transfer has ended, the capture is stopping.");
}

}  // namespace
}  // namespace korvane
