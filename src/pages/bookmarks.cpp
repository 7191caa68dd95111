#include "pages/bookmarks.h"

#include <algorithm>
#include <cmath>

#include "base/ini_file.h"
#include "base/number.h"
#include "base/short_string.h"
#include "base/text_case.h"
#include "base/text_encoding.h"
#include "html/charset.h"
#include "html/html_parser.h"
#include "store/web_folder.h"

namespace korvane {
namespace {

constexpr std::string_view kCrLf = "\r\n";

std::string Trimmed(std::string_view s) {
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return std::string(s);
}

bool IsEndTag(const TTag& tag, std::uint8_t type) {
  return (tag.Kind & kEndTag) && !(tag.Kind & kBoundary) && tag.TagType == type;
}

// The text after item `i` and after every following item up to the end tag of `type`, joined
// as one short string and trimmed.
std::string TextUpTo(const THtmlParser& parser, int i, std::uint8_t type) {
  std::string text;
  for (int j = i; j < parser.Count(); ++j) {
    const TTag& tag = parser.Item(j);
    if (j > i && (IsEndTag(tag, type) || (tag.Kind & kBoundary))) break;
    AppendShort(text, parser.GetText(j));
  }
  return Trimmed(text);
}

bool IsAttributeNameChar(char c) {
  return c != '=' && c != '>' && c != '/' && static_cast<unsigned char>(c) > ' ';
}

// The attributes of `tag` (its text, "<A ...>") whose names are not in `known`, each after a
// blank, as spelt in the file.
std::string OtherAttributes(std::string_view tag, std::initializer_list<std::string_view> known) {
  if (tag.ends_with('>')) tag.remove_suffix(1);
  std::string out;
  std::size_t at = tag.find_first_of(" \t\r\n");
  while (at != std::string_view::npos && at < tag.size()) {
    while (at < tag.size() && !IsAttributeNameChar(tag[at])) ++at;
    const std::size_t start = at;
    while (at < tag.size() && IsAttributeNameChar(tag[at])) ++at;
    if (at == start) break;
    const std::string_view name = tag.substr(start, at - start);
    std::size_t end = at;
    while (end < tag.size() && static_cast<unsigned char>(tag[end]) <= ' ') ++end;
    if (end < tag.size() && tag[end] == '=') {
      ++end;
      while (end < tag.size() && static_cast<unsigned char>(tag[end]) <= ' ') ++end;
      if (end < tag.size() && (tag[end] == '"' || tag[end] == '\'')) {
        const std::size_t close = tag.find(tag[end], end + 1);
        // A value whose quote never closes would swallow what follows it: it is not kept.
        if (close == std::string_view::npos) break;
        end = close + 1;
      } else {
        while (end < tag.size() && tag[end] != '>' && static_cast<unsigned char>(tag[end]) > ' ') {
          ++end;
        }
      }
      at = end;
    }
    bool is_known = false;
    for (std::string_view k : known) is_known = is_known || SameAsciiNoCase(name, k);
    if (!is_known) out.append(" ").append(tag.substr(start, at - start));
  }
  return out;
}

// Reads the date attribute `name` of tag `i` into `date` when it is present.
void ReadDate(const THtmlParser& parser, int i, std::string_view name, std::int32_t& date) {
  TTagParam param;
  if (!parser.FindAttr(name, i, &param)) return;
  if (!ParseInteger(param.Value, date)) {
    throw TBookmarkConvertError("'" + param.Value + "' is not a valid date in " +
                                std::string(name));
  }
}

// The state of one read: where entries go and what a <DD> describes.
class TBookmarkReader {
 public:
  TBookmarkReader(TBookMarks& marks, const THtmlParser& parser) : marks_(marks), parser_(parser) {}

  int Run() {
    int code = kBookmarksNoFile;
    bool first_tag = true;
    for (int i = 0; i < parser_.Count(); ++i) {
      const TTag& tag = parser_.Item(i);
      if (tag.Kind & kBoundary) continue;
      const bool was_first = first_tag;
      first_tag = false;
      if (tag.Kind & kEndTag) {
        if (tag.TagType != ttDl) continue;
        if (--depth_ < 0) return kBookmarksBadNesting;
        current_ = current_->Parent ? current_->Parent : current_;
        last_item_ = nullptr;
        last_heading_ = false;
        continue;
      }
      if (tag.TagType == ttComment) {
        if (!was_first || declared_) continue;
        std::string text = AnsiUpperCase(parser_.GetTagText(i).substr(2));
        if (text.find("DOCTYPE") == std::string::npos ||
            text.find("NETSCAPE-BOOKMARK") == std::string::npos) {
          return kBookmarksNotBookmark;
        }
        declared_ = true;
        code = kBookmarksNotBookmark;
        continue;
      }
      if (tag.TagType == ttDl && depth_ == 0) code = kBookmarksRead;
      StartTag(i, tag.TagType);
    }
    return code;
  }

