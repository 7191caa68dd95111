// Width and height of a captured picture, read from the header of its file without decoding it,
// so that the index pages can leave out small pictures and draw thumbnails in proportion.
#pragma once

#include <cstdint>
#include <string_view>

namespace korvane {

struct TPictureSize {
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  bool operator==(const TPictureSize&) const = default;
};

// GIF, JPEG, PNG, BMP, WebP, AVIF and SVG (its width and height in pixels, else its view box).
// Anything else, or a header that is cut short or damaged, gives 0 x 0 (size unknown).
TPictureSize MeasurePicture(std::string_view bytes);

}  // namespace korvane
