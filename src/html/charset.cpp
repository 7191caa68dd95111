#include "html/charset.h"

#include <array>

#include "base/text_case.h"
#include "base/text_encoding.h"
#include "html/html_parser.h"

namespace korvane {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && (IsBlank(s.front()) || s.front() == '"' || s.front() == '\'')) {
    s.remove_prefix(1);
  }
  while (!s.empty() && (IsBlank(s.back()) || s.back() == '"' || s.back() == '\'')) {
    s.remove_suffix(1);
  }
  return s;
}

// Where ISO-8859-15 differs from ISO-8859-1: its bytes and their characters.
constexpr std::array<std::pair<unsigned char, char32_t>, 8> kLatin9 = {{{0xA4, 0x20AC},
                                                                        {0xA6, 0x0160},
                                                                        {0xA8, 0x0161},
                                                                        {0xB4, 0x017D},
                                                                        {0xB8, 0x017E},
                                                                        {0xBC, 0x0152},
                                                                        {0xBD, 0x0153},
                                                                        {0xBE, 0x0178}}};

char32_t Latin9Character(unsigned char byte) {
  for (const auto& [b, c] : kLatin9) {
    if (b == byte) return c;
  }
  return byte;  // the rest is Latin-1, controls 0x80 to 0x9F included
}

// The set a <meta> tag names, if it names one.
std::optional<TCharset> MetaCharset(const THtmlParser& parser, int i) {
  TTagParam value;
  if (parser.FindAttr("CHARSET", i, &value)) return CharsetNamed(value.Value);
  TTagParam equiv, content;
  if (parser.FindAttr("HTTP-EQUIV", i, &equiv) &&
      SameAsciiNoCase(Trimmed(equiv.Value), "content-type") &&
      parser.FindAttr("CONTENT", i, &content)) {
    return CharsetNamed(CharsetParameter(content.Value));
  }
  return std::nullopt;
}

}  // namespace

std::optional<TCharset> CharsetNamed(std::string_view name) {
  name = Trimmed(name);
  for (std::string_view utf8 : {"utf-8", "utf8", "unicode-1-1-utf-8"}) {
    if (SameAsciiNoCase(name, utf8)) return TCharset::kUtf8;
  }
  for (std::string_view latin1 :
       {"windows-1252", "cp1252", "x-cp1252", "iso-8859-1", "iso8859-1", "iso_8859-1", "latin1",
        "l1", "us-ascii", "ascii", "iso-ir-100", "csisolatin1", "ibm819", "cp819"}) {
    if (SameAsciiNoCase(name, latin1)) return TCharset::kWindows1252;
  }
  for (std::string_view latin9 :
       {"iso-8859-15", "iso8859-15", "iso_8859-15", "latin-9", "l9", "csisolatin9"}) {
    if (SameAsciiNoCase(name, latin9)) return TCharset::kLatin9;
  }
  return std::nullopt;
}

std::string CharsetParameter(std::string_view content_type) {
  for (std::size_t semi = content_type.find(';'); semi != std::string_view::npos;
       semi = content_type.find(';', semi + 1)) {
    std::string_view parameter = content_type.substr(semi + 1);
    parameter = parameter.substr(0, parameter.find(';'));
    const std::size_t equals = parameter.find('=');
    if (equals == std::string_view::npos) continue;
    if (!SameAsciiNoCase(Trimmed(parameter.substr(0, equals)), "charset")) continue;
    return std::string(Trimmed(parameter.substr(equals + 1)));
  }
  return {};
}

TCharset PageCharset(const THtmlParser& parser, std::string_view page,
                     std::string_view header_charset) {
  if (page.starts_with(kUtf8Bom)) return TCharset::kUtf8;
  if (auto named = CharsetNamed(header_charset)) return *named;
  // A declaration belongs to the head: the scan ends at the body.
  const int last = parser.Count() - 1;
  for (int i = 1; i < last; ++i) {
    const TTag& item = parser.Item(i);
    if (!(item.Kind & kStartTag)) continue;
    if (item.TagType == ttBody) break;
    // A parser for page requisites knows META; the original tokenizer calls it ttUnknown.
    if (item.TagType == ttMeta) {
      if (auto named = MetaCharset(parser, i)) return *named;
      continue;
    }
    if (item.TagType != ttUnknown || item.Length < 6) continue;
    const std::string_view tag = page.substr(static_cast<std::size_t>(item.Position), 6);
    if (!SameAsciiNoCase(tag.substr(1, 4), "meta") || !IsBlank(tag[5])) continue;
    if (auto named = MetaCharset(parser, i)) return *named;
  }
  return TCharset::kWindows1252;
}

std::string PageTextToCore(std::string_view text, TCharset charset) {
  switch (charset) {
    case TCharset::kWindows1252:
      return std::string(text);
    case TCharset::kUtf8:
      // The page's '&' are markup, decoded later with the rest of its references.
      return Utf8ToText(text, true);
    case TCharset::kLatin9: {
      TTextWriter out(std::string::npos, true);
      for (char byte : text) out.Put(Latin9Character(static_cast<unsigned char>(byte)));
      return out.Text();
    }
  }
  return std::string(text);
}

}  // namespace korvane
