// TLinkItem: a link handed to link admission, from a captured page, the start address or a
// redirection.
#pragma once

#include <cstdint>
#include <string>

namespace korvane {

struct TLinkItem {
  std::uint8_t LinkKind = 0;  // 0 page, 1 image or embedded object, 2 background picture
  std::string Url;            // absolute address
  std::string Text;           // link text; empty for the start address
};

}  // namespace korvane