 private:
  void StartTag(int i, std::uint8_t type) {
    switch (type) {
      case ttTitle:
        marks_.Title = TextUpTo(parser_, i, ttTitle);
        break;
      case ttH1:
        marks_.Description = TextUpTo(parser_, i, ttH1);
        break;
      case ttH3:
        Heading(i);
        break;
      case ttDd:
        Description(Trimmed(parser_.GetText(i)));
        break;
      case ttA:
        Anchor(i);
        break;
      case ttDl:
        List();
        break;
      case ttMeta:
        if (depth_ == 0) Declaration(i);
        break;
      default:
        break;
    }
  }

  void Heading(int i) {
    heading_date_ = 0;
    heading_other_ = OtherAttributes(parser_.GetTagText(i), {"FOLDED", "ADD_DATE"});
    ReadDate(parser_, i, "ADD_DATE", heading_date_);
    heading_name_ = TextUpTo(parser_, i, ttH3);
    heading_description_.clear();
    last_item_ = nullptr;
    last_heading_ = true;
  }

  // A <META> of the file's head: kept for writing, and read for the file's character set.
  void Declaration(int i) {
    // A tag cut short by the next one ("<META<DL>") is closed, so that the file written back does
    // not swallow what follows it.
    std::string tag = parser_.GetTagText(i);
    if (!tag.ends_with('>')) tag.push_back('>');
    marks_.Declarations.push_back(std::move(tag));
    TTagParam value;
    std::optional<TCharset> named;
    if (parser_.FindAttr("CHARSET", i, &value)) {
      named = CharsetNamed(value.Value);
    } else if (parser_.FindAttr("CONTENT", i, &value)) {
      named = CharsetNamed(CharsetParameter(value.Value));
    }
    if (named) marks_.Utf8 = named->Kind == TCharset::kUtf8;
  }

  void Description(std::string text) {
    if (last_item_) {
      last_item_->Description = std::move(text);
    } else if (last_heading_) {
      heading_description_ = std::move(text);
    } else {
      current_->Description = std::move(text);
    }
  }

  void Anchor(int i) {
    TTagParam href;
    parser_.FindAttr("HREF", i, &href);
    std::string url = href.Value.substr(0, href.Value.find('#'));
    if (url.empty()) return;
    auto item = std::make_unique<TBookmarkItem>();
    item->Url = std::move(url);
    ReadDate(parser_, i, "ADD_DATE", item->AddDate);
    ReadDate(parser_, i, "LAST_VISIT", item->LastVisit);
    ReadDate(parser_, i, "LAST_MODIFIED", item->LastModified);
    item->Title = TextUpTo(parser_, i, ttA);
    item->OtherAttributes =
        OtherAttributes(parser_.GetTagText(i), {"HREF", "ADD_DATE", "LAST_VISIT", "LAST_MODIFIED"});
    last_item_ = item.get();
    last_heading_ = false;
    marks_.AddItem(current_, std::move(item));
  }

  void List() {
    if (depth_ == 0) {
      marks_.Name = marks_.Title;
      marks_.Description = marks_.Title;
    } else {
      auto folder = std::make_unique<TBookmarkFolder>();
      folder->Name = std::move(heading_name_);
      folder->AddDate = heading_date_;
      folder->Description = std::move(heading_description_);
      folder->OtherAttributes = std::move(heading_other_);
      TBookmarkFolder* child = folder.get();
      marks_.AddFolder(current_, std::move(folder));
      current_ = child;
    }
    heading_name_.clear();
    heading_description_.clear();
    heading_other_.clear();
    heading_date_ = 0;
    ++depth_;
    last_item_ = nullptr;
    last_heading_ = false;
  }

  TBookMarks& marks_;
  const THtmlParser& parser_;
  int depth_ = 0;
  TBookmarkFolder* current_ = &marks_;
  std::string heading_name_;
  std::string heading_description_;
  std::string heading_other_;
  std::int32_t heading_date_ = 0;
  TBookmarkItem* last_item_ = nullptr;
  bool last_heading_ = false;
  bool declared_ = false;
};

// A text read from the file may hold a '<' that the reader took as text (one not followed by a
// tag name, or the unfinished tag at the end of the file). Written back as it is, it could open
// a tag that swallows the lists after it, and the file would no longer read; "&lt;" reads back
// as itself and shows as '<' in the navigator.
std::string Text(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '<') {
      out += "&lt;";
    } else {
      out += c;
    }
  }
  return out;
}

