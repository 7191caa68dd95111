#include "store/web_tree.h"

#include <algorithm>
#include <array>
#include <bit>

#include "base/checked.h"
#include "base/file_name.h"
#include "base/short_string.h"
#include "base/text_case.h"
#include "html/html_parser.h"
#include "html/url.h"

namespace korvane {
namespace {

// A node holding more entries than this is searched through its hash instead of linearly.
constexpr std::size_t kLinearSearchMax = 8;
// Saving and loading let the window breathe once per this many records.

constexpr char kConflictOnNode[] = "write Tree error on WebNode";
constexpr char kConflictOnFile[] = "write Tree error on Replace WebFile";

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// A slot holds the entry's position + 1 in its low 32 bits (0: free) and 32 bits of the
// segment's hash above them, so that a probe rarely has to read an entry that does not match.
// Fibonacci hashing: the high bits of the product spread similar names ("page1.html",
// "page2.html") over the whole table.
std::uint64_t HashOf(std::string_view segment) {
  return HashNoCase(segment) * 0x9E3779B97F4A7C15ULL;
}
std::size_t SlotOf(std::uint64_t hash, std::size_t mask) {
  return static_cast<std::size_t>(hash >> (64 - std::popcount(mask))) & mask;
}
std::uint64_t SlotValue(std::uint64_t hash, std::uint32_t index) {
  return (hash & 0xFFFFFFFF00000000ULL) | (index + 1ULL);
}
std::uint32_t SlotIndex(std::uint64_t slot) { return static_cast<std::uint32_t>(slot) - 1; }
bool SameTag(std::uint64_t slot, std::uint64_t hash) { return (slot >> 32) == (hash >> 32); }

// The text of each protocol as the canonical form writes it ("http:"), taken from TUrl so that
// the segments always join into its canonical form.
const std::array<std::string, kProtocolCount>& ProtocolTexts() {
  static const std::array<std::string, kProtocolCount> texts = [] {
    std::array<std::string, kProtocolCount> out;
    for (std::size_t p = 0; p < out.size(); ++p) {
      TUrl url;
      url.Protocol = static_cast<std::uint8_t>(p);
      url.Path.clear();
      std::string canonical = url.ToString();
      out[p] = canonical.substr(0, canonical.find("//"));
    }
    return out;
  }();
  return texts;
}

// An address split into segments without allocating per segment: the segments are consecutive
// pieces of `text`, ending at the offsets in `ends`.
class TKey {
 public:
  explicit TKey(std::string_view url) : text_(Buffer()) {
    thread_local TUrl parsed;
    parsed.Parse(url);
    const auto& protocols = ProtocolTexts();
    text_.assign(protocols[parsed.Protocol < protocols.size() ? parsed.Protocol : 0]);
    End();
    text_.append("//").append(parsed.Host);
    if (parsed.Port != -1) text_.append(":").append(std::to_string(parsed.Port));
    End();
    std::size_t start = 0;
    const std::string& path = parsed.Path;
    for (std::size_t i = 0; i < path.size(); ++i) {
      if (!IsSeparator(path[i])) continue;
      text_.append(path, start, i + 1 - start);
      End();
      start = i + 1;
    }
    if (start < path.size() || path.empty()) {
      text_.append(path, start);
      End();
    }
    text_.append(parsed.Document);
    End();
  }

  std::size_t Size() const { return count_; }
  std::string_view operator[](std::size_t i) const {
    std::size_t begin = i == 0 ? 0 : ends_[i - 1];
    return std::string_view(text_).substr(begin, ends_[i] - begin);
  }

 private:
  void End() {
    // A short string address has far fewer segments than this; extra ones join the last.
    auto end = static_cast<std::uint16_t>(text_.size());
    if (count_ < ends_.size()) {
      ends_[count_++] = end;
    } else {
      ends_[count_ - 1] = end;
    }
  }

  // Keys are built on every lookup: one buffer per thread instead of one allocation per key. A
  // key is never built while another is in use.
  static std::string& Buffer() {
    thread_local std::string buffer;
    return buffer;
  }

