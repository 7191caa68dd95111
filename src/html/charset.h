// The character set of a captured page, and the texts of pages (titles, link texts) converted
// from it to the core's Windows-1252, so that what a page shows is what its description shows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace korvane {

class THtmlParser;

// The set a page is written in. Three are read by hand (most pages use them); any other that the
// system's converter (iconv) knows is read through it; a page in a set neither knows is read as
// Windows-1252, as before.
struct TCharset {
  enum TKind : std::uint8_t {
    kWindows1252,  // also ISO-8859-1 and US-ASCII, which browsers read as Windows-1252
    kUtf8,
    kLatin9,  // ISO-8859-15
    kOther,   // Name, through the converter: "windows-1251", "Shift_JIS", "KOI8-R", ...
  };
  TCharset(TKind kind = kWindows1252) : Kind(kind) {}  // NOLINT: a set is named by its kind
  static TCharset Other(std::string name) {
    TCharset set(kOther);
    set.Name = std::move(name);
    return set;
  }
  bool operator==(const TCharset&) const = default;

  TKind Kind;
  std::string Name;  // only for kOther
};

// The set a name stands for ("utf-8", "ISO-8859-1", "\"latin1\""); none for one not known.
std::optional<TCharset> CharsetNamed(std::string_view name);
// The charset parameter of a Content-Type value ("text/html; charset=utf-8"); empty when none.
std::string CharsetParameter(std::string_view content_type);

// The set a page is written in, as a browser decides it: a byte order mark, else the charset of
// its response header, else the one its <meta> names (a charset attribute, or an http-equiv
// Content-Type), else Windows-1252.
TCharset PageCharset(const THtmlParser& parser, std::string_view page,
                     std::string_view header_charset);

// Texts of a page in `charset` (HTML source, entities not decoded) as Windows-1252 HTML source of
// the same meaning: characters Windows-1252 cannot hold become numeric references. A byte that
// is not a character of the set is taken as the Windows-1252 character it is; a character cut
// short at the end is dropped. One per page: a set read through the converter opens it once.
class TPageTextDecoder {
 public:
  explicit TPageTextDecoder(const TCharset& charset);
  ~TPageTextDecoder();
  TPageTextDecoder(const TPageTextDecoder&) = delete;
  TPageTextDecoder& operator=(const TPageTextDecoder&) = delete;

  std::string ToCore(std::string_view text) const;

 private:
  std::string Converted(std::string_view text) const;

  TCharset::TKind kind_;
  void* converter_ = nullptr;  // an iconv_t, for kOther
};

// The same, for one text.
std::string PageTextToCore(std::string_view text, const TCharset& charset);

}  // namespace korvane
