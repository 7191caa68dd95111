#include "maps/map_file.h"

#include <strings.h>

#include "base/short_string.h"

namespace korvane {
namespace {

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

std::unique_ptr<TZone> ZoneForShape(std::string_view shape) {
  if (SameText(shape, "rect") || SameText(shape, "rectangle")) return std::make_unique<TZoneRect>();
  if (SameText(shape, "circle")) return std::make_unique<TZoneCircle>();
  if (SameText(shape, "poly") || SameText(shape, "polygon"))
    return std::make_unique<TZonePolygon>();
  return nullptr;
}

bool IsBlank(char c) { return static_cast<unsigned char>(c) < 33; }

// The value of attribute `name` in the tag body `tag` (without '<' and '>'), read like the
// tokenizer reads attributes: words end at blanks, and the value is the rest of the word after
// '=', its quotes removed. Unlike the tokenizer this reads tags of any length, so that a polygon
// whose line is longer than 255 bytes reads back whole.
std::string_view AttrValue(std::string_view tag, std::string_view name) {
  std::size_t w = 0;
  while (w < tag.size()) {
    while (w < tag.size() && IsBlank(tag[w])) ++w;
    std::size_t end = w;
    while (end < tag.size() && !IsBlank(tag[end])) ++end;
    std::string_view word = tag.substr(w, end - w);
    if (word.size() > name.size() && word[name.size()] == '=' &&
        SameText(word.substr(0, name.size()), name)) {
      std::string_view value = word.substr(name.size() + 1);
      if (!value.empty() && (value.front() == '"' || value.front() == '\'')) {
        const char quote = value.front();
        value.remove_prefix(1);
        if (!value.empty() && value.back() == quote) value.remove_suffix(1);
      }
      return value;
    }
    w = end;
  }
  return {};
}

// The bodies of the AREA start tags of `text`, in order.
std::vector<std::string_view> AreaTags(std::string_view text) {
  std::vector<std::string_view> tags;
  for (std::size_t open = text.find('<'); open != std::string_view::npos;
       open = text.find('<', open + 1)) {
    const std::size_t close = text.find('>', open);
    if (close == std::string_view::npos) break;
    const std::string_view body = text.substr(open + 1, close - open - 1);
    if (body.size() >= 4 && SameText(body.substr(0, 4), "area") &&
        (body.size() == 4 || IsBlank(body[4]))) {
      tags.push_back(body.substr(4));
    }
  }
  return tags;
}

}  // namespace

std::vector<std::unique_ptr<TZone>> ReadMapZones(std::string_view text) {
  std::vector<std::unique_ptr<TZone>> zones;
  for (std::string_view tag : AreaTags(text)) {
    std::unique_ptr<TZone> zone = ZoneForShape(AttrValue(tag, "shape"));
    if (!zone) continue;
    zone->SetCoords(AttrValue(tag, "coords"));
    if (zone->IsValid()) zones.push_back(std::move(zone));
  }
  return zones;
}

TAreaLine MakeAreaLine(const TZone& zone, std::string_view map_url, std::string_view target) {
  const TPoint center = zone.GetCenter();
  TAreaLine area;
  area.Link = ShortString(std::string(map_url) + "?" + std::to_string(center.x) + "," +
                          std::to_string(center.y));
  area.Line = "<area shape=\"" + zone.GetShape() + "\" coords=\"" + zone.GetCoords() + "\" ";
  if (!target.empty()) area.Line += "target=\"" + std::string(target) + "\" ";
  area.Line += "href=\"" + area.Link + "\">\r\n";
  return area;
}

}  // namespace korvane
