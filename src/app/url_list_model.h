// The URL tab's list as a model: which records of the web are listed (pages only, by the four
// type boxes), their text and colour, the details of the selected entry, and which pop-up
// commands apply. The view draws the entries of BuildUrlList in order (the list is sorted by
// text) and fills the three detail boxes from UrlDetails.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/date_time.h"
#include "base/shape.h"

namespace korvane {

// One record of the web's tree, as the list needs it.
struct TUrlRecord {
  std::string Url;
  std::uint8_t State = 0;     // the record's web state
  std::uint8_t LinkType = 0;  // 0 for pages; pictures and backgrounds are never listed
  std::string Description;    // the page's title
  std::string FileName;       // local file name
  bool MainWeb = true;        // false for a record of an external web
};

struct TUrlListFlags {
  bool Resolved = true;   // "Captured"
  bool Todo = false;      // "To be explored"
  bool Error = false;     // "&Not found"
  bool Filtered = false;  // "&Filtered"
};

bool ListsUrl(const TUrlRecord& record, const TUrlListFlags& flags);
std::string UrlListText(const TUrlRecord& record);

// The normal text colour and the selected one are the desktop's.
inline constexpr TColor clWindowText = kSystemColor | 8;
inline constexpr TColor clHighlightText = kSystemColor | 14;
TColor UrlListColor(std::uint8_t state, bool selected);

struct TUrlEntry {
  std::string Text;
  std::size_t Record = 0;  // index in the records given to BuildUrlList
};
// The list's order: letter case aside, and runs of digits compared as numbers, so "page 99"
// comes before "page 101".
bool NaturalLess(std::string_view a, std::string_view b);

// Sorted by NaturalLess. With `search`, only the entries whose text or address holds each of its
// blank-separated words, in any letter case.
std::vector<TUrlEntry> BuildUrlList(const std::vector<TUrlRecord>& records,
                                    const TUrlListFlags& flags, std::string_view search = {});

struct TUrlDetails {
  std::string UrlListUrlEdit;
  std::string UrlListFileNameEdit;
  std::string UrlListDateEdit;  // empty when the local file does not exist
  bool ListBrowsButEnabled = true;
};
// `file_date`: the local file's date when it exists.
TUrlDetails UrlDetails(const TUrlRecord& record, std::optional<TDateTime> file_date);

class TWebTree;
// The records of the web's tree, in tree order.
std::vector<TUrlRecord> UrlRecordsFromTree(const TWebTree& tree);

// What "Launch Navigator with selected Url" opens: the local file when the record has one.
std::string UrlNavigatorTarget(const TUrlRecord& record, const std::string& web_folder);

// Pop-up commands: "&Force capture " on any record not to be explored, "&Create new Web..." on a
// filtered one.
bool ForceCaptureEnabled(const TUrlRecord& record);
bool CreateNewWebEnabled(const TUrlRecord& record);

}  // namespace korvane
