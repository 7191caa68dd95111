// Runs a whole capture as the command line does: the run stepped to its end, waiting on the real
// socket library's pump between steps.
#pragma once

#include <functional>

#include "base/data_folder.h"
#include "base/date_time.h"
#include "base/message_pump.h"
#include "engine/capture_run.h"
#include "engine/web.h"

namespace korvane::testing {

inline TCaptureRunResult DriveCapture(TWEB& web, const TCaptureSettings& settings, TSocketHub& hub,
                                      TMessagePump& pump, TCaptureRunHooks& hooks,
                                      TSommaireParam param = {},
                                      const std::function<void()>& after_step = {}) {
  const TSystemClock clock;
  TCaptureRun run(web, settings, hub, nullptr, hooks, {param, DataFolder() + "index/"},
                  WebPageProcessor(web), clock);
  run.Begin();
  while (run.Step()) {
    if (after_step) after_step();
    if (run.Phase() != TCaptureRun::TPhase::kCapturing) continue;
    pump.WaitMessages(run.WaitTime());
    pump.ProcessMessages();
  }
  return run.Result();
}

}  // namespace korvane::testing
