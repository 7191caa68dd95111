// THostCache: the memory of host names met by the connection slots of a capture, with the
// dotted address each one connected to, or an empty address for a host known not to exist, so
// that the slots of a capture resolve each host once and give up at once on a missing one.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

class THostCache {
 public:
  // The address of `host` (empty: the host does not exist); nothing when it was never met.
  std::optional<std::string> Find(std::string_view host) const;
  // Enters or replaces the address of `host`.
  void Add(std::string_view host, std::string_view address);
  void Clear() { entries_.clear(); }
  std::size_t Count() const { return entries_.size(); }

 private:
  struct TEntry {
    std::string host, address;
  };
  // Host names are compared without regard to case, as the name service does.
  const TEntry* FindEntry(std::string_view host) const;

  std::vector<TEntry> entries_;
};

}  // namespace korvane
