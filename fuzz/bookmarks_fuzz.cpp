// Reads arbitrary bytes as a bookmark file. A file that reads is written back; what was written
// must read again and settle, and a file that does not read is never written over.
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
  // Once written by the program, a file is written again unchanged: nothing kept from it (other
  // attributes, declarations) grows or goes. (The first write may still settle what a damaged
  // file held, such as a description of the root that differs from its title.)
  std::string written;
  for (int round = 0; round < 3; ++round) {
    if (!marks.Write()) std::abort();
    if (round == 2 && fs.files["/d/b.htm"] != written) std::abort();
    written = fs.files["/d/b.htm"];
    try {
      if (marks.Read() != 0) std::abort();
    } catch (const korvane::TBookmarkConvertError&) {
      std::abort();  // the writer only writes numbers
    }
  }
  return 0;
}
