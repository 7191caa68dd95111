// TCaptureInfo: the figures of a web's last capture session, kept in its project file.
#pragma once

#include <cstdint>

#include "base/date_time.h"

namespace korvane {

class TBinaryReader;
class TBinaryWriter;

class TCaptureInfo {
 public:
  TDateTime StartTime = 0;
  TDateTime StopTime = 0;
  std::int32_t Reserved = 0;  // never set
  std::int32_t SizeKb = 0;    // kilobytes received during the session
  std::int32_t CapturedCount = 0;
  std::int32_t FilteredCount = 0;
  std::int32_t NotFoundCount = 0;
  std::int32_t ErrorCount = 0;

  // The dates as stored (plus 693594.0), then the six integers. Reading past the end throws
  // TReadError.
  void SaveToStream(TBinaryWriter& out) const;
  void LoadFromStream(TBinaryReader& in);

  // At the end of a session; `bytes_received` is turned into whole kilobytes. Reserved is kept.
  void Fill(TDateTime capture_start, TDateTime now, std::int64_t bytes_received,
            std::int32_t captured, std::int32_t filtered, std::int32_t not_found,
            std::int32_t errors);

  bool operator==(const TCaptureInfo&) const = default;
};

}  // namespace korvane
