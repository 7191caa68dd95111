#include "html/requisite_links.h"

#include <charconv>

#include "base/text_case.h"
#include "html/css_scanner.h"

namespace korvane {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

// Adds the extra link of `attribute` when the tag has it, with the addresses `parse` finds in
// the value it starts from.
template <class Parse>
void AddExtra(const THtmlParser& parser, int i, std::string_view attribute, Parse&& parse,
              std::vector<TExtraLink>& out) {
  TExtraLink link;
  link.Attribute = std::string(attribute);
  parser.FindAttr(attribute, i, &link.Value);
  if (link.Value.ValueStart == 0) return;
  parser.FindAttr("OLD" + link.Attribute, i, &link.Old);
  link.Source = link.Old.ValueStart != 0 ? link.Old.Value : link.Value.Value;
  link.Addresses = parse(std::string_view(link.Source));
  if (!link.Addresses.empty() || link.Old.ValueStart != 0) out.push_back(std::move(link));
}

std::vector<TValueAddress> StyleAddresses(std::string_view style) {
  std::vector<TValueAddress> out;
  for (const TCssAddress& a : FindCssAddresses(style)) {
    const std::uint8_t kind = a.Kind == TCssAddress::kPicture ? lkBackground : lkRequisite;
    out.push_back({a.Offset, a.Length, DecodeAttributeValue(a.Address), kind});
  }
  return out;
}

std::vector<TValueAddress> WholeValue(std::string_view value, std::uint8_t kind) {
  std::size_t start = 0, end = value.size();
  while (start < end && IsSpace(value[start])) ++start;
  while (end > start && IsSpace(value[end - 1])) --end;
  if (start == end) return {};
  return {{start, end - start, DecodeAttributeValue(value.substr(start, end - start)), kind}};
}

bool IsRefresh(const THtmlParser& parser, int i) {
  TTagParam equiv;
  parser.FindAttr("HTTP-EQUIV", i, &equiv);
  return SameAsciiNoCase(equiv.Value, "refresh");
}

// A character reference's text ("#38", "#x26", "amp"), or nothing.
std::string_view ReferenceName(std::string_view value, std::size_t amp, std::size_t& end) {
  const std::size_t semi = value.find(';', amp + 1);
  if (semi == std::string_view::npos || semi - amp > 10) return {};
  end = semi + 1;
  return value.substr(amp + 1, semi - amp - 1);
}

int ReferenceChar(std::string_view name) {
  if (name == "amp") return '&';
  if (name == "lt") return '<';
  if (name == "gt") return '>';
  if (name == "quot") return '"';
  if (name == "apos") return '\'';
  if (name.size() < 2 || name[0] != '#') return -1;
  const bool hex = name[1] == 'x' || name[1] == 'X';
  std::string_view digits = name.substr(hex ? 2 : 1);
  unsigned code = 0;
  auto [end, error] =
      std::from_chars(digits.data(), digits.data() + digits.size(), code, hex ? 16 : 10);
  // Only what the core's single-byte text can hold; others stay as written.
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() || code == 0 ||
      code > 255) {
    return -1;
  }
  return static_cast<int>(code);
}

}  // namespace

std::vector<TExtraLink> ExtraLinks(const THtmlParser& parser, int i) {
  std::vector<TExtraLink> out;
  const TTag& item = parser.Item(i);
  if (!parser.Options().Requisites || !(item.Kind & kStartTag) || item.TagType == ttComment) {
    return out;
  }
  switch (item.TagType) {
    case ttImg:
    case ttSource:
      AddExtra(parser, i, "SRCSET", SrcsetAddresses, out);
      break;
    case ttVideo:
      AddExtra(
          parser, i, "POSTER", [](std::string_view v) { return WholeValue(v, lkImage); }, out);
      break;
    case ttMeta:
      if (IsRefresh(parser, i)) AddExtra(parser, i, "CONTENT", RefreshAddresses, out);
      break;
    default:
      break;
  }
  AddExtra(parser, i, "STYLE", StyleAddresses, out);
  return out;
}

