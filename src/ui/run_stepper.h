// TRunStepper: steps a capture run from Qt's event loop. While the session runs, a step follows
// every batch of socket events and, failing those, the run's WaitTime on a single-shot timer;
// while links are resolved, zero-interval timers give one batch per step so the window stays
// responsive. After each step the socket library's pending work is run once: work queued by the
// step itself (a connection started) would otherwise wait for the next event.
//
// A step never runs inside another, nor inside a socket callback: the run's hooks only record
// what happened, and the window acts on it when Stepped or Finished is signalled.
#pragma once

#include <QObject>
#include <QTimer>

#include "engine/capture_run.h"

namespace korvane::ui {

class TSocketPump;

class TRunStepper : public QObject {
  Q_OBJECT
 public:
  explicit TRunStepper(TSocketPump& pump, QObject* parent = nullptr);

  // Begins `run` (which must outlive its steps) and steps it to its end.
  void Start(TCaptureRun& run);
  bool Running() const { return run_ != nullptr; }
  // A stop was asked: the run takes it at a step, so take one now rather than at the next event.
  void StepSoon() {
    if (run_) timer_.start(0);
  }
  // Steps taken by the last run (for the figures of a benchmark).
  long Steps() const { return steps_; }

 signals:
  void Stepped();
  void Finished();

 private:
  void StepNow();
  void Schedule();
  void SocketEvents();

  TSocketPump& pump_;
  TCaptureRun* run_ = nullptr;
  QTimer timer_;
  bool stepping_ = false;
  long steps_ = 0;
};

}  // namespace korvane::ui
