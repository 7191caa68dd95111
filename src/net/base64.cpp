#include "net/base64.h"

namespace korvane {

std::string TBase64::Encode(std::string_view bytes) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    unsigned v = static_cast<unsigned char>(bytes[i]) << 16 |
                 static_cast<unsigned char>(bytes[i + 1]) << 8 |
                 static_cast<unsigned char>(bytes[i + 2]);
    for (int shift = 18; shift >= 0; shift -= 6) out.push_back(kAlphabet[(v >> shift) & 63]);
  }
  std::size_t rest = bytes.size() - i;
  if (rest == 0) return out;
  unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
  if (rest == 2) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
  out.push_back(kAlphabet[(v >> 18) & 63]);
  out.push_back(kAlphabet[(v >> 12) & 63]);
  out.push_back(rest == 2 ? kAlphabet[(v >> 6) & 63] : '=');
  out.push_back('=');
  return out;
}

}  // namespace korvane
