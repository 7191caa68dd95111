// Loads arbitrary bytes as a project file. A load either fails and leaves an empty web, or
// succeeds, and then what the program saves loads back and saves to the same bytes. (Addresses
// in a hostile file need not be in the canonical form the program writes, so the first save
// may differ from the input; from then on the file is stable.)
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/web.h"
#include "support/mem_file_system.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  korvane::testing::TMemFileSystem fs;
  (void)fs.MakeDirs("/w");
  fs.files["/w/Local.Web"] = std::string(reinterpret_cast<const char*>(data), size);
  korvane::TOPTIONS defaults;
  korvane::TWEB web(defaults, fs);
  if (!web.LoadFromFile("/w/Local.Web")) {
    if (web.GetLinkCount() != 0 || !web.TodoList().empty()) std::abort();
    return 0;
  }
  if (!web.SaveToFile("/w/Again.Web")) return 0;  // e.g. more map records than a word holds
  korvane::TWEB again(defaults, fs);
  if (!again.LoadFromFile("/w/Again.Web")) std::abort();
  if (!again.SaveToFile("/w/Third.Web")) std::abort();
  korvane::TWEB third(defaults, fs);
  if (!third.LoadFromFile("/w/Third.Web")) std::abort();
  if (!third.SaveToFile("/w/Fourth.Web")) std::abort();
  if (fs.files["/w/Third.Web"] != fs.files["/w/Fourth.Web"]) std::abort();
  return 0;
}
