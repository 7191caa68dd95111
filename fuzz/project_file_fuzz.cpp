// Loads arbitrary bytes as a project file. A load either succeeds, and then the web saves and
// loads back to the same bytes, or fails and leaves an empty web.
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
    if (web.GetLinkCount() != 0 || !web.TodoList.empty()) std::abort();
    return 0;
  }
  if (!web.SaveToFile("/w/Again.Web")) return 0;  // e.g. more map records than a word holds
  korvane::TWEB again(defaults, fs);
  if (!again.LoadFromFile("/w/Again.Web")) std::abort();
  if (!again.SaveToFile("/w/Third.Web")) std::abort();
  if (fs.files["/w/Again.Web"] != fs.files["/w/Third.Web"]) std::abort();
  return 0;
}
