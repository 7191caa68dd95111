#include "store/mime_list.h"

#include "base/checked.h"
#include "base/short_string.h"
#include "base/text_case.h"

namespace korvane {
namespace {

constexpr char kMimeFileName[] = "mime.def";
// After the table, mime.def says which revision of the program's own types it holds; readers
// that know only the table stop before it. Revision 2: the types today's pages need.
constexpr std::string_view kMimeRevisionMark = "Korvane MIME revision";
constexpr std::uint16_t kMimeRevision = 2;

struct TDefaultMime {
  std::string_view type;
  std::string_view extension;
  std::uint8_t mime_class;
};

constexpr std::array<TDefaultMime, 7> kDefaultTable = {{
    {"text/html", "htm", mcHtml},
    {"text/plain", "txt", mcText},
    {"image/gif", "gif", mcImage},
    {"image/jpeg", "jpg", mcImage},
    {"video/x-msvideo", "avi", mcVideo},
    {"audio/x-wav", "wav", mcSound},
    {"audio/x-aiff", "aif", mcSound},
}};

// What today's pages need to show, captured: stylesheets, scripts, fonts, modern pictures, media.
constexpr std::array<TDefaultMime, 22> kRequisiteTable = {{
    {"text/css", "css", mcText},
    {"text/javascript", "js", mcText},
    {"application/javascript", "js", mcText},
    {"image/png", "png", mcImage},
    {"image/svg+xml", "svg", mcImage},
    {"image/webp", "webp", mcImage},
    {"image/avif", "avif", mcImage},
    {"image/x-icon", "ico", mcImage},
    {"image/vnd.microsoft.icon", "ico", mcImage},
    {"font/woff", "woff", mcOther},
    {"font/woff2", "woff2", mcOther},
    {"font/ttf", "ttf", mcOther},
    {"font/otf", "otf", mcOther},
    {"application/font-woff", "woff", mcOther},
    {"video/mp4", "mp4", mcVideo},
    {"video/webm", "webm", mcVideo},
    {"audio/mpeg", "mp3", mcSound},
    {"audio/ogg", "ogg", mcSound},
    {"video/ogg", "ogv", mcVideo},
    {"audio/wav", "wav", mcSound},
    {"audio/flac", "flac", mcSound},
    {"audio/opus", "opus", mcSound},
}};

std::string CutExtension(std::string_view extension) {
  return std::string(extension.substr(0, kMimeExtensionMax));
}

}  // namespace

const TDocumentType* DocumentTypeOfExtension(std::string_view extension) {
  static constexpr TDocumentType kDocuments[] = {
      {"md", "text/markdown", mcText},
      {"markdown", "text/markdown", mcText},
      {"txt", "text/plain", mcText},
      {"rst", "text/x-rst", mcText},
      {"csv", "text/csv", mcText},
      {"json", "application/json", mcOther},
      {"xml", "application/xml", mcOther},
      {"yaml", "application/yaml", mcOther},
      {"yml", "application/yaml", mcOther},
      {"pdf", "application/pdf", mcOther},
      {"epub", "application/epub+zip", mcOther},
      {"zip", "application/zip", mcOther},
      {"gz", "application/gzip", mcOther},
      {"tgz", "application/gzip", mcOther},
      {"bz2", "application/x-bzip2", mcOther},
      {"xz", "application/x-xz", mcOther},
      {"tar", "application/x-tar", mcOther},
      {"7z", "application/x-7z-compressed", mcOther},
  };
  for (const TDocumentType& type : kDocuments) {
    if (SameAsciiNoCase(type.Extension, extension)) return &type;
  }
  return nullptr;
}

std::uint8_t MimeClassOf(std::string_view name) {
  std::uint8_t found = mcOther;
  for (std::size_t i = 0; i < MimeClassNames.size(); ++i) {
    if (SameAsciiNoCase(MimeClassNames[i], name)) found = static_cast<std::uint8_t>(i);
  }
  return found;
}

std::string_view MimeClassName(std::uint8_t mime_class) {
  return MimeClassNames[mime_class < MimeClassNames.size() ? mime_class : std::uint8_t{mcOther}];
}

void TMimeItem::SaveToStream(TBinaryWriter& writer) const {
  writer.WriteShortString(ContentType);
  writer.WriteShortString(Extension);
  writer.WriteU8(MimeClass);
  writer.WriteBool(Valid);
}

void TMimeItem::LoadfromStream(TBinaryReader& reader, int format) {
  ContentType = reader.ReadShortString();
  Extension = CutExtension(reader.ReadShortString());
  MimeClass = mcOther;
  if (format >= 1) {
    // The class indexes the class names: a damaged value must not reach past them.
    std::uint8_t mime_class = reader.ReadU8();
    MimeClass = mime_class < MimeClassNames.size() ? mime_class : std::uint8_t{mcOther};
  }
  Valid = reader.ReadBool();
}

TMimeItem* TMIMELIST::GetMimeByString(std::string_view content_type) const {
  for (const auto& item : items_) {
    if (SameAsciiNoCase(item->ContentType, content_type)) return item.get();
  }
  return nullptr;
}

TMimeItem* TMIMELIST::GetMimebyIndex(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return items_[static_cast<std::size_t>(index)].get();
}

void TMIMELIST::AddMime(std::string_view content_type, std::string_view extension,
                        std::string_view class_name, bool valid) {
  TMimeItem* item = GetMimeByString(content_type);
  if (!item) {
    items_.push_back(std::make_unique<TMimeItem>());
    item = items_.back().get();
    item->ContentType = ShortString(content_type);
  }
  item->Extension = CutExtension(extension);
  item->Valid = valid;
  item->MimeClass = MimeClassOf(class_name);
}

int TMIMELIST::AddMimeList(const TMIMELIST* other) {
  if (!other || other == this) return 0;
  int added = 0;
  for (const auto& theirs : other->items_) {
    if (MimeExist(theirs->ContentType)) continue;
    auto item = std::make_unique<TMimeItem>(*theirs);
    item->Valid = false;
    items_.push_back(std::move(item));
    ++added;
  }
  return added;
}

void TMIMELIST::SetToDefault() {
  Clear();
  for (const TDefaultMime& d : kDefaultTable) {
    AddMime(d.type, d.extension, MimeClassName(d.mime_class), true);
  }
}

void TMIMELIST::AddRequisiteTypes() {
  for (const TDefaultMime& d : kRequisiteTable) {
    if (!MimeExist(d.type)) AddMime(d.type, d.extension, MimeClassName(d.mime_class), true);
  }
}

void TMIMELIST::EnableRequisiteTypes() {
  AddRequisiteTypes();
  for (const TDefaultMime& d : kRequisiteTable) GetMimeByString(d.type)->Valid = true;
}

void TMIMELIST::SetValidClass(std::uint8_t mime_class, bool valid) {
  for (const auto& item : items_) {
    if (item->MimeClass == mime_class) item->Valid = valid;
  }
}

void TMIMELIST::SetValidAll(bool valid) {
  for (const auto& item : items_) item->Valid = valid;
}

namespace {

// Calls `each` with every name of a "-all,+html,gif" list and whether it enables. An empty item
// ("a,,b", a lone "+") names nothing: it must not pick the first entry that happens to have no
// extension.
template <class TEach>
void ForEachCmdLineItem(std::string_view text, TEach each) {
  while (!text.empty()) {
    const std::size_t comma = text.find(',');
    std::string_view item = text.substr(0, comma);
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    const bool enable = item.empty() || item.front() != '-';
    if (!item.empty() && (item.front() == '-' || item.front() == '+')) item.remove_prefix(1);
    if (!item.empty()) each(item, enable);
  }
}

}  // namespace

void TMIMELIST::SetCmdLine(std::string_view text) {
  ForEachCmdLineItem(text, [this](std::string_view item, bool enable) {
    bool is_class = false;
    for (std::size_t c = 0; c < MimeClassNames.size(); ++c) {
      if (SameAsciiNoCase(MimeClassNames[c], item)) {
        SetValidClass(static_cast<std::uint8_t>(c), enable);
        is_class = true;
      }
    }
    if (is_class) return;
    if (SameAsciiNoCase(item, "ALL")) {
      SetValidAll(enable);
      return;
    }
    for (const auto& entry : items_) {
      if (SameAsciiNoCase(entry->Extension, item)) {
        entry->Valid = enable;
        break;
      }
    }
  });
}

std::vector<std::string> TMIMELIST::UnknownCmdLineNames(std::string_view text) const {
  std::vector<std::string> unknown;
  ForEachCmdLineItem(text, [this, &unknown](std::string_view item, bool) {
    if (SameAsciiNoCase(item, "ALL")) return;
    bool known = false;
    for (std::string_view name : MimeClassNames) known = known || SameAsciiNoCase(name, item);
    for (const auto& entry : items_) known = known || SameAsciiNoCase(entry->Extension, item);
    if (!known) unknown.emplace_back(item);
  });
  return unknown;
}

std::string TMIMELIST::CmdLineNames() const {
  std::string names = "all";
  for (std::string_view name : MimeClassNames) names += ", " + AnsiLowerCase(name);
  for (const auto& entry : items_) {
    if (entry->Extension.empty()) continue;
    const std::string ext = AnsiLowerCase(entry->Extension);
    if (names.find(", " + ext + ",") == std::string::npos && !names.ends_with(", " + ext)) {
      names += ", " + ext;
    }
  }
  return names;
}

void TMIMELIST::SaveToStream(TBinaryWriter& writer) const {
  writer.WriteI16(1);
  writer.WriteI16(CheckedCast<std::int16_t>(items_.size()));
  for (const auto& item : items_) item->SaveToStream(writer);
}

void TMIMELIST::LoadFromStream(TBinaryReader& reader) {
  Clear();
  int format = 0;
  int count = reader.ReadI16();
  if (count == 1) {
    format = 1;
    count = reader.ReadI16();
  }
  for (int i = 0; i < count; ++i) {
    auto item = std::make_unique<TMimeItem>();
    item->LoadfromStream(reader, format);
    items_.push_back(std::move(item));
  }
}

// --- The program-wide table -------------------------------------------------------------------

TGlobalMimeList::TGlobalMimeList(TFileSystem& fs, std::string work_path)
    : fs_(fs), work_path_(std::move(work_path)) {}

std::string TGlobalMimeList::FilePath() const { return WithSeparator(work_path_) + kMimeFileName; }

TGlobalMimeList::TLoadResult TGlobalMimeList::Load() {
  std::string path = FilePath();
  if (!fs_.FileExists(path)) {
    list_.SetToDefault();
    list_.AddRequisiteTypes();
    return Write() ? TLoadResult::kCreated : TLoadResult::kNotWritten;
  }
  std::optional<std::string> bytes = fs_.ReadFile(path);
  if (bytes) {
    try {
      TBinaryReader reader(*bytes);
      list_.LoadFromStream(reader);
      if (ReadRevision(reader) < kMimeRevision) Upgrade();
      return TLoadResult::kRead;
    } catch (const TReadError&) {
    }
  }
  // A damaged file is left for the user to look at; the program runs on the defaults and does
  // not write over it until a merge has something to add.
  list_.SetToDefault();
  return TLoadResult::kUnreadable;
}

int TGlobalMimeList::ReadRevision(TBinaryReader& reader) {
  // A table written before revisions, or whatever follows it, is revision 1.
  if (reader.Remaining() == 0) return 1;
  try {
    if (reader.ReadShortString() != kMimeRevisionMark) return 1;
    return reader.ReadU16();
  } catch (const TReadError&) {
    return 1;
  }
}

// A table of an earlier version lacks the types today's pages need, or holds them disabled: a
// capture merged them in as types met for the first time. Both would leave copies without their
// pictures and stylesheets, so they are enabled once; the revision then keeps the user's later
// choices.
void TGlobalMimeList::Upgrade() {
  list_.EnableRequisiteTypes();
  (void)Write();  // when it cannot be written, the upgrade is made again at the next start
}

int TGlobalMimeList::Merge(const TMIMELIST& web_table, bool* written) {
  int added = list_.AddMimeList(&web_table);
  bool wrote = added > 0 && Write();
  if (written) *written = wrote;
  return added;
}

void TGlobalMimeList::CopyTo(TMIMELIST& web_table) const {
  for (int i = 0; i < list_.Count(); ++i) {
    const TMimeItem* item = list_.GetMimebyIndex(i);
    web_table.AddMime(item->ContentType, item->Extension, MimeClassName(item->MimeClass),
                      item->Valid);
  }
}

bool TGlobalMimeList::Write() {
  std::string bytes;
  TBinaryWriter writer(bytes);
  list_.SaveToStream(writer);
  writer.WriteShortString(kMimeRevisionMark);
  writer.WriteU16(kMimeRevision);
  // A failed write leaves the previous table intact.
  return fs_.ReplaceFile(FilePath(), bytes, {.Durable = true});
}

}  // namespace korvane
