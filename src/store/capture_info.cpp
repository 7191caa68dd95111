#include "store/capture_info.h"

#include <algorithm>

#include "base/binary_stream.h"
#include "base/byte_count.h"

namespace korvane {

void TCaptureInfo::SaveToStream(TBinaryWriter& out) const {
  out.WriteF64(ToFileDate(StartTime));
  out.WriteF64(ToFileDate(StopTime));
  for (std::int32_t v :
       {Reserved, SizeKb, CapturedCount, FilteredCount, NotFoundCount, ErrorCount}) {
    out.WriteI32(v);
  }
}

void TCaptureInfo::LoadFromStream(TBinaryReader& in) {
  StartTime = FromFileDate(in.ReadF64());
  StopTime = FromFileDate(in.ReadF64());
  for (std::int32_t* v :
       {&Reserved, &SizeKb, &CapturedCount, &FilteredCount, &NotFoundCount, &ErrorCount}) {
    *v = in.ReadI32();
  }
}

void TCaptureInfo::Fill(TDateTime capture_start, TDateTime now, std::int64_t bytes_received,
                        std::int32_t captured, std::int32_t filtered, std::int32_t not_found,
                        std::int32_t errors) {
  StartTime = capture_start;
  StopTime = now;
  // Over 2 TiB in one session would not fit the stored field; keep the largest value instead.
  SizeKb =
      static_cast<std::int32_t>(std::clamp<std::int64_t>(bytes_received / kKilobyte, 0, INT32_MAX));
  CapturedCount = captured;
  FilteredCount = filtered;
  NotFoundCount = not_found;
  ErrorCount = errors;
}

}  // namespace korvane