std::vector<TValueAddress> SrcsetAddresses(std::string_view value) {
  std::vector<TValueAddress> out;
  std::size_t k = 0;
  while (k < value.size()) {
    while (k < value.size() && (IsSpace(value[k]) || value[k] == ',')) ++k;
    const std::size_t start = k;
    while (k < value.size() && !IsSpace(value[k])) ++k;
    std::size_t end = k;
    // A candidate without descriptor ends at its comma.
    while (end > start && value[end - 1] == ',') --end;
    if (end > start) {
      out.push_back(
          {start, end - start, DecodeAttributeValue(value.substr(start, end - start)), lkImage});
    }
    if (end < k) continue;  // the comma ended the candidate
    // The descriptors, up to the comma that ends the candidate (outside parentheses).
    int nesting = 0;
    while (k < value.size() && (nesting > 0 || value[k] != ',')) {
      if (value[k] == '(') ++nesting;
      if (value[k] == ')' && nesting > 0) --nesting;
      ++k;
    }
  }
  return out;
}

std::vector<TValueAddress> RefreshAddresses(std::string_view content) {
  std::size_t k = 0;
  while (k < content.size() &&
         (IsSpace(content[k]) || (content[k] >= '0' && content[k] <= '9') || content[k] == '.')) {
    ++k;
  }
  while (k < content.size() && (IsSpace(content[k]) || content[k] == ';' || content[k] == ',')) ++k;
  if (k + 3 <= content.size() && SameAsciiNoCase(content.substr(k, 3), "url")) {
    std::size_t e = k + 3;
    while (e < content.size() && IsSpace(content[e])) ++e;
    if (e < content.size() && content[e] == '=') {
      k = e + 1;
      while (k < content.size() && IsSpace(content[k])) ++k;
    }
  }
  std::size_t end = content.size();
  if (k < end && (content[k] == '\'' || content[k] == '"')) {
    const std::size_t close = content.find(content[k], k + 1);
    ++k;
    if (close != std::string_view::npos) end = close;
  }
  while (end > k && IsSpace(content[end - 1])) --end;
  if (end <= k) return {};
  return {{k, end - k, DecodeAttributeValue(content.substr(k, end - k)), lkPage}};
}

std::string DecodeAttributeValue(std::string_view value) {
  if (value.find('&') == std::string_view::npos) return std::string(value);
  std::string out;
  out.reserve(value.size());
  for (std::size_t k = 0; k < value.size();) {
    std::size_t end = 0;
    if (value[k] == '&') {
      const int c = ReferenceChar(ReferenceName(value, k, end));
      if (c >= 0) {
        out.push_back(static_cast<char>(c));
        k = end;
        continue;
      }
    }
    out.push_back(value[k++]);
  }
  return out;
}

std::string EncodeAttributeValue(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (char c : value) {
    if (c == '&') {
      out += "&amp;";
    } else if (c == '"') {
      out += "&quot;";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::string AttributeText(std::string_view address) {
  if (address.find('"') == std::string_view::npos && DecodeAttributeValue(address) == address) {
    return std::string(address);
  }
  return EncodeAttributeValue(address);
}

std::string ReplaceAddresses(std::string_view value, const std::vector<TValueAddress>& addresses,
                             const std::vector<std::string>& with) {
  std::string out;
  std::size_t copied = 0;
  for (std::size_t n = 0; n < addresses.size() && n < with.size(); ++n) {
    out.append(value.substr(copied, addresses[n].Offset - copied));
    out.append(with[n]);
    copied = addresses[n].Offset + addresses[n].Length;
  }
  out.append(value.substr(copied));
  return out;
}

bool IsFetchableAddress(std::string_view address) {
  std::size_t k = 0;
  while (k < address.size() && IsSpace(address[k])) ++k;
  address.remove_prefix(k);
  if (address.empty() || address.front() == '#') return false;
  for (std::string_view scheme : {"data:", "javascript:", "blob:", "about:"}) {
    if (address.size() >= scheme.size() &&
        SameAsciiNoCase(address.substr(0, scheme.size()), scheme)) {
      return false;
    }
  }
  return true;
}

}  // namespace korvane
