// TLinkItem: a link handed to link admission: its kind, its absolute address and its text.
#pragma once

#include <cstdint>
#include <string>

namespace korvane {

struct TLinkItem {
  std::uint8_t LinkKind = 0;  // 0 page, 1 picture or embedded object, 2 background picture
  std::string Url;            // absolute, canonical
  std::string Text;           // the link's text; empty for the start address
};

}  // namespace korvane
