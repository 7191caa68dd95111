// Parses arbitrary bytes as an address and as a base, resolves one against the other, and checks
// that the canonical form stays a short string, and that the address's name in the site's own
// folders stays inside the web's folder.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/file_name.h"
#include "html/url.h"
#include "store/site_names.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::size_t split = input.find('\n');
  std::string_view address = input.substr(0, split);
  std::string_view base = split == std::string_view::npos ? "" : input.substr(split + 1);
  std::string resolved = korvane::Resolve(address, base);
  if (resolved.size() > 255) std::abort();
  korvane::TUrl url(address);
  if (url.Path.size() > 255 || url.Document.size() > 255) std::abort();
  korvane::GetDomainName(address);
  korvane::GetMachineName(base);
  korvane::GetTarget(address);
  korvane::GetPort(address);
  korvane::IsWebAddress(resolved);
  const std::string name = korvane::SiteFileName(resolved, "htm", base);
  if (!name.empty() && !korvane::IsWebFileName(name)) std::abort();
  return 0;
}
