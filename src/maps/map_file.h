// The map file beside a picture with a server-side map: one AREA line per zone. Reading turns its
// AREA tags back into zones; writing builds each zone's line and the address that the server-side
// map answers for the zone's centre.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "maps/zone.h"

namespace korvane {

// The zones of the AREA tags of `text`, in file order. Shapes "rect" and "rectangle" give a
// rectangle, "circle" a circle, "poly" and "polygon" a polygon (any case); other shapes and
// zones too small to keep are skipped. Tags of any length are read.
std::vector<std::unique_ptr<TZone>> ReadMapZones(std::string_view text);

struct TAreaLine {
  std::string Link;  // server-side map address + "?x,y" of the zone's centre (a short string)
  std::string Line;  // the AREA tag followed by CR LF, whole whatever its length
};

// `map_url` is the server-side map's address; `target` is written only when not empty.
TAreaLine MakeAreaLine(const TZone& zone, std::string_view map_url, std::string_view target);

}  // namespace korvane
