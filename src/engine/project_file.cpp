// The project file of a web: written in version 21 while every count fits its 16-bit field, in
// version 22 (the same layout with 32-bit counts and a 64-bit total size) once one does not; read
// in every format since version 0.
#include <algorithm>
#include <filesystem>
#include <initializer_list>

#include "base/binary_stream.h"
#include "base/checked.h"
#include "engine/web.h"

namespace korvane {
namespace {

constexpr std::string_view kMagic = "KRVNF";
constexpr std::string_view kOldMagic = "KORVANE";  // version 0, which has no version word
// Every reader of version 21 reads a web written in it: it stays the format of every web whose
// counts fit its words.
constexpr int kVersion21 = 21;
// The counters and the tree's record count in 32 bits, the total size in 64: a web of more than
// 65,535 addresses. The newest format this program reads.
constexpr int kWideVersion = 22;
static_assert(kWideVersion == TWebTree::kWideCountVersion);
// After the tree, the options added since version 21. A reader of version 21 stops at the end of
// the tree, so such a file still loads there (without them); a web that uses none of them is
// written without the block, byte for byte as version 21.
constexpr std::string_view kExtensionMagic = "KRVNX";
// After that block (or the tree), the validators of the stored files, by their entry's place in
// the tree's list: what an update asks its servers with (the ETag and the date, as short
// strings) and the hash of the bytes served (64 bits). Readers that know only the block above
// leave it alone, as they leave any bytes after the tree.
constexpr std::string_view kValidatorMagic = "KRVNV";

std::string BlockMarker(std::string_view magic) {
  return std::string(1, static_cast<char>(magic.size())) + std::string(magic);
}

// The integer options are held in 32 bits but stored in 16: a value that does not fit is stored
// as the nearest that does, so a large limit stays a large limit instead of wrapping around to a
// negative (no limit) or small one.
std::int16_t OptionWord(std::int32_t value) {
  return static_cast<std::int16_t>(std::clamp<std::int32_t>(value, INT16_MIN, INT16_MAX));
}

// Fields 10 to 38 of the layout, in file order, with the first version that has each. The
// visitor gets the field as a bool, a 32-bit option (stored as a word), a short string, TotalSize
// or the capture date.
}  // namespace

template <class Web, class Visitor>
void TWEB::ForEachOptionField(Web& web, int version, Visitor&& visit) {
  auto& o = web.options_;
  auto field = [&](int since, auto& value) {
    if (version >= since) visit(value);
  };
  field(1, o.ExternalPathLimit);
  field(1, o.InternalPathLimit);
  field(2, o.RefLimit);
  field(1, o.InternalLinkDepth);
  field(7, o.ExternalWebDepth);
  field(8, o.ExternalLinkDepth);
  field(1, o.MaxFileCount);
  field(1, o.MaxFileSize);
  field(1, o.MinFileSize);
  field(1, o.MaxDiskSize);
  field(1, o.MaxTime);
  field(3, o.RealLinkFlag);
  field(3, web.spare_flag_);
  field(3, o.SuppressLinkFlag);
  field(4, o.ListGifFlag);
  field(5, o.ListJpegFlag);
  field(18, o.ListAviFlag);
  field(18, o.ListWavFlag);
  field(18, o.ResolvedUrlFlag);
  field(18, o.ErrorUrlFlag);
  field(18, o.TodoUrlFlag);
  field(18, o.FilteredUrlFlag);
  field(10, web.display_online_image_);
  field(11, o.StretchImageFlag);
  field(21, o.Username);
  field(21, o.Password);
  field(6, web.total_size_);
  field(14, web.capture_start_);
  field(15, o.BackgroundOnlyFlag);
}

namespace {

// Items of old versions between the title and the counters, read and dropped.
void SkipDiscarded(TBinaryReader& in, int version) {
  if (version <= 8) {
    in.ReadShortString();
    in.ReadU16();
  } else if (version <= 11) {
    for (int i = 0; i < 4; ++i) in.ReadShortString();
    in.ReadU16();
  } else if (version == 12) {
    in.ReadShortString();
    in.Skip(3);
    in.ReadU16();
  }
}

// The oldest format that holds `links` addresses and `counters`.
int VersionFor(std::uint32_t links, std::initializer_list<std::uint32_t> counters) {
  bool fits = links <= UINT16_MAX;
  for (std::uint32_t counter : counters) fits = fits && counter <= UINT16_MAX;
  return fits ? kVersion21 : kWideVersion;
}

std::string FolderOf(const std::string& file_name) {
  std::error_code ec;
  std::filesystem::path absolute = std::filesystem::absolute(file_name, ec);
  return (ec ? std::filesystem::path(file_name) : absolute).parent_path().string();
}

}  // namespace

void TWEB::WriteProjectFile(TBinaryWriter& out) {
  const std::initializer_list<std::uint32_t> counters = {captured_count_, filtered_count_,
                                                         not_found_count_, error_count_};
  const int version = VersionFor(tree_.Count(), counters);
  out.WriteShortString(kMagic);
  out.WriteU16(static_cast<std::uint16_t>(version));
  out.WriteShortString(url_);
  out.WriteShortString(path_);
  out.WriteShortString(title_);
  for (std::uint32_t counter : counters) {
    if (version >= kWideVersion) {
      out.WriteU32(counter);
    } else {
      out.WriteU16(static_cast<std::uint16_t>(counter));  // fits: VersionFor said so
    }
  }
  ForEachOptionField(*this, version, [&](const auto& value) {
    using Field = std::remove_cvref_t<decltype(value)>;
    if constexpr (std::is_same_v<Field, bool>) {
      out.WriteBool(value);
    } else if constexpr (std::is_same_v<Field, std::string>) {
      out.WriteShortString(value);
    } else if constexpr (std::is_same_v<Field, TDateTime>) {
      out.WriteF64(ToFileDate(value));
    } else if constexpr (std::is_same_v<Field, std::int64_t>) {  // the total size
      if (version >= kWideVersion) {
        out.WriteI64(value);
      } else {
        out.WriteI32(static_cast<std::int32_t>(std::min<std::int64_t>(value, INT32_MAX)));
      }
    } else {
      out.WriteI16(OptionWord(value));
    }
  });
  mime_list_.SaveToStream(out);
  map_list_.SaveToStream(out);
  last_capture_info_.SaveToStream(out);
  tree_.SaveToStream(out, tree_progress_, version);
  std::vector<TOPTIONS::TEntry> extensions = options_.ExtendedEntries();
  extensions.insert(extensions.end(), unknown_extensions_.begin(), unknown_extensions_.end());
  if (!extensions.empty()) {
    out.WriteShortString(kExtensionMagic);
    out.WriteU16(CheckedCast<std::uint16_t>(extensions.size()));
    for (const auto& [key, value] : extensions) {
      out.WriteShortString(key);
      out.WriteShortString(value);
    }
  }
  WriteValidators(out);
}

// Entries are numbered in the order the tree's list writes them. An alias is written there as a
// record of its own, and read back so: it has its validators too.
void TWEB::WriteValidators(TBinaryWriter& out) const {
  std::vector<std::pair<std::uint32_t, const TWebFile*>> kept;
  std::uint32_t entry = 0;
  tree_.Explore([&](const TWebFile& record, const std::string&) {
    if (record.HasValidators()) kept.emplace_back(entry, &record);
    ++entry;
    return false;
  });
  if (kept.empty()) return;
  out.WriteShortString(kValidatorMagic);
  out.WriteU32(static_cast<std::uint32_t>(kept.size()));
  for (const auto& [index, record] : kept) {
    out.WriteU32(index);
    out.WriteShortString(record->GetETag());
    out.WriteShortString(record->GetLastModified());
    out.WriteI64(static_cast<std::int64_t>(record->BodyHash));
  }
}

bool TWEB::SaveToFile(const std::string& file_name) {
  file_name_ = file_name;
  std::string bytes;
  TBinaryWriter out(bytes);
  try {
    WriteProjectFile(out);
  } catch (const TCounterOverflow&) {
    // A list too long for its stored count: the previous file stays.
    save_error_ = "a list of the web is too long for the project file: " + file_name;
    return false;
  }
  // A failed save leaves the previous file whole; the file holds the web's password.
  if (fs_.ReplaceFile(file_name, bytes, {.OwnerOnly = true, .Durable = true})) {
    // Every file named since the last save is in the project file now, or named by no record.
    // A file that could not be removed stays an orphan of no record: no name is taken by it and
    // nothing links to it.
    (void)RemoveUnnamedFiles();
    NameJournal().Clear();
    return true;
  }
  save_error_ = fs_.LastError();
  return false;
}

bool TWEB::LoadFromFile(const std::string& file_name) {
  load_status_ = TStatus::Ok();
  using K = TStatus::TKind;
  // Checked before it is read: a named pipe would hang the program, a huge file take its size in
  // memory, and neither can be a web.
  if (!fs_.FileExists(file_name)) {
    load_status_ = fs_.DirectoryExists(file_name)
                       ? TStatus::Error(K::kIsAFolder, "it is a folder")
                       : TStatus::Error(K::kNotRegular, "there is no regular file of that name");
    return false;
  }
  if (const std::int64_t size = fs_.FileSize(file_name); size > kMaxProjectFileBytes) {
    load_status_ =
        TStatus::Error(K::kTooLarge, "it is " + std::to_string(size) +
                                         " bytes long, more than any web's project file");
    return false;
  }
  std::optional<std::string> bytes = fs_.ReadFile(file_name);
  if (!bytes) {
    const TStatus& read = fs_.LastStatus();
    load_status_ =
        TStatus::Error(read.Kind(), "it cannot be read (" + read.Words() + ")", read.ErrorNumber());
    return false;
  }
  file_name_ = file_name;
  bool loaded = false;
  try {
    loaded = ReadProjectFile(*bytes, file_name);
  } catch (const TReadError&) {
    loaded = false;
  } catch (const TCounterOverflow&) {
    loaded = false;
  }
  if (!loaded && load_status_.ok()) {
    load_status_ = TStatus::Error(K::kBadData, "it is not a web project file, or it is damaged");
  }
  if (!loaded) {
    // Nothing half-read stays behind in the object.
    todo_.clear();
    tree_.Clear();
    referers_.clear();
    mime_list_.Clear();
    map_list_.Clear();
  }
  return loaded;
}

bool TWEB::ReadProjectFile(std::string_view bytes, const std::string& file_name) {
  TBinaryReader in(bytes);
  std::string magic = in.ReadShortString();
  int version = 0;
  if (magic != kOldMagic) {
    if (magic != kMagic) return false;
    version = static_cast<std::int16_t>(in.ReadU16());
    if (version > kWideVersion) {
      // Not damaged: a later program wrote it for what this one cannot keep.
      load_status_ = TStatus::Error(
          TStatus::TKind::kBadData,
          "it was written by a newer version of Korvane (format " + std::to_string(version) +
              "; this one reads formats up to " + std::to_string(kWideVersion) + ")");
      return false;
    }
    if (version < 0) return false;
  }
  SetUrl(in.ReadShortString());
  SetPath(in.ReadShortString());
  // A web moved together with its files keeps working: its folder is where its project file is.
  SetPath(FolderOf(file_name));
  title_ = in.ReadShortString();
  SkipDiscarded(in, version);
  for (std::uint32_t* counter :
       {&captured_count_, &filtered_count_, &not_found_count_, &error_count_}) {
    *counter = version >= kWideVersion ? in.ReadU32() : in.ReadU16();
  }
  ForEachOptionField(*this, version, [&](auto& value) {
    using Field = std::remove_cvref_t<decltype(value)>;
    if constexpr (std::is_same_v<Field, bool>) {
      value = in.ReadBool();
    } else if constexpr (std::is_same_v<Field, std::string>) {
      value = in.ReadShortString();
    } else if constexpr (std::is_same_v<Field, TDateTime>) {
      value = FromFileDate(in.ReadF64());
    } else if constexpr (std::is_same_v<Field, std::int64_t>) {  // the total size
      value = version >= kWideVersion ? in.ReadI64() : in.ReadI32();
    } else {
      value = in.ReadI16();  // sign-extended
    }
  });
  mime_list_.LoadFromStream(in);
  if (version >= 17) map_list_.LoadFromStream(in, version);
  if (version >= 19) last_capture_info_.LoadFromStream(in);
  tree_.Clear();
  referers_.clear();
  todo_.clear();
  if (!tree_.LoadFromStream(in, version, tree_progress_)) {
    load_status_ = TStatus::Error(TStatus::TKind::kBadData, "it is damaged: " + tree_.LastError());
    return false;
  }
  ReadExtensions(in);
  return true;
}

void TWEB::ReadExtensions(TBinaryReader& in) {
  std::vector<TOPTIONS::TEntry> entries;
  // Bytes after the tree that are not the block are left alone, as a version 21 reader does; a
  // block cut short fails the load like any other truncation.
  const std::string marker = BlockMarker(kExtensionMagic);
  if (in.Ahead(marker)) {
    in.Skip(marker.size());
    const std::uint16_t count = in.ReadU16();
    for (std::uint16_t i = 0; i < count; ++i) {
      std::string key = in.ReadShortString();
      entries.emplace_back(std::move(key), in.ReadShortString());
    }
  }
  unknown_extensions_ = options_.SetExtendedEntries(entries);
  ReadValidators(in);
}

void TWEB::ReadValidators(TBinaryReader& in) {
  const std::string marker = BlockMarker(kValidatorMagic);
  if (!in.Ahead(marker)) return;
  in.Skip(marker.size());
  const std::uint32_t count = in.ReadU32();
  // Fourteen bytes each at the least: a count that says more is damage, found before any is read.
  if (count > in.Remaining() / 14) throw TReadError();
  struct TEntry {
    std::uint32_t Index;
    std::string ETag, Date;
    std::uint64_t Hash;
  };
  std::vector<TEntry> read;
  read.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    TEntry e;
    e.Index = in.ReadU32();
    e.ETag = in.ReadShortString();
    e.Date = in.ReadShortString();
    e.Hash = static_cast<std::uint64_t>(in.ReadI64());
    read.push_back(std::move(e));
  }
  // Written in entry order; one out of order or past the list (a file edited by hand) names
  // no record, and is dropped: the file is asked for again whole.
  std::size_t next = 0;
  std::uint32_t entry = 0;
  tree_.Explore([&](TWebFile& record, const std::string&) {
    while (next < read.size() && read[next].Index < entry) ++next;
    if (next < read.size() && read[next].Index == entry) {
      record.SetValidators(read[next].ETag, read[next].Date);
      record.BodyHash = read[next].Hash;
      ++next;
    }
    ++entry;
    return next >= read.size();
  });
}

}  // namespace korvane