// Pieces are written whole: a browser's file holds addresses and icons far longer than 255 bytes,
// and cutting them would damage the user's bookmarks.
void WritePiece(std::string& out, const std::string& piece) { out.append(piece); }

// An address goes between quotes: a quote of its own (read from an unquoted value) would end
// it there, and what follows would read as attributes. It is written as addresses spell it.
std::string QuotedAddress(std::string_view url) {
  std::string out;
  for (char c : url) {
    if (c == '"') {
      out += "%22";
    } else {
      out += c;
    }
  }
  return out;
}

void WriteItem(std::string& out, const TBookmarkItem& item, const std::string& p) {
  WritePiece(out, p + "<DT><A HREF=\"" + QuotedAddress(item.Url) + "\" ADD_DATE=\"" +
                      std::to_string(item.AddDate));
  WritePiece(out, "\" LAST_VISIT=\"" + std::to_string(item.LastVisit) + "\" LAST_MODIFIED=\"" +
                      std::to_string(item.LastModified) + "\"" + item.OtherAttributes + ">" +
                      Text(item.Title) + "</A>\r\n");
  if (!item.Description.empty()) WritePiece(out, p + "<DD>" + Text(item.Description) + "\r\n");
}

void WriteFolder(std::string& out, const TBookmarkFolder& folder, const std::string& p) {
  if (folder.Parent) {
    WritePiece(out, p + "<DT> <H3 FOLDED ADD_DATE=\"" + std::to_string(folder.AddDate) + "\"" +
                        folder.OtherAttributes + ">" + Text(folder.Name) + "</H3>\r\n");
  }
  if (!folder.Description.empty()) {
    WritePiece(out, p + "<DD>" + Text(folder.Description) + "\r\n\r\n");
  }
  WritePiece(out, p + "<DL><p>\r\n");
  const std::string inner = p + "\t";
  for (const TBookmarkFolder::TEntry& entry : folder.Entries) {
    if (entry.Item) WriteItem(out, *entry.Item, inner);
    if (entry.Folder) WriteFolder(out, *entry.Folder, inner);
  }
  WritePiece(out, p + "</DL><p>\r\n");
}

std::string Header(const TBookMarks& marks) {
  const std::string& title = marks.Title;
  std::string out;
  if (marks.ByteOrderMark) out.append("\xEF\xBB\xBF");
  for (std::string_view line :
       {std::string_view("<!DOCTYPE NETSCAPE-Bookmark-file-1>"),
        std::string_view("<!-- This is an automatically generated file."),
        std::string_view("Il will be read an overwritten."), std::string_view("Do Not Edit!-->")}) {
    out.append(line).append(kCrLf).append(kCrLf);
  }
  for (const std::string& declaration : marks.Declarations) out.append(declaration).append(kCrLf);
  if (!marks.Declarations.empty()) out.append(kCrLf);
  out.append("<TITLE>" + Text(title) + "</TITLE>").append(kCrLf).append(kCrLf);
  out.append("<H1>" + Text(title) + "</H1>").append(kCrLf);
  return out;
}

