// Reads arbitrary bytes as a map file, writes every zone read back as an AREA line and reads
// that line again: rectangles and polygons must come back with the same coords.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "maps/map_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  for (const auto& zone : korvane::ReadMapZones(input)) {
    zone->GetRoundRect();
    zone->PtInZone(zone->GetCenter().x, zone->GetCenter().y);
    const korvane::TAreaLine area = korvane::MakeAreaLine(*zone, "http://h/map", "t");
    const auto again = korvane::ReadMapZones(area.Line);
    if (again.size() > 1) std::abort();
    if (zone->GetShape() != "circle") {
      if (again.size() != 1 || again[0]->GetCoords() != zone->GetCoords()) std::abort();
    }
  }
  return 0;
}
