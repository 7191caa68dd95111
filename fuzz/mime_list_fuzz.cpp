// Reads arbitrary bytes as a MIME table block; whatever loads must save and load back to the
// same bytes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/binary_stream.h"
#include "store/mime_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view block(reinterpret_cast<const char*>(data), size);
  korvane::TMIMELIST list;
  try {
    korvane::TBinaryReader reader(block);
    list.LoadFromStream(reader);
  } catch (const korvane::TReadError&) {
    return 0;
  }
  list.SetCmdLine(std::string(block.substr(0, 64)));
  std::string saved;
  korvane::TBinaryWriter writer(saved);
  list.SaveToStream(writer);
  korvane::TMIMELIST back;
  korvane::TBinaryReader again(saved);
  back.LoadFromStream(again);
  std::string resaved;
  korvane::TBinaryWriter rewriter(resaved);
  back.SaveToStream(rewriter);
  if (saved != resaved || !again.AtEnd()) std::abort();
  return 0;
}
