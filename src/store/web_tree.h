// TWebTree holds one TWebFile record per address a web knows (captured, waiting, filtered or
// failed). Its levels are the pieces of an address: protocol, host, each directory, then the
// document with its query. It answers "is this address known?" during a capture, hands every
// record with its address to walks, and writes and reads its block of the project file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

#include "base/binary_stream.h"

namespace korvane {

// Capture states of a record; stored as one byte.
enum TWebState : std::uint8_t {
  wsTodo = 0,
  wsLoading = 1,
  wsPage = 2,
  wsFile = 3,
  wsError = 4,
  wsFiltered = 5,
  wsNotFound = 6,
};

class TWebNode;
class TWebTree;

// The record of one address.
class TWebFile {
 public:
  // Bits of Flags.
  static constexpr std::uint8_t kHtml = 1;
  static constexpr std::uint8_t kIsmap = 2;
  static constexpr std::uint8_t kBackground = 4;
  // A page requisite (stylesheet, script, font, media). A reader that knows only the three bits
  // above takes such a record for an embedded object, which it is.
  static constexpr std::uint8_t kRequisite = 8;
  // Forced by the user: captured whatever the web's type and size filters say, until it is kept.
  // A reader that knows only the bits above ignores it (the address is filtered again there).
  static constexpr std::uint8_t kForced = 16;

  TWebFile() = default;
  TWebFile(const TWebFile&) = delete;
  TWebFile& operator=(const TWebFile&) = delete;

  std::uint8_t State = wsTodo;
  std::uint8_t ExternalDepth = 0;
  std::uint8_t LinkDepth = 0;
  std::int32_t Trials = 0;     // fetch attempts since created or loaded; never stored
  std::uint8_t Flags = kHtml;  // a new record has link type 0
  // An update asks for the record's kept file again: it stays what it is (a page or a file,
  // counted as captured) until the answer says whether the file changed. Never stored.
  bool Recheck = false;
  // A hash of the stored file's bytes as served (see TRequest::BodyHash), 0 for none: an update
  // tells by it that a file its server gives no validator for came again unchanged.
  std::uint64_t BodyHash = 0;

  const std::string& GetFileName() const { return file_name_; }
  void SetFileName(std::string_view name);
  const std::string& GetDescription() const { return description_; }
  // Stored entity-decoded, so that a description read from a page or a file reads the same.
  void SetDescription(std::string_view text);
  const std::string& GetMimeType() const { return mime_type_; }
  void SetMimeType(std::string_view type);
  // What the server said of the stored file's version, as sent: its ETag and its Last-Modified
  // date, each empty when it gave none. An update asks with them whether the file changed.
  std::string_view GetETag() const;
  std::string_view GetLastModified() const;
  bool HasValidators() const { return !validators_.empty() || BodyHash != 0; }
  // A validator that could not go back into a request (control characters, longer than the
  // project file holds) is not kept.
  void SetValidators(std::string_view etag, std::string_view last_modified);

  bool GetHtml() const { return (Flags & kHtml) != 0; }
  void SetHtml(bool on) { SetFlag(kHtml, on); }
  bool GetIsmap() const { return (Flags & kIsmap) != 0; }
  void SetIsmap(bool on) { SetFlag(kIsmap, on); }
  bool GetBackground() const { return (Flags & kBackground) != 0; }
  void SetBackground(bool on) { SetFlag(kBackground, on); }
  bool GetRequisite() const { return (Flags & kRequisite) != 0; }
  bool GetForced() const { return (Flags & kForced) != 0; }
  void SetForced(bool on) { SetFlag(kForced, on); }
  void SetRequisite(bool on) { SetFlag(kRequisite, on); }
  // 0 a page reached by a hyperlink, 1 an embedded object, 2 a background picture, 3 a page
  // requisite.
  int GetLinkType() const;
  void SetLinkType(int type);

  // Takes what `other` says of its address (state, depths, flags and texts), not its place in a
  // tree nor its trials.
  void CopyFieldsOf(const TWebFile& other);

