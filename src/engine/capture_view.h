// TCaptureView: what a capture session shows while it runs (the Capture tab of the desktop
// program, the status line of the command line). Every method has a default that shows nothing,
// so a front end implements only what it displays.
#pragma once

#include <cstdint>
#include <string>

namespace korvane {

struct TCaptureCounters {
  std::uint32_t LinkCount = 0;
  std::uint32_t FilteredCount = 0;
  std::uint32_t TodoCount = 0;
  std::uint32_t NotFoundCount = 0;
  std::uint32_t CapturedCount = 0;
  std::uint32_t ErrorCount = 0;
};

// The fields of one slot row, slots counted from 1.
enum class TSlotField { kWeb, kUrl, kSize, kState };

class TCaptureView {
 public:
  virtual ~TCaptureView() = default;
  virtual void ShowCounters(const TCaptureCounters&) {}
  virtual void ShowSlot(int /*slot*/, TSlotField, const std::string& /*text*/) {}
  virtual void ShowSlotMeter(int /*slot*/, int /*percent*/) {}
  // "1 234 567 bytes" texts, and "12 Kb".
  virtual void ShowTotalSize(const std::string&) {}
  virtual void ShowFreeDisk(const std::string&) {}
  virtual void ShowReceived(const std::string&) {}
  // "hh:mm:ss" since the session started.
  virtual void ShowClock(const std::string&) {}
  // A picture kept during the capture, for the document list; shown at once when `display`.
  virtual void AddDocument(const std::string& /*file_name*/, bool /*display*/) {}
};

}  // namespace korvane
