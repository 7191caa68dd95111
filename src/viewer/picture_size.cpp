// Only the fields that carry the size are read; every read is bounds-checked because captured
// files come from anywhere.
#include "viewer/picture_size.h"

#include <cmath>
#include <cstdlib>
#include <string>

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
  std::uint32_t side =
      height < 0 ? 0u - static_cast<std::uint32_t>(height) : static_cast<std::uint32_t>(height);
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

TPictureSize Webp(std::string_view b) {
  if (b.size() < 30) return {};
  const std::string_view chunk = b.substr(12, 4);
  if (chunk == "VP8 " && Byte(b, 23) == 0x9D && Byte(b, 24) == 0x01 && Byte(b, 25) == 0x2A) {
    return Checked(Le16(b, 26) & 0x3FFF, Le16(b, 28) & 0x3FFF);
  }
  if (chunk == "VP8L" && Byte(b, 20) == 0x2F) {
    const std::uint32_t bits = Le32(b, 21);
    return Checked((bits & 0x3FFF) + 1, ((bits >> 14) & 0x3FFF) + 1);
  }
  if (chunk == "VP8X") {
    const std::uint32_t w = Byte(b, 24) | Byte(b, 25) << 8 | Byte(b, 26) << 16;
    const std::uint32_t h = Byte(b, 27) | Byte(b, 28) << 8 | Byte(b, 29) << 16;
    return Checked(w + 1, h + 1);
  }
  return {};
}

// The first picture's size in its "ispe" property, which comes early in the file's meta box.
TPictureSize Avif(std::string_view b) {
  constexpr std::size_t kSearched = 64 * 1024;
  const std::size_t at = b.substr(0, kSearched).find("ispe");
  if (at == std::string_view::npos || at + 16 > b.size()) return {};
  return Checked(Be32(b, at + 8), Be32(b, at + 12));
}

// A length of the SVG element's width or height: a plain number or pixels; percentages and other
// units say nothing of pixels.
double SvgLength(std::string_view tag, std::string_view name) {
  std::size_t at = 0;
  while ((at = tag.find(name, at)) != std::string_view::npos) {
    const bool word = at > 0 && (tag[at - 1] == ' ' || tag[at - 1] == '\n' || tag[at - 1] == '\t' ||
                                 tag[at - 1] == '\r');
    std::size_t k = at + name.size();
    at = k;
    if (!word) continue;
    while (k < tag.size() && tag[k] == ' ') ++k;
    if (k >= tag.size() || tag[k] != '=') continue;
    ++k;
    while (k < tag.size() && tag[k] == ' ') ++k;
    if (k < tag.size() && (tag[k] == '"' || tag[k] == '\'')) ++k;
    const std::string value(tag.substr(k, 32));
    char* end = nullptr;
    const double number = std::strtod(value.c_str(), &end);
    if (end == value.c_str()) return 0;
    const std::string_view unit(end);
    if (!unit.empty() && unit[0] != '"' && unit[0] != '\'' && !unit.starts_with("px") &&
        unit[0] != ' ') {
      return 0;
    }
    return number;
  }
  return 0;
}

TPictureSize Svg(std::string_view b) {
  const std::string_view head = b.substr(0, 4096);
  const std::size_t start = head.find("<svg");
  if (start == std::string_view::npos) return {};
  const std::size_t end = head.find('>', start);
  const std::string_view tag =
      head.substr(start, end == std::string_view::npos ? 4096 : end - start);
  double w = SvgLength(tag, "width"), h = SvgLength(tag, "height");
  if (w <= 0 || h <= 0) {
    // The view box's size: "min-x min-y width height".
    const std::size_t box = tag.find("viewBox=");
    if (box == std::string_view::npos || box + 9 >= tag.size()) return {};
    const std::string values(tag.substr(box + 9, 64));
    double v[4] = {0, 0, 0, 0};
    const char* p = values.c_str();
    for (double& x : v) {
      char* next = nullptr;
      x = std::strtod(p, &next);
      if (next == p) return {};
      p = next;
      while (*p == ',' || *p == ' ') ++p;
    }
    w = v[2];
    h = v[3];
  }
  if (!(w >= 1 && h >= 1 && w <= kMaxSide && h <= kMaxSide)) return {};
  return Checked(static_cast<std::uint32_t>(std::lround(w)),
                 static_cast<std::uint32_t>(std::lround(h)));
}

bool LooksLikeSvg(std::string_view b) {
  std::size_t k = 0;
  if (b.starts_with("\xEF\xBB\xBF")) k = 3;  // a UTF-8 byte order mark
  while (k < b.size() && (b[k] == ' ' || b[k] == '\n' || b[k] == '\r' || b[k] == '\t')) ++k;
  return b.substr(k).starts_with("<?xml") || b.substr(k).starts_with("<svg") ||
         b.substr(k).starts_with("<!--") || b.substr(k).starts_with("<!DOCTYPE svg");
}

}  // namespace

TPictureSize MeasurePicture(std::string_view bytes) {
  if (bytes.starts_with("GIF87a") || bytes.starts_with("GIF89a")) return Gif(bytes);
  if (bytes.starts_with("\x89PNG\r\n\x1A\n")) return Png(bytes);
  if (bytes.starts_with("\xFF\xD8")) return Jpeg(bytes);
  if (bytes.starts_with("BM")) return Bmp(bytes);
  if (bytes.size() >= 12 && bytes.starts_with("RIFF") && bytes.substr(8, 4) == "WEBP") {
    return Webp(bytes);
  }
  if (bytes.size() > 12 && bytes.substr(4, 4) == "ftyp" &&
      (bytes.substr(8, 4) == "avif" || bytes.substr(8, 4) == "avis")) {
    return Avif(bytes);
  }
  if (LooksLikeSvg(bytes)) return Svg(bytes);
  return {};
}

}  // namespace korvane
