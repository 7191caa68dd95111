#include "viewer/picture_placement.h"

namespace korvane {

TPicturePlacement PlacePicture(std::int32_t picture_width, std::int32_t picture_height,
                               std::int32_t area_width, std::int32_t area_height, bool stretch) {
  TPicturePlacement p{0, 0, picture_width, picture_height, false};
  // Products in 64 bits: a large picture in a large area passes 2^31.
  const std::int64_t w = picture_width;
  const std::int64_t h = picture_height;
  if (stretch && w > 0 && h > 0 && (w > area_width || h > area_height)) {
    if (h * area_width < w * area_height) {
      p.Width = area_width;
      p.Height = static_cast<std::int32_t>(h * area_width / w);
    } else {
      p.Height = area_height;
      p.Width = static_cast<std::int32_t>(w * area_height / h);
    }
    p.Stretched = true;
  }
  p.Left = p.Width < area_width ? (area_width - p.Width) / 2 : 0;
  p.Top = p.Height < area_height ? (area_height - p.Height) / 2 : 0;
  return p;
}

}  // namespace korvane
