#include "app/url_list_model.h"

#include <strings.h>

#include <algorithm>
#include <unordered_set>

#include "html/url.h"
#include "store/web_tree.h"

namespace korvane {
namespace {

constexpr std::uint8_t kTodo = wsTodo;
constexpr std::uint8_t kLoading = wsLoading;
constexpr std::uint8_t kPage = wsPage;
constexpr std::uint8_t kFile = wsFile;
constexpr std::uint8_t kError = wsError;
constexpr std::uint8_t kFiltered = wsFiltered;
constexpr std::uint8_t kNotFound = wsNotFound;

}  // namespace

bool ListsUrl(const TUrlRecord& r, const TUrlListFlags& flags) {
  if (r.LinkType != 0 || r.State == kLoading) return false;
  switch (r.State) {
    case kPage:
    case kFile:
      return flags.Resolved;
    case kTodo:
      return flags.Todo;
    case kError:
    case kNotFound:
      return flags.Error;
    case kFiltered:
      return flags.Filtered;
    default:
      return false;
  }
}

std::string UrlListText(const TUrlRecord& r) {
  if (!r.Description.empty()) return r.Description;
  const std::string path = GetPath(r.Url);
  const std::string document = GetDocument(r.Url);
  if (r.MainWeb) return (path.empty() ? path : path.substr(1)) + document;
  return GetHost(r.Url) + path + document;
}

TColor UrlListColor(std::uint8_t state, bool selected) {
  switch (state) {
    case kTodo:
      return clGreen;
    case kError:
    case kNotFound:
      return clMaroon;
    case kFiltered:
      return clNavy;
    default:
      return selected ? clHighlightText : clWindowText;
  }
}

std::vector<TUrlEntry> BuildUrlList(const std::vector<TUrlRecord>& records,
                                    const TUrlListFlags& flags) {
  std::vector<TUrlEntry> entries;
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (ListsUrl(records[i], flags)) entries.push_back({UrlListText(records[i]), i});
  }
  std::stable_sort(entries.begin(), entries.end(), [](const TUrlEntry& a, const TUrlEntry& b) {
    // A sorted list box orders its entries without regard to case.
    return strcasecmp(a.Text.c_str(), b.Text.c_str()) < 0;
  });
  return entries;
}

TUrlDetails UrlDetails(const TUrlRecord& r, std::optional<TDateTime> file_date) {
  return {r.Url, r.FileName, file_date ? FormatDisplayDate(*file_date) : std::string(), true};
}

std::string UrlNavigatorTarget(const TUrlRecord& r, const std::string& web_folder) {
  return r.FileName.empty() ? r.Url : web_folder + r.FileName;
}

std::vector<TUrlRecord> UrlRecordsFromTree(const TWebTree& tree) {
  std::vector<TUrlRecord> records;
  std::unordered_set<const TWebFile*> seen;
  tree.Explore([&](TWebFile& file, const std::string& url) {
    // A redirected address holds its target's record: list the record once.
    if (seen.insert(&file).second) {
      records.push_back({url, file.State, static_cast<std::uint8_t>(file.GetLinkType()),
                         file.GetDescription(), file.GetFileName(), file.ExternalDepth == 0});
    }
    return false;
  });
  return records;
}

bool ForceCaptureEnabled(const TUrlRecord& r) { return r.State != kTodo; }

bool CreateNewWebEnabled(const TUrlRecord& r) { return r.State == kFiltered; }

}  // namespace korvane
