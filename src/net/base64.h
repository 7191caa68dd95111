// TBase64: the encoding of Basic authorisation credentials (the standard MIME alphabet, '='
// padding).
#pragma once

#include <string>
#include <string_view>

namespace korvane {

class TBase64 {
 public:
  static std::string Encode(std::string_view bytes);
};

}  // namespace korvane
