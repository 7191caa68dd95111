// Arbitrary bytes as a page: its character set found, its title and link texts read in it and
// decoded into descriptions. A description stays a short string, and shows in UTF-8 and comes
// back to the same bytes, whatever the page held.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/text_encoding.h"
#include "html/charset.h"
#include "html/html_parser.h"
#include "pages/page_rewriter.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

bool IsUtf8(std::string_view s) {
  for (std::size_t at = 0; at < s.size();) {
    const auto lead = static_cast<unsigned char>(s[at]);
    std::size_t n = lead < 0x80         ? 1
                    : (lead >> 5) == 6  ? 2
                    : (lead >> 4) == 14 ? 3
                    : (lead >> 3) == 30 ? 4
                                        : 0;
    if (n == 0 || at + n > s.size()) return false;
    for (std::size_t k = 1; k < n; ++k) {
      if ((static_cast<unsigned char>(s[at + k]) & 0xC0) != 0x80) return false;
    }
    at += n;
  }
  return true;
}

void CheckDescription(std::string_view text) {
  const std::string description = korvane::DecodeEntities(text);
  Check(description.size() <= 255);
  const std::string shown = korvane::TextToUtf8(description);
  Check(IsUtf8(shown));
  Check(korvane::Utf8ToText(shown) == description);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  // First byte: the charset the response names.
  static const char* const kHeaderCharsets[] = {"", "utf-8", "iso-8859-15", "windows-1252",
                                                "shift_jis"};
  const char* header = kHeaderCharsets[data[0] % 5];
  std::string_view page(reinterpret_cast<const char*>(data) + 1, size - 1);
  korvane::THtmlParser parser(page);
  const korvane::TCharset charset = korvane::PageCharset(parser, page, header);
  for (const korvane::TCharset& each :
       {charset, korvane::TCharset(korvane::TCharset::kUtf8),
        korvane::TCharset(korvane::TCharset::kLatin9), korvane::TCharset::Other("CP932")}) {
    CheckDescription(korvane::PageTextToCore(page.substr(0, 300), each));
  }
  CheckDescription(page);
  korvane::TProcessedPage processed = korvane::ProcessCapturedPage(
      page, "https://www.site.test/a/b.htm", {},
      [](const korvane::TLinkItem& link, korvane::TWebFile*) { CheckDescription(link.Text); },
      nullptr, false, 0.0, false, header);
  CheckDescription(processed.Title);
  return 0;
}
