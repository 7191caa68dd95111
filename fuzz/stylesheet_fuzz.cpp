// The stylesheet scanner: every address found lies inside the text, and resolving a stylesheet
// twice gives the same bytes; undone (nothing local any more), it gives the text back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "html/css_scanner.h"
#include "pages/requisite_rewriter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view css(reinterpret_cast<const char*>(data), size);
  for (const korvane::TCssAddress& a : korvane::FindCssAddresses(css)) {
    if (a.Offset + a.Length > css.size() || a.TokenEnd > css.size()) std::abort();
    if (a.MarkerLength && a.MarkerOffset + a.MarkerLength > css.size()) std::abort();
  }
  // Markers written by the input itself are outside the promise.
  if (css.find("/*OLDREF=") != std::string_view::npos) return 0;
  int n = 0;
  auto local = [&n](const std::string& address) -> std::optional<std::string> {
    if (address.empty() || address.find_first_of("()'\"\\ \t\r\n*/") != std::string::npos) {
      return std::nullopt;
    }
    return "f" + std::to_string(n++ % 7) + ".png";
  };
  const std::string once = korvane::ResolvedStylesheet(css, local);
  n = 0;
  if (korvane::ResolvedStylesheet(once, local) != once) std::abort();
  const std::string undone =
      korvane::ResolvedStylesheet(once, [](const std::string&) { return std::nullopt; });
  if (undone != css) std::abort();
  return 0;
}
