// Measures arbitrary bytes as a picture file: never reads outside them, and a size is either
// unknown (0 x 0) or a believable picture on both sides.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "viewer/picture_size.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  korvane::TPictureSize s = korvane::MeasurePicture(input);
  const bool unknown = s.Width == 0 && s.Height == 0;
  const bool known = s.Width > 0 && s.Height > 0 && s.Width <= (1 << 20) && s.Height <= (1 << 20);
  if (!unknown && !known) std::abort();
  return 0;
}
