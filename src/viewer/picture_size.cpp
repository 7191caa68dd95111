// Only the fields that carry the size are read; every read is bounds-checked because captured
// files come from anywhere.
#include "viewer/picture_size.h"

#include <cstdlib>

namespace korvane {
namespace {

std::uint32_t Byte(std::string_view b, std::size_t i) { return static_cast<unsigned char>(b[i]); }
std::uint32_t Le16(std::string_view b, std::size_t i) { return Byte(b, i) | Byte(b, i + 1) << 8; }
std::uint32_t Be16(std::string_view b, std::size_t i) { return Byte(b, i) << 8 | Byte(b, i + 1); }
std::uint32_t Be32(std::string_view b, std::size_t i) { return Be16(b, i) << 16 | Be16(b, i + 2); }
std::uint32_t Le32(std::string_view b, std::size_t i) { return Le16(b, i) | Le16(b, i + 2) << 16; }

// Sizes above this are not believed: no real picture is that large, and it keeps the thumbnail
// arithmetic of the index pages far from overflow.
constexpr std::uint32_t kMaxSide = 1 << 20;

TPictureSize Checked(std::uint32_t w, std::uint32_t h) {
  if (w == 0 || h == 0 || w > kMaxSide || h > kMaxSide) return {};
  return {static_cast<std::int32_t>(w), static_cast<std::int32_t>(h)};
}

TPictureSize Gif(std::string_view b) {
  if (b.size() < 10) return {};
  return Checked(Le16(b, 6), Le16(b, 8));
}

TPictureSize Png(std::string_view b) {
  // Signature, then the IHDR chunk: length, type, width, height.
  if (b.size() < 24 || b.substr(12, 4) != "IHDR") return {};
  return Checked(Be32(b, 16), Be32(b, 20));
}

TPictureSize Bmp(std::string_view b) {
  if (b.size() < 26) return {};
  std::uint32_t header = Le32(b, 14);
  if (header == 12) return Checked(Le16(b, 18), Le16(b, 20));  // the old OS/2 header
  if (header < 40 || b.size() < 26) return {};
  // The height is negative for pictures stored top-down.
  std::int32_t height = static_cast<std::int32_t>(Le32(b, 22));
  std::uint32_t side = height < 0 ? 0u - static_cast<std::uint32_t>(height)
                                  : static_cast<std::uint32_t>(height);
  return Checked(Le32(b, 18), side);
}

bool IsStartOfFrame(std::uint32_t marker) {
  // SOF0..SOF15 except DHT (C4), JPG (C8) and DAC (CC).
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

TPictureSize Jpeg(std::string_view b) {
  std::size_t i = 2;
  while (i + 4 <= b.size()) {
    if (Byte(b, i) != 0xFF) return {};
    std::uint32_t marker = Byte(b, i + 1);
    if (marker == 0xFF) {  // fill byte
      ++i;
      continue;
    }
    if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
      i += 2;  // markers without a length
      continue;
    }
    if (marker == 0xD9 || marker == 0xDA) return {};  // end of picture, or data before any frame
    std::uint32_t length = Be16(b, i + 2);
    if (length < 2) return {};
    if (IsStartOfFrame(marker)) {
      if (i + 9 > b.size() || length < 7) return {};
      return Checked(Be16(b, i + 7), Be16(b, i + 5));
    }
    i += 2 + length;
  }
  return {};
}

}  // namespace

TPictureSize MeasurePicture(std::string_view bytes) {
  if (bytes.starts_with("GIF87a") || bytes.starts_with("GIF89a")) return Gif(bytes);
  if (bytes.starts_with("\x89PNG\r\n\x1A\n")) return Png(bytes);
  if (bytes.starts_with("\xFF\xD8")) return Jpeg(bytes);
  if (bytes.starts_with("BM")) return Bmp(bytes);
  return {};
}

}  // namespace korvane
