// The two passes over a captured page. Right after capture (SetHtmlLinks) every link is made
// absolute and handed to admission, and the page gets its address line and footer. When links are
// resolved (RewritePage) every link to a captured file is pointed at the local copy, with the
// original address kept in OLDREF; dead links go to the bad-link page; client-side maps are
// inserted after their pictures and the footer is renewed. Everything the program adds lies
// between marker comments, so that rewriting a page any number of times gives the same bytes.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/date_time.h"
#include "html/html_parser.h"
#include "html/link_item.h"
#include "store/web_folder.h"

namespace korvane {

class TFileSystem;
class TMAPLIST;
class TWebFile;
class TWebTree;

// Decides which links of a captured page go to admission.
using THtmlLinkFilter = std::function<bool(const TLinkParam& link)>;
// Link admission: the web's NewLink, with the page's record as parent.
using TNewLinkProc = std::function<void(const TLinkItem& link, TWebFile* parent)>;

// Web addresses of no other protocol, except anchors around a server-side map picture (their
// address is the map program, not a page).
bool DefaultLinkFilter(const TLinkParam& link);

// What processing a captured page needs of its web.
struct THtmlLinksContext {
  TFileSystem* FileSystem = nullptr;
  std::string WebPath;  // the web's folder, ending with a separator
  TNewLinkProc NewLink;
  bool RealLinkFlag = true;  // add the footer
  TDateTime CaptureStart = 0;
  bool Requisites = false;  // follow what the page needs to show as served
};

// Processes the captured page `file` (stored in the web's folder) fetched from `page_url`: links
// made absolute and admitted through `filter` (DefaultLinkFilter when empty), LOWSRC removed,
// the Ismap flag, the title as description, the address line and the footer. Titles and link
// texts are read in the page's character set (`header_charset` is its response's, see
// PageCharset). A missing file is left alone. False when the processed page could not be written
// back (the page stays as it was captured). `captured` holds the page's bytes when they were
// kept in memory instead of stored: the processed page is then written whatever it holds.
bool SetHtmlLinks(const THtmlLinksContext& web, TWebFile& file, std::string_view page_url,
                  const THtmlLinkFilter& filter = {}, std::string_view header_charset = {},
                  const std::string* captured = nullptr);

// Processes the captured stylesheet `file` fetched from `url`, for page requisites: its
// addresses made absolute and admitted like a page's links (through `filter`). A missing file is
// left alone; false when the stylesheet could not be written back.
bool SetStylesheetLinks(const THtmlLinksContext& web, TWebFile& file, std::string_view url,
                        const THtmlLinkFilter& filter = {});
// Rewrites one stored stylesheet for local reading: every captured address points at its local
// file, its original kept in a comment after it. False when it could not be written.
bool RewriteStylesheet(TFileSystem& fs, const std::string& web_path, const TWebFile& file,
                       const TWebTree& tree);
// Whether a content type is a stylesheet's.
bool IsStylesheetType(std::string_view content_type);

// Appends the footer naming `url` and the capture date.
void WriteFooter(std::string& stream, std::string_view url, TDateTime date);

// Rewrites one stored page of the web for local reading. A missing file is left alone. False when
// the rewritten page could not be written (the page stays as it was). `size`, when given, is the
// page's size on disk afterwards (-1 when there is none).
bool RewritePage(TFileSystem& fs, const std::string& web_path, const TWebFile& file,
                 const TWebTree& tree, const TMAPLIST& map_list, TDateTime capture_date,
                 bool real_link, bool suppress_link, bool requisites = false,
                 std::int64_t* size = nullptr);

// The two passes on page bytes, for callers that hold the page in memory.
struct TProcessedPage {
  std::string Text;   // the page as it is to be stored
  std::string Title;  // the page's title (in Windows-1252), empty when it has none
  bool Ismap = false;
};
TProcessedPage ProcessCapturedPage(std::string_view page, std::string_view page_url,
                                   const THtmlLinkFilter& filter, const TNewLinkProc& new_link,
                                   TWebFile* parent, bool real_link, TDateTime capture_start,
                                   bool requisites = false, std::string_view header_charset = {});

// Reads a map file of the web's folder by its plain name; nothing when it does not exist.
using TMapFileReader = std::function<std::optional<std::string>(const std::string& name)>;
std::string RewritePageText(std::string_view page, std::string_view page_url, const TWebTree& tree,
                            const TMAPLIST& map_list, const TMapFileReader& read_map,
                            TDateTime capture_date, bool real_link, bool suppress_link,
                            bool requisites = false, std::string_view page_name = {});

// `<`, `>` and `"` of an address written as text into a page, as entities: a hostile address
// cannot inject markup, and ordinary addresses keep their bytes.
std::string EscapeAddress(std::string_view address);

}  // namespace korvane
