#include "html/charset.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstring>

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

// Browsers read these names as the larger set that Windows made of them, and pages rely on it.
struct TSuperset {
  std::string_view converter_name;
  std::array<std::string_view, 6> labels;
};
constexpr std::array<TSuperset, 6> kSupersets = {{
    {"CP932", {"shift_jis", "sjis", "ms_kanji", "x-sjis", "csshiftjis", "windows-31j"}},
    {"GB18030", {"gb2312", "gbk", "x-gbk", "chinese", "csgb2312", "gb18030"}},
    {"CP949", {"euc-kr", "ks_c_5601-1987", "windows-949", "csksc56011987", "korean", ""}},
    {"CP1254", {"iso-8859-9", "latin5", "windows-1254", "iso8859-9", "l5", ""}},
    {"CP874", {"tis-620", "iso-8859-11", "windows-874", "dos-874", "", ""}},
    {"BIG5-HKSCS", {"big5", "big5-hkscs", "cn-big5", "x-x-big5", "csbig5", ""}},
}};

std::string ConverterName(std::string_view label) {
  for (const TSuperset& set : kSupersets) {
    for (std::string_view each : set.labels) {
      if (!each.empty() && SameAsciiNoCase(label, each)) return std::string(set.converter_name);
    }
  }
  return std::string(label);
}

// The converter's name for a set a page names, when it may be one: a page's word goes to a
// library that loads modules by name, so only what set names are made of passes.
bool PlausibleCharsetName(std::string_view name) {
  if (name.empty() || name.size() > 40) return false;
  for (char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '-' || c == '_' || c == '.' || c == ':';
    if (!ok) return false;
  }
  return true;
}

// The converter from `name` to UTF-32, or null when the system has none.
iconv_t OpenConverter(const std::string& name) {
  iconv_t converter = iconv_open("UTF-32LE", name.c_str());
  return converter == reinterpret_cast<iconv_t>(-1) ? nullptr : converter;
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
  if (!PlausibleCharsetName(name)) return std::nullopt;
  const std::string known = ConverterName(name);
  iconv_t converter = OpenConverter(known);
  if (!converter) return std::nullopt;
  iconv_close(converter);
  return TCharset::Other(known);
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

TPageTextDecoder::TPageTextDecoder(const TCharset& charset) : kind_(charset.Kind) {
  if (kind_ != TCharset::kOther) return;
  converter_ = OpenConverter(charset.Name);
  if (!converter_) kind_ = TCharset::kWindows1252;
}

TPageTextDecoder::~TPageTextDecoder() {
  if (converter_) iconv_close(static_cast<iconv_t>(converter_));
}

std::string TPageTextDecoder::ToCore(std::string_view text) const {
  switch (kind_) {
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
    case TCharset::kOther:
      return Converted(text);
  }
  return std::string(text);
}

std::string TPageTextDecoder::Converted(std::string_view text) const {
  auto converter = static_cast<iconv_t>(converter_);
  iconv(converter, nullptr, nullptr, nullptr, nullptr);  // a fresh start for every text
  TTextWriter out(std::string::npos, true);
  char* in = const_cast<char*>(text.data());  // iconv's interface; the bytes are only read
  std::size_t in_left = text.size();
  char buffer[1024];
  while (in_left > 0) {
    char* to = buffer;
    std::size_t to_left = sizeof buffer;
    const std::size_t result = iconv(converter, &in, &in_left, &to, &to_left);
    const int error = result == static_cast<std::size_t>(-1) ? errno : 0;
    for (const char* at = buffer; at + 4 <= to; at += 4) {
      const auto* b = reinterpret_cast<const unsigned char*>(at);
      out.Put(static_cast<char32_t>(b[0] | b[1] << 8 | b[2] << 16 | std::uint32_t{b[3]} << 24));
    }
    if (error == EILSEQ) {
      // Not a character of the set: the byte as Windows-1252 has it, and on.
      out.Put(Win1252Character(static_cast<unsigned char>(*in)));
      ++in;
      --in_left;
    } else if (error != 0 && error != E2BIG) {
      break;  // a character cut short at the end (EINVAL), or a failure of iconv
    }
  }
  return out.Text();
}

std::string PageTextToCore(std::string_view text, const TCharset& charset) {
  return TPageTextDecoder(charset).ToCore(text);
}

}  // namespace korvane
