#include "app/url_list_model.h"

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

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether `text` holds `word`, ASCII letters compared without regard to case.
bool HoldsIgnoringCase(std::string_view text, std::string_view word) {
  return std::search(text.begin(), text.end(), word.begin(), word.end(),
                     [](char a, char b) { return Lower(a) == Lower(b); }) != text.end();
}

// Every blank-separated word of `search` is in the entry's text or its address.
bool MatchesSearch(const std::string& text, const TUrlRecord& record, std::string_view search) {
  std::size_t start = 0;
  while (start < search.size()) {
    std::size_t end = search.find(' ', start);
    if (end == std::string_view::npos) end = search.size();
    const std::string_view word = search.substr(start, end - start);
    if (!word.empty() && !HoldsIgnoringCase(text, word) && !HoldsIgnoringCase(record.Url, word)) {
      return false;
    }
    start = end + 1;
  }
  return true;
}

}  // namespace

bool NaturalLess(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      // Leading zeros do not count: "007" and "7" are the same number.
      std::size_t ai = i, bj = j;
      while (ai < a.size() && a[ai] == '0') ++ai;
      while (bj < b.size() && b[bj] == '0') ++bj;
      std::size_t ae = ai, be = bj;
      while (ae < a.size() && IsDigit(a[ae])) ++ae;
      while (be < b.size() && IsDigit(b[be])) ++be;
      // More significant digits is a larger number; as many, the first differing digit decides.
      if (ae - ai != be - bj) return ae - ai < be - bj;
      const int order = a.substr(ai, ae - ai).compare(b.substr(bj, be - bj));
      if (order != 0) return order < 0;
      i = ae;
      j = be;
      continue;
    }
    const char ca = Lower(a[i]), cb = Lower(b[j]);
    if (ca != cb) return static_cast<unsigned char>(ca) < static_cast<unsigned char>(cb);
    ++i;
    ++j;
  }
  return a.size() - i < b.size() - j;
}

std::vector<TUrlEntry> BuildUrlList(const std::vector<TUrlRecord>& records,
                                    const TUrlListFlags& flags, std::string_view search) {
  std::vector<TUrlEntry> entries;
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (!ListsUrl(records[i], flags)) continue;
    std::string text = UrlListText(records[i]);
    if (MatchesSearch(text, records[i], search)) entries.push_back({std::move(text), i});
  }
  // Stable: entries that compare equal keep the tree's order.
  std::stable_sort(entries.begin(), entries.end(), [](const TUrlEntry& a, const TUrlEntry& b) {
    return NaturalLess(a.Text, b.Text);
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
