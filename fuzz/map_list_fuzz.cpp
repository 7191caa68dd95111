// Reads arbitrary bytes as a map block (the first byte picks the project file version); names
// that are used as file names must come out plain or empty, and the list must round-trip.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/binary_stream.h"
#include "base/file_name.h"
#include "maps/map_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  int version = data[0] % 22;
  std::string_view block(reinterpret_cast<const char*>(data + 1), size - 1);
  korvane::TMAPLIST maps;
  try {
    korvane::TBinaryReader reader(block);
    maps.LoadFromStream(reader, version);
  } catch (const korvane::TReadError&) {
    return 0;
  }
  for (int i = 0; i < maps.Count(); ++i) {
    const auto& map = maps.Item(i);
    for (const std::string* name : {&map.ImageFile, &map.MapFile}) {
      if (!name->empty() && !korvane::IsWebFileName(*name)) std::abort();
    }
    if (maps.IndexOfImage(map.ImageFile) < i) std::abort();
  }
  std::string saved;
  korvane::TBinaryWriter writer(saved);
  maps.SaveToStream(writer);
  korvane::TMAPLIST back;
  korvane::TBinaryReader again(saved);
  back.LoadFromStream(again, 21);
  if (back.Count() != maps.Count() || !again.AtEnd()) std::abort();
  return 0;
}