  // The node that owns (and destroys) the record; none until first inserted.
  TWebNode* Owner() const { return owner_; }
  // The record's own entry in its owner's Items (its row there).
  std::size_t OwnerIndex() const { return owner_index_; }

 private:
  friend class TWebTree;

  void SetFlag(std::uint8_t bit, bool on) {
    Flags = static_cast<std::uint8_t>(on ? (Flags | bit) : (Flags & ~bit));
  }

  std::string file_name_;
  std::string description_;
  std::string mime_type_;
  // The ETag and the date joined by a line feed (which neither may hold), or empty: one string
  // rather than two keeps a record of a web of 200,000 addresses small.
  std::string validators_;
  TWebNode* owner_ = nullptr;
  std::uint32_t owner_index_ = 0;  // the owning entry in owner_'s Items
};

// An inner node: an ordered list of (segment, object) entries, in insertion order. The object of
// an entry is a child node (owned), a record it owns, or a record it holds as an alias of an entry
// elsewhere (not owned).
class TWebNode {
 public:
  struct TEntry {
    std::string Segment;
    std::variant<std::monostate, std::unique_ptr<TWebNode>, std::unique_ptr<TWebFile>, TWebFile*>
        Object;

    TWebNode* Node() const;
    TWebFile* File() const;  // owned or alias
    bool IsAlias() const { return std::holds_alternative<TWebFile*>(Object); }
  };

  TWebNode() = default;
  TWebNode(const TWebNode&) = delete;
  TWebNode& operator=(const TWebNode&) = delete;

  TWebNode* Parent() const { return parent_; }
  // This node's entry in its parent's Items (its row there); 0 for the root.
  std::size_t IndexInParent() const { return index_in_parent_; }
  std::size_t Count() const { return items_.size(); }
  const TEntry& Item(std::size_t i) const { return items_[i]; }
  // The first entry whose segment equals `segment` without regard to letter case, or -1.
  std::ptrdiff_t IndexOf(std::string_view segment) const;

 private:
  friend class TWebTree;

  // Appends an entry holding nothing and returns its index.
  std::uint32_t Append(std::string_view segment);
  void IndexEntry(std::uint32_t i);
  void RebuildIndex(std::size_t slots);

  std::vector<TEntry> items_;
  TWebNode* parent_ = nullptr;
  std::uint32_t index_in_parent_ = 0;
  // Open-addressed hash of entry positions, built once a node is large enough for a linear
  // search to cost more than hashing. Only the first of equal segments is entered, so lookups
  // find the first match as a linear search would.
  std::vector<std::uint64_t> slots_;
};

// What a view of the tree's shape is told (a Qt item model over it). Entries are only ever added
// at the end of a node, changed in place, or all dropped at once; each change comes with a call
// before it and one after it.
class TWebTreeObserver {
 public:
  virtual ~TWebTreeObserver() = default;
  virtual void EntryAdding(const TWebNode& /*node*/, std::size_t /*index*/) {}
  virtual void EntryAdded(const TWebNode& /*node*/, std::size_t /*index*/) {}
  // The entry holds another record (a replacement, or an alias of a redirection's target).
  virtual void EntryChanged(const TWebNode& /*node*/, std::size_t /*index*/) {}
  virtual void Clearing() {}
  virtual void Cleared() {}
};

// The walk callback: a record and the address of the entry holding it; true stops the walk.
using TExploreProc = std::function<bool(TWebFile& record, const std::string& url)>;

class TWebTree {
 public:
  // The segments an address is split into: protocol text, "//" host [":" port], one per
  // directory ("/" first, each with its trailing separator), document with query.
  static std::vector<std::string> MakeKey(std::string_view url);

  // The most addresses a tree holds: as many as a 32-bit count says.
  static constexpr std::uint32_t kMaxCount = UINT32_MAX;

  // A tree that holds at most `capacity` addresses.
  explicit TWebTree(std::uint32_t capacity = kMaxCount);
  TWebTree(const TWebTree&) = delete;
  TWebTree& operator=(const TWebTree&) = delete;

