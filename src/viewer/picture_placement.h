// Where a picture goes in the Multimedia tab's display area and at what size: scaled down to fit,
// keeping its proportions, when the web asks for it; centred when smaller than the area.
#pragma once

#include <cstdint>

namespace korvane {

struct TPicturePlacement {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  bool Stretched = false;  // the view scales the picture to Width x Height
};

TPicturePlacement PlacePicture(std::int32_t picture_width, std::int32_t picture_height,
                               std::int32_t area_width, std::int32_t area_height, bool stretch);

}  // namespace korvane
