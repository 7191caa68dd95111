#include "maps/map_list.h"

#include "base/checked.h"
#include "base/file_name.h"
#include "base/text_case.h"
#include "html/html_parser.h"
#include "html/url.h"
#include "store/web_folder.h"
#include "store/web_tree.h"

namespace korvane {
namespace {

// Records holding the target of their link: version 20 of the project file.
constexpr int kTargetVersion = 20;

// The link a tag had on the server: its OLDREF when the page was rewritten, else its link.
std::string ServerAddress(const TLinkParam& link) {
  return link.OldLink.Value.empty() ? link.Link.Value : link.OldLink.Value;
}

}  // namespace

std::string MapFileName(std::string_view image_file) {
  const std::size_t folder = WebFileFolder(image_file).size();
  std::size_t dot = image_file.rfind('.');
  if (dot != std::string_view::npos && dot < folder) dot = std::string_view::npos;
  return std::string(image_file.substr(0, dot)) + ".map";
}

int TMAPLIST::IndexOfImage(std::string_view file_name) const {
  for (int i = Count() - 1; i >= 0; --i) {
    if (SameTextNoCase(items_[static_cast<std::size_t>(i)]->ImageFile, file_name)) return i;
  }
  return -1;
}

void TMAPLIST::SaveToStream(TBinaryWriter& writer) const {
  writer.WriteI16(CheckedCast<std::int16_t>(items_.size()));
  for (const auto& map : items_) {
    for (const std::string* s : {&map->ImageFile, &map->MapFile, &map->MapUrl, &map->Description,
                                 &map->PageUrl, &map->Target}) {
      writer.WriteShortString(*s);
    }
  }
}

void TMAPLIST::LoadFromStream(TBinaryReader& reader, int version) {
  Clear();
  int count = reader.ReadI16();
  for (int i = 0; i < count; ++i) {
    auto map = std::make_unique<TMapImg>();
    // Both names are joined to the web's folder (the editor writes the map file, cleaning
    // deletes it): only names that stay inside it may come from a file.
    map->ImageFile = WebFileNameOrEmpty(reader.ReadShortString());
    map->MapFile = WebFileNameOrEmpty(reader.ReadShortString());
    map->MapUrl = reader.ReadShortString();
    map->Description = reader.ReadShortString();
    map->PageUrl = reader.ReadShortString();
    if (version >= kTargetVersion) map->Target = reader.ReadShortString();
    items_.push_back(std::move(map));
  }
}

std::vector<std::string> TMAPLIST::DeleteMapFiles(TFileSystem& fs,
                                                  const std::string& web_folder) const {
  std::vector<std::string> names;
  for (const auto& map : items_) names.push_back(map->MapFile);
  return DeleteFolderFiles(fs, web_folder, names);
}

void ScanPageForMaps(std::string_view page_url, const std::string& page_file, const TWebTree& tree,
                     TMAPLIST& maps, const TFileSystem& fs) {
  if (!fs.FileExists(page_file)) return;
  std::optional<std::string> page = fs.ReadFile(page_file);
  if (!page) return;
  THtmlParser parser{std::string_view(*page)};
  std::string link_address;
  std::string target;
  TLinkParam link;
  TTagParam target_param;
  for (int i = 0; i < parser.Count(); ++i) {
    const TTag& tag = parser.Item(i);
    if (!(tag.Kind & kStartTag) || (tag.Kind & kBoundary)) continue;
    if (tag.TagType == ttA) link_address.clear();
    if (!parser.GetLink(i, &link)) continue;
    std::string address = ServerAddress(link);
    if (tag.TagType == ttA) {
      if (!address.empty()) link_address = address;
      if (link.IsMap) {
        target_param.Clear();
        parser.FindAttr("TARGET", i, &target_param);
        target = target_param.Value;
      }
      continue;
    }
    if (tag.TagType != ttImg || !link.IsMap || address.empty()) continue;
    // Links of captured pages are absolute; one that is not is read against its page.
    const TWebFile* record = tree.FindAnyWebProtocol(Resolve(address, page_url));
    if (!record || record->State != wsFile) continue;
    const std::string& name = record->GetFileName();
    if (!IsWebFileName(name) || maps.IndexOfImage(name) >= 0) continue;
    auto map = std::make_unique<TMapImg>();
    map->ImageFile = name;
    map->MapFile = MapFileName(name);
    map->MapUrl = link_address;
    map->Description = record->GetDescription();
    map->PageUrl = std::string(page_url);
    map->Target = target;
    maps.Add(std::move(map));
  }
}

}  // namespace korvane
