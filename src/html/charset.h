// The character set of a captured page, and the texts of pages (titles, link texts) converted
// from it to the core's Windows-1252, so that what a page shows is what its description shows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvane {

class THtmlParser;

// The sets read; a page in any other is read as Windows-1252, as before.
enum class TCharset : std::uint8_t {
  kWindows1252,  // also ISO-8859-1 and US-ASCII, which browsers read as Windows-1252
  kUtf8,
  kLatin9,  // ISO-8859-15
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

// A text of a page in `charset` (HTML source, entities not decoded) as Windows-1252 HTML source
// of the same meaning: characters Windows-1252 cannot hold become numeric references. Bytes that
// are not valid UTF-8 are taken as Windows-1252; a character cut short at the end is dropped.
std::string PageTextToCore(std::string_view text, TCharset charset);

}  // namespace korvane
