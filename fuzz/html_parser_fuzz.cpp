// Scans arbitrary bytes as a page, then asks every question of every item; the page must come
// back whole from an item-by-item copy.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "html/html_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view page(reinterpret_cast<const char*>(data), size);
  korvane::THtmlParser parser(page);
  std::string copy;
  for (int i = 0; i < parser.Count(); ++i) {
    if (i + 1 < parser.Count()) {
      if (parser.Item(i).Kind & korvane::kBoundary) {
        parser.CopyText(i, copy);
      } else {
        parser.CopyTagAndText(i, copy);
      }
    }
    korvane::TTagParam param;
    parser.FindAttr("HREF", i, &param);
    parser.FindAttr("OLDREF", i, &param);
    korvane::TLinkParam link;
    if (parser.GetLink(i, &link)) {
      std::string out;
      parser.WriteLinkTag(i, out, "http://h.com/old.htm", "new.htm", link);
      parser.WriteLinkTag(i, out, "", link.Link.Value, link);
    }
  }
  if (copy != page) std::abort();
  korvane::DecodeEntities(page);
  return 0;
}
