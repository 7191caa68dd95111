#include "ui/run_stepper.h"

#include "ui/socket_pump.h"

namespace korvane::ui {

TRunStepper::TRunStepper(TSocketPump& pump, QObject* parent) : QObject(parent), pump_(pump) {
  timer_.setSingleShot(true);
  timer_.setTimerType(Qt::CoarseTimer);
  connect(&timer_, &QTimer::timeout, this, &TRunStepper::StepNow);
  connect(&pump_, &TSocketPump::EventsProcessed, this, &TRunStepper::SocketEvents);
}

void TRunStepper::Start(TCaptureRun& run) {
  run_ = &run;
  steps_ = 0;
  run.Begin();
  pump_.ProcessMessages();
  // The first step hands out the first addresses.
  timer_.start(0);
}

void TRunStepper::SocketEvents() {
  if (run_ && run_->Phase() == TCaptureRun::TPhase::kCapturing) StepNow();
}

void TRunStepper::StepNow() {
  // A box shown by the window while it handles Stepped runs a nested event loop: a step asked
  // for from there waits for the one under way to return.
  if (!run_ || stepping_) return;
  stepping_ = true;
  timer_.stop();
  ++steps_;
  const bool more = run_->Step();
  const std::uint64_t work = more ? run_->StepWork() : 0;
  pump_.ProcessMessages();
  stepping_ = false;
  if (!more) {
    run_ = nullptr;
    emit Finished();
    return;
  }
  if (run_->StepWork() != work) {
    timer_.start(0);
  } else {
    Schedule();
  }
  emit Stepped();
}

void TRunStepper::Schedule() {
  if (!run_) return;
  if (run_->Phase() == TCaptureRun::TPhase::kCapturing) {
    timer_.start(int(run_->WaitTime().count()));
  } else {
    timer_.start(0);
  }
}

}  // namespace korvane::ui
