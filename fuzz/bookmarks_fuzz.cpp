// Reads arbitrary bytes as a bookmark file. A file that reads is written back; what was written
// must read again, and a file that does not read is never written over.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "pages/bookmarks.h"
#include "support/mem_file_system.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  korvane::testing::TMemFileSystem fs;
  const std::string input(reinterpret_cast<const char*>(data), size);
  if (!fs.MakeDirs("/d")) std::abort();
  fs.files["/d/b.htm"] = input;
  korvane::TBookMarks marks(fs);
  marks.SetFileName("/d/b.htm");
  int code = 1;
  try {
    code = marks.Read();
  } catch (const korvane::TBookmarkConvertError&) {
    code = -1;
  }
  if (code != 0) {
    if (fs.files["/d/b.htm"] != input) std::abort();
    return 0;
  }
  if (!marks.Write()) std::abort();
  try {
    if (marks.Read() != 0) std::abort();
  } catch (const korvane::TBookmarkConvertError&) {
    std::abort();  // the writer only writes numbers
  }
  return 0;
}
