// Reads arbitrary bytes as a tree block (the first byte picks the project file version), then
// saves the tree and checks that the block written holds as many records as the tree has entries.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/binary_stream.h"
#include "base/checked.h"
#include "store/web_tree.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  int version = data[0] % 23;
  std::string_view block(reinterpret_cast<const char*>(data + 1), size - 1);
  korvane::TWebTree tree;
  try {
    korvane::TBinaryReader reader(block);
    if (!tree.LoadFromStream(reader, version)) return 0;
  } catch (const korvane::TReadError&) {
  }
  std::string saved;
  korvane::TBinaryWriter writer(saved);
  tree.SaveToStream(writer, {}, version);
  std::size_t entries = 0;
  tree.Explore([&](korvane::TWebFile& record, const std::string& url) {
    ++entries;
    if (url.size() > 255 || record.GetFileName().size() > 255) std::abort();
    return false;
  });
  korvane::TBinaryReader count(saved);
  const std::uint32_t written =
      version >= korvane::TWebTree::kWideCountVersion ? count.ReadU32() : count.ReadU16();
  if (written != entries || entries > tree.Count()) std::abort();
  return 0;
}
