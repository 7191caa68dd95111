#include "net/host_cache.h"

#include <algorithm>

#include "base/short_string.h"
#include "base/text_case.h"

namespace korvane {

const THostCache::TEntry* THostCache::FindEntry(std::string_view host) const {
  auto it = std::find_if(entries_.begin(), entries_.end(),
                         [host](const TEntry& e) { return SameAsciiNoCase(e.host, host); });
  return it == entries_.end() ? nullptr : &*it;
}

std::optional<std::string> THostCache::Find(std::string_view host) const {
  const TEntry* entry = FindEntry(host);
  if (!entry) return std::nullopt;
  return entry->address;
}

void THostCache::Add(std::string_view host, std::string_view address) {
  if (auto* entry = const_cast<TEntry*>(FindEntry(host))) {
    entry->address = ShortString(address);
    return;
  }
  entries_.push_back({ShortString(host), ShortString(address)});
}

}  // namespace korvane