  std::string& text_;
  std::array<std::uint16_t, 300> ends_;  // only the first count_ are set
  std::size_t count_ = 0;
};

}  // namespace

// --- TWebFile -------------------------------------------------------------------------------

void TWebFile::SetFileName(std::string_view name) { file_name_.assign(ShortView(name)); }

void TWebFile::SetDescription(std::string_view text) {
  description_ = DecodeEntities(text);
  description_.resize(std::min(description_.size(), kShortStringMax));
}

void TWebFile::SetMimeType(std::string_view type) { mime_type_.assign(ShortView(type)); }

void TWebFile::CopyFieldsOf(const TWebFile& other) {
  State = other.State;
  ExternalDepth = other.ExternalDepth;
  LinkDepth = other.LinkDepth;
  Flags = other.Flags;
  file_name_ = other.file_name_;
  description_ = other.description_;
  mime_type_ = other.mime_type_;
  validators_ = other.validators_;
  BodyHash = other.BodyHash;
}

std::string_view TWebFile::GetETag() const {
  const std::string_view all = validators_;
  return all.substr(0, all.find('\n'));
}

std::string_view TWebFile::GetLastModified() const {
  const std::string_view all = validators_;
  const std::size_t split = all.find('\n');
  // Empty, but never without data: a view of nothing at all is no text to copy from.
  return split == std::string_view::npos ? all.substr(all.size()) : all.substr(split + 1);
}

void TWebFile::SetValidators(std::string_view etag, std::string_view last_modified) {
  const auto keepable = [](std::string_view text) {
    return text.size() <= kShortStringMax && !HasControlCharacter(text);
  };
  if (!keepable(etag)) etag = {};
  if (!keepable(last_modified)) last_modified = {};
  validators_.clear();
  if (etag.empty() && last_modified.empty()) return;
  if (!etag.empty()) validators_.append(etag.data(), etag.size());
  validators_ += '\n';
  if (!last_modified.empty()) validators_.append(last_modified.data(), last_modified.size());
}

int TWebFile::GetLinkType() const {
  if (GetHtml()) return 0;
  if (GetRequisite()) return 3;
  return GetBackground() ? 2 : 1;
}

void TWebFile::SetLinkType(int type) {
  SetHtml(type == 0);
  SetBackground(type == 2);
  SetRequisite(type == 3);
}

// --- TWebNode -------------------------------------------------------------------------------

TWebNode* TWebNode::TEntry::Node() const {
  const auto* node = std::get_if<std::unique_ptr<TWebNode>>(&Object);
  return node ? node->get() : nullptr;
}

TWebFile* TWebNode::TEntry::File() const {
  if (const auto* owned = std::get_if<std::unique_ptr<TWebFile>>(&Object)) return owned->get();
  if (const auto* alias = std::get_if<TWebFile*>(&Object)) return *alias;
  return nullptr;
}

std::ptrdiff_t TWebNode::IndexOf(std::string_view segment) const {
  if (slots_.empty()) {
    for (std::size_t i = 0; i < items_.size(); ++i) {
      if (SameTextNoCase(items_[i].Segment, segment)) return static_cast<std::ptrdiff_t>(i);
    }
    return -1;
  }
  std::size_t mask = slots_.size() - 1;
  std::uint64_t hash = HashOf(segment);
  for (std::size_t s = SlotOf(hash, mask);; s = (s + 1) & mask) {
    std::uint64_t held = slots_[s];
    if (held == 0) return -1;
    if (SameTag(held, hash) && SameTextNoCase(items_[SlotIndex(held)].Segment, segment)) {
      return SlotIndex(held);
    }
  }
}

std::uint32_t TWebNode::Append(std::string_view segment) {
  auto i = static_cast<std::uint32_t>(items_.size());
  items_.push_back(TEntry{std::string(segment), std::monostate()});
  if (!slots_.empty()) {
    if (items_.size() * 2 > slots_.size()) {
      RebuildIndex(slots_.size() * 2);
    } else {
      IndexEntry(i);
    }
  } else if (items_.size() > kLinearSearchMax) {
    RebuildIndex(32);
  }
  return i;
}

void TWebNode::IndexEntry(std::uint32_t i) {
  std::size_t mask = slots_.size() - 1;
  std::uint64_t hash = HashOf(items_[i].Segment);
  std::size_t s = SlotOf(hash, mask);
  while (slots_[s] != 0) {
    // Only the first of equal segments is reachable, as in a linear search.
    if (SameTag(slots_[s], hash) &&
        SameTextNoCase(items_[SlotIndex(slots_[s])].Segment, items_[i].Segment)) {
      return;
    }
    s = (s + 1) & mask;
  }
  slots_[s] = SlotValue(hash, i);
}

void TWebNode::RebuildIndex(std::size_t slots) {
  slots_.assign(slots, 0);
  for (std::uint32_t i = 0; i < items_.size(); ++i) IndexEntry(i);
}

// --- TWebTree -------------------------------------------------------------------------------

std::vector<std::string> TWebTree::MakeKey(std::string_view url) {
  TKey key(url);
  std::vector<std::string> segments;
  for (std::size_t i = 0; i < key.Size(); ++i) segments.emplace_back(key[i]);
  return segments;
}

TWebTree::TWebTree(std::uint32_t capacity)
    : root_(std::make_unique<TWebNode>()), capacity_(capacity) {}

void TWebTree::Clear() {
  observer_->Clearing();
  aliases_.clear();
  root_ = std::make_unique<TWebNode>();
  count_ = 0;
  observer_->Cleared();
}

bool TWebTree::Add(std::string_view url, std::unique_ptr<TWebFile> record) {
  if (!record) return false;
  return Insert(url, std::move(record), nullptr);
}

bool TWebTree::Add(std::string_view url, TWebFile* record) {
  if (!record || !record->owner_) return false;
  // A record of another tree would be left dangling here when that tree lets it go.
  const TWebNode* top = record->owner_;
  while (top->parent_) top = top->parent_;
  if (top != root_.get()) return false;
  return Insert(url, nullptr, record);
}

bool TWebTree::Insert(std::string_view url, std::unique_ptr<TWebFile> owned, TWebFile* alias) {
  // Refuse before changing anything: a count that wrapped would misreport the web's links and
  // let the tree block hold more records than its count says.
  if (count_ >= capacity_) throw TCounterOverflow();
  TKey key(url);
  TWebNode* node = root_.get();
  for (std::size_t s = 0; s + 1 < key.Size(); ++s) {
    std::ptrdiff_t found = node->IndexOf(key[s]);
    if (found < 0) {
      observer_->EntryAdding(*node, node->Count());
      std::uint32_t i = node->Append(key[s]);
      auto child = std::make_unique<TWebNode>();
      child->parent_ = node;
      child->index_in_parent_ = i;
      node->items_[i].Object = std::move(child);
      observer_->EntryAdded(*node, i);
      node = node->items_[i].Node();
      continue;
    }
    TWebNode* child = node->items_[static_cast<std::size_t>(found)].Node();
    if (!child) {
      last_error_ = kConflictOnNode;
      return false;
    }
    node = child;
  }

  std::string_view last = key[key.Size() - 1];
  std::ptrdiff_t found = node->IndexOf(last);
  std::uint32_t i;
  const bool added = found < 0;
  if (added) {
    observer_->EntryAdding(*node, node->Count());
    i = node->Append(last);
  } else {
    i = static_cast<std::uint32_t>(found);
    if (node->items_[i].Node()) {
      last_error_ = kConflictOnFile;
      return false;
    }
  }
  if (owned) {
    PlaceOwned(*node, i, std::move(owned));
  } else {
    PlaceAlias(*node, i, alias);
  }
  // The count is of the addresses held: a record replaced in its entry (a redirected address
  // becoming an alias of its target) adds none. Counting the replacement too left a finished
  // capture showing an address to explore that no entry holds, until the web was loaded again.
  if (added) {
    ++count_;
    observer_->EntryAdded(*node, i);
  } else {
    observer_->EntryChanged(*node, i);
  }
  return true;
}

void TWebTree::PlaceOwned(TWebNode& node, std::uint32_t i, std::unique_ptr<TWebFile> record) {
  TWebNode::TEntry& entry = node.items_[i];
  TWebFile* added = record.get();
  added->owner_ = &node;
  added->owner_index_ = i;
  if (auto* alias = std::get_if<TWebFile*>(&entry.Object)) {
    // The alias's record belongs to another address, which keeps it.
    ForgetAliasSite(*alias, &node, i);
  } else if (std::holds_alternative<std::unique_ptr<TWebFile>>(entry.Object)) {
    ReplaceOwned(node, i, added);
  }
  entry.Object = std::move(record);
}

void TWebTree::PlaceAlias(TWebNode& node, std::uint32_t i, TWebFile* record) {
  TWebNode::TEntry& entry = node.items_[i];
  TWebFile* held = entry.File();
  if (held == record) return;
  if (entry.IsAlias()) {
    ForgetAliasSite(held, &node, i);
  } else if (held) {
    ReplaceOwned(node, i, record);
  }
  entry.Object = record;
  aliases_.emplace(record, TAliasSite{&node, i});
}

void TWebTree::ForgetAliasSite(TWebFile* record, TWebNode* node, std::uint32_t i) {
  auto [begin, end] = aliases_.equal_range(record);
  for (auto it = begin; it != end; ++it) {
    if (it->second.node == node && it->second.index == i) {
      aliases_.erase(it);
      return;
    }
  }
}

// The record owned at node.items_[i] is about to be destroyed in favour of `replacement`: every
// entry that held it as an alias now holds the replacement, so none is left dangling.
void TWebTree::ReplaceOwned(TWebNode& node, std::uint32_t i, TWebFile* replacement) {
  TWebFile* old = node.items_[i].File();
  if (OnRecordReplaced) OnRecordReplaced(old, replacement);
  auto [begin, end] = aliases_.equal_range(old);
  std::vector<TAliasSite> sites;
  for (auto it = begin; it != end; ++it) sites.push_back(it->second);
  aliases_.erase(old);
  for (const TAliasSite& site : sites) {
    if (site.node == &node && site.index == i) continue;
    site.node->items_[site.index].Object = replacement;
    aliases_.emplace(replacement, site);
  }
  // The caller overwrites the entry, which destroys the old record.
}

TWebFile* TWebTree::Find(std::string_view url) const {
  TKey key(url);
  const TWebNode* node = root_.get();
  for (std::size_t s = 0; s < key.Size(); ++s) {
    std::ptrdiff_t found = node->IndexOf(key[s]);
    if (found < 0) return nullptr;
    const TWebNode::TEntry& entry = node->items_[static_cast<std::size_t>(found)];
    if (s + 1 == key.Size()) return entry.File();
    node = entry.Node();
    if (!node) return nullptr;
  }
  return nullptr;
}

TWebFile* TWebTree::FindAnyWebProtocol(std::string_view url) const {
  if (TWebFile* found = Find(url)) return found;
  const std::string twin = OtherWebProtocol(url);
  return twin.empty() ? nullptr : Find(twin);
}

bool TWebTree::Explore(const TExploreProc& proc) const { return ExploreFrom(nullptr, proc); }

bool TWebTree::ExploreFrom(const TWebNode* start, const TExploreProc& proc) const {
  std::string prefix;
  return Walk(start ? *start : *root_, prefix, proc);
}

bool TWebTree::Walk(const TWebNode& node, std::string& prefix, const TExploreProc& proc) const {
  std::size_t kept = prefix.size();
  // By index: a callback may add entries, which can move the vector.
  for (std::size_t i = 0; i < node.items_.size(); ++i) {  // NOLINT(modernize-loop-convert)
    prefix.resize(kept);
    prefix.append(node.items_[i].Segment);
    if (TWebFile* record = node.items_[i].File()) {
      if (prefix.size() > kShortStringMax) {
        std::string url = ShortString(prefix);
        if (proc(*record, url)) return true;
      } else if (proc(*record, prefix)) {
        return true;
      }
    } else if (TWebNode* child = node.items_[i].Node()) {
      if (Walk(*child, prefix, proc)) return true;
    }
  }
  prefix.resize(kept);
  return false;
}

std::string TWebTree::GetUrl(const TWebFile* record) const {
  if (!record || !record->owner_) return "";
  const TWebNode* node = record->owner_;
  std::uint32_t index = record->owner_index_;
  // Searching from the last entry, a later alias in the same node is met first.
  auto [begin, end] = aliases_.equal_range(record);
  for (auto it = begin; it != end; ++it) {
    if (it->second.node == node) index = std::max(index, it->second.index);
  }
  std::vector<std::string_view> segments;
  while (node) {
    segments.push_back(node->items_[index].Segment);
    index = node->index_in_parent_;
    node = node->parent_;
  }
  std::string url;
  for (auto it = segments.rbegin(); it != segments.rend(); ++it) AppendShort(url, *it);
  return url;
}

namespace {

void Report(const TWebTree::TProgress& progress, std::size_t done, std::size_t total) {
  if (progress && (done % TWebTree::kProgressEvery == 0 || done == total)) progress(done, total);
}

}  // namespace

void TWebTree::SaveToStream(TBinaryWriter& writer, const TProgress& progress, int version) {
  // About what a record of a real site takes (the address is most of it).
  constexpr std::size_t kRecordBytesGuess = 128;
  const bool wide = version >= kWideCountVersion;
  writer.Reserve(count_ * kRecordBytesGuess);
  std::size_t count_at = writer.Size();
  if (wide) {
    writer.WriteU32(0);
  } else {
    writer.WriteU16(0);
  }
  std::size_t written = 0;
  Explore([&](TWebFile& record, const std::string& url) {
    writer.WriteU8(record.State);
    writer.WriteU8(record.Flags);
    writer.WriteU8(record.ExternalDepth);
    writer.WriteU8(record.LinkDepth);
    writer.WriteShortString(url);
    writer.WriteShortString(record.GetFileName());
    writer.WriteShortString(record.GetDescription());
    writer.WriteShortString(record.GetMimeType());
    ++written;
    Report(progress, written, count_);
    return false;
  });
  if (wide) {
    writer.PatchU32(count_at, CheckedCast<std::uint32_t>(written));
  } else {
    writer.PatchU16(count_at, CheckedCast<std::uint16_t>(written));
  }
  // Should an entry hold nothing, the walk writes fewer records than the count: the last
  // progress report still says the walk is whole.
  if (progress && written != count_ && written % kProgressEvery != 0) progress(written, written);
}

bool TWebTree::LoadFromStream(TBinaryReader& reader, int version, const TProgress& progress) {
  const bool wide = version >= kWideCountVersion;
  std::uint32_t count;
  try {
    // Unsigned: a signed count would drop every web of more than 32767 records.
    count = wide ? reader.ReadU32() : reader.ReadU16();
  } catch (const TReadError&) {
    last_error_ = "its list of addresses is cut short";
    return false;
  }
  // Four bytes and four empty texts at the least (three before version 2): a wide count that
  // says more is damage, found before any record is made.
  const std::size_t smallest = version >= 2 ? 8 : 7;
  if (wide && count > reader.Remaining() / smallest) {
    last_error_ = "its list of addresses says " + std::to_string(count) +
                  " addresses, more than the " + std::to_string(reader.Remaining()) +
                  " bytes left can hold";
    return false;
  }
  for (std::uint32_t n = 0; n < count; ++n) {
    auto record = std::make_unique<TWebFile>();
    record->State = reader.ReadU8();
    std::uint8_t flags = reader.ReadU8();
    if (version < 16) {
      record->SetLinkType(flags);
    } else {
      record->Flags = flags & (TWebFile::kHtml | TWebFile::kIsmap | TWebFile::kBackground |
                               TWebFile::kRequisite | TWebFile::kForced);
    }
    record->ExternalDepth = reader.ReadU8();
    record->LinkDepth = reader.ReadU8();
    std::string url = reader.ReadShortString();
    // A file name from a file is joined to the web's folder: only a plain name may be.
    record->SetFileName(WebFileNameOrEmpty(reader.ReadShortString()));
    record->SetDescription(reader.ReadShortString());
    if (version >= 2) record->SetMimeType(reader.ReadShortString());
    if (url.empty()) break;
    Add(url, std::move(record));
    Report(progress, n + 1u, count);
  }
  return true;
}

}  // namespace korvane