std::string FolderOf(const std::string& path) {
  std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

void TBookMarks::Clear() {
  Entries.clear();
  ItemCount = 0;
  FolderCount = 0;
}

int TBookMarks::Read() {
  if (FileName.empty() || !fs_.FileExists(FileName)) return kBookmarksNoFile;
  std::optional<std::string> bytes = fs_.ReadFile(FileName);
  if (!bytes) return kBookmarksNoFile;
  Clear();
  Title.clear();
  Description.clear();
  Declarations.clear();
  ByteOrderMark = bytes->starts_with("\xEF\xBB\xBF");
  Utf8 = ByteOrderMark;
  // Read as today's pages are: a tag is not cut at 255 bytes, so long addresses stay whole.
  THtmlParser parser{std::string_view(*bytes), TParseOptions{.Requisites = true}};
  TBookmarkReader reader(*this, parser);
  return reader.Run();
}

std::string TBookMarks::FileText(std::string_view text) const {
  return Utf8 ? TextToUtf8(text) : std::string(text);
}

bool TBookMarks::Write() {
  std::string out = Header(*this);
  WriteFolder(out, *this, "");
  // In one step: a failed write keeps the navigator's bookmarks.
  return fs_.ReplaceFile(FileName, out, {.Durable = true});
}

void TBookMarks::AddFolder(TBookmarkFolder* folder, std::unique_ptr<TBookmarkFolder> child) {
  child->Parent = folder;
  folder->Entries.push_back(TEntry{nullptr, std::move(child)});
  ++folder->FolderCount;
  folder->Modified = true;
}

void TBookMarks::AddItem(TBookmarkFolder* folder, std::unique_ptr<TBookmarkItem> item) {
  folder->Entries.push_back(TEntry{std::move(item), nullptr});
  ++folder->ItemCount;
  folder->Modified = true;
}

void TBookMarks::RemoveFolder(TBookmarkFolder* folder, TBookmarkFolder* child) {
  auto it = std::find_if(folder->Entries.begin(), folder->Entries.end(),
                         [&](const TEntry& e) { return e.Folder.get() == child; });
  if (it == folder->Entries.end() || !child) return;
  folder->Entries.erase(it);
  --folder->FolderCount;
  folder->Modified = true;
}

void TBookMarks::RemoveItem(TBookmarkFolder* folder, TBookmarkItem* item) {
  auto it = std::find_if(folder->Entries.begin(), folder->Entries.end(),
                         [&](const TEntry& e) { return e.Item.get() == item; });
  if (it == folder->Entries.end() || !item) return;
  folder->Entries.erase(it);
  --folder->ItemCount;
  folder->Modified = true;
}

TBookmarkFolder* TBookMarks::FindFolder(std::string_view name) {
  for (TEntry& entry : Entries) {
    if (entry.Folder && entry.Folder->Name == name) return entry.Folder.get();
  }
  return nullptr;
}

TBookmarkItem* TBookMarks::FindItem(TBookmarkFolder* folder, std::string_view url) {
  for (TEntry& entry : folder->Entries) {
    if (entry.Item && entry.Item->Url == url) return entry.Item.get();
    if (entry.Folder) {
      if (TBookmarkItem* found = FindItem(entry.Folder.get(), url)) return found;
    }
  }
  return nullptr;
}

std::string LocateNavigatorBookmarks(const std::string& program_path, const TFileSystem& fs) {
  std::size_t slash = program_path.find_last_of("/\\");
  std::string name = slash == std::string::npos ? program_path : program_path.substr(slash + 1);
  if (AnsiUpperCase(name) != "NETSCAPE.EXE") return {};
  const std::string d = FolderOf(program_path);
  if (fs.FileExists(d + "Netscape.ini")) {
    TIniFile ini;
    ini.LoadFromString(fs.ReadFile(d + "Netscape.ini").value_or(""));
    return ini.ReadString("Bookmark List", "File Location", "");
  }
  if (fs.FileExists(d + "bookmark.htm")) return d + "bookmark.htm";
  // The parent of d: d without its final separator, cut after the separator before it.
  std::string parent = d.empty() ? std::string() : FolderOf(d.substr(0, d.size() - 1));
  if (!parent.empty() && fs.FileExists(parent + "bookmark.htm")) return parent + "bookmark.htm";
  return {};
}

std::int32_t BookmarkNow(TDateTime now) {
  constexpr double kUnixEpoch = 25569.0;  // 1970-01-01 as days since 1899-12-30
  return static_cast<std::int32_t>(std::llround((now - kUnixEpoch) * 86400.0));
}

std::string WebBookmarkUrl(std::string_view web_folder) {
  std::string folder(web_folder);
  std::replace(folder.begin(), folder.end(), '\\', '/');
  if (folder.empty() || folder.front() != '/') folder.insert(0, "/");
  return "file://" + folder + std::string(kHomePageName);
}

bool CreateEmptyBookmarkFile(TBookMarks& bookmarks, const std::string& file_name) {
  bookmarks.Clear();
  bookmarks.SetFileName(file_name);
  bookmarks.Title = std::string(kEmptyBookmarkTitle);
  bookmarks.Description.clear();
  return bookmarks.Write();
}

// Reads the file, turning a date error into a failed read; the error goes to `hooks` if given.
int ReadBookmarksReporting(TBookMarks& bookmarks, TBookmarkHooks* hooks) {
  try {
    return bookmarks.Read();
  } catch (const TBookmarkConvertError& error) {
    bookmarks.Clear();
    if (hooks) hooks->BookmarkError(bookmarks.FileName + ": " + error.what());
    return -1;
  }
}

}  // namespace korvane