  TWebNode& Root() { return *root_; }
  const TWebNode& Root() const { return *root_; }
  // The addresses held (the entries holding a record, aliases included): what Explore visits and
  // SaveToStream writes.
  std::uint32_t Count() const { return count_; }
  std::uint32_t Capacity() const { return capacity_; }
  const std::string& LastError() const { return last_error_; }

  void Clear();
  // Enters a new record under `url`; the tree owns it. False on a structural conflict (a
  // directory segment held by a record, or the document segment by a node), and the record is
  // then destroyed. A record previously owned at that address is destroyed, and every alias of
  // it is made to hold the new record. Throws TCounterOverflow when Count is full.
  bool Add(std::string_view url, std::unique_ptr<TWebFile> record);
  // Makes the entry of `url` hold `record`, a record already in this tree, without owning it
  // (a redirected address holding its target's record). False when the record is not in the
  // tree or on a conflict.
  bool Add(std::string_view url, TWebFile* record);
  TWebFile* Find(std::string_view url) const;
  // Find, and when the tree does not hold `url`, the same address under the other web protocol
  // (http and https on their default ports): a site reached under both is one site.
  TWebFile* FindAnyWebProtocol(std::string_view url) const;
  bool Explore(const TExploreProc& proc) const;
  // Walks below `start` (the root when null); the addresses given hold only the segments below it.
  bool ExploreFrom(const TWebNode* start, const TExploreProc& proc) const;
  // The record's address rebuilt from the tree: a later alias in the owning node wins.
  std::string GetUrl(const TWebFile* record) const;

  // Called before a record is destroyed by a replacement, with the record taking its place, so
  // that lists holding records (the web's queue of links to explore) can let go of it.
  std::function<void(TWebFile* destroyed, TWebFile* replacement)> OnRecordReplaced;
  // The view told of every change of shape (may be null); it must outlive its use.
  void SetObserver(TWebTreeObserver* observer) { observer_ = observer ? observer : &quiet_; }

  // Told every kProgressEvery records, and at the end, how many records a save or load has done
  // and how many there are: a window can move a gauge. It must not change the tree.
  using TProgress = std::function<void(std::size_t done, std::size_t total)>;
  static constexpr std::size_t kProgressEvery = 50;

  // From this project file version on, the block's record count is 32 bits instead of 16.
  static constexpr int kWideCountVersion = 22;

  // Writes the tree block of the given project file version; a count too large for its width
  // throws TCounterOverflow.
  void SaveToStream(TBinaryWriter& writer, const TProgress& progress = {}, int version = 21);
  // Reads a tree block of the given project file version. False when the count cannot be read,
  // or (from kWideCountVersion on) says more records than the bytes left can hold (LastError
  // says so); a block ending inside a record throws TReadError.
  bool LoadFromStream(TBinaryReader& reader, int version, const TProgress& progress = {});

 private:
  struct TAliasSite {
    TWebNode* node;
    std::uint32_t index;
  };

  bool Insert(std::string_view url, std::unique_ptr<TWebFile> owned, TWebFile* alias);
  TWebNode* WalkToLeafNode(const std::vector<std::string>& key);
  void PlaceOwned(TWebNode& node, std::uint32_t i, std::unique_ptr<TWebFile> record);
  void PlaceAlias(TWebNode& node, std::uint32_t i, TWebFile* record);
  void ForgetAliasSite(TWebFile* record, TWebNode* node, std::uint32_t i);
  void ReplaceOwned(TWebNode& node, std::uint32_t i, TWebFile* replacement);
  bool Walk(const TWebNode& node, std::string& prefix, const TExploreProc& proc) const;

  TWebTreeObserver quiet_;
  TWebTreeObserver* observer_ = &quiet_;
  std::unique_ptr<TWebNode> root_;
  std::uint32_t count_ = 0;
  std::uint32_t capacity_;
  std::string last_error_;
  // Where each record is held without being owned, so that no alias outlives its record.
  std::unordered_multimap<const TWebFile*, TAliasSite> aliases_;
};

}  // namespace korvane
