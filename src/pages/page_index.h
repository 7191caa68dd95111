// The generated pages of a web folder: the home page "_Home.htm" with one row per captured site,
// and per site four indexes split into numbered pages (HTML pages, pictures as thumbnails, other
// files, errors). Every page is made from a template whose "KRVN_" markers are replaced by the
// web's figures or by the rows built here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/date_time.h"
#include "pages/sommaire_param.h"
#include "store/capture_info.h"
#include "viewer/picture_size.h"

namespace korvane {

class TFileSystem;
class TMIMELIST;
class TWebFile;
class TWebTree;

// What the generated pages read of a web: its figures, its tree and its MIME table. The tree and
// the table must outlive the generators.
struct TIndexedWeb {
  const TWebTree& Tree;
  const TMIMELIST& MimeList;
  std::string Path;  // the web's folder, ending with a separator
  std::string Url;
  std::string Title;
  std::string HomePage;  // local name of the start address's file; empty before a capture
  TDateTime CaptureStart = 0;
  std::int64_t TotalSize = 0;
  std::uint32_t CapturedCount = 0, ErrorCount = 0, NotFoundCount = 0, FilteredCount = 0;
  TCaptureInfo LastCaptureInfo;
};

// Texts from captured pages and addresses, made safe to write into a generated page.
std::string HtmlEscape(std::string_view text);
// A text of the core (a title, a link text) for a generated page: escaped as HtmlEscape does,
// its numeric character references kept, so that they show as the characters they stand for.
std::string TextEscape(std::string_view text);
// An address for a generated page, as text or link: escaped, and its bytes that are not
// printable ASCII percent-encoded, so that the UTF-8 page leads where the address does.
std::string AddressEscape(std::string_view address);

// The 40 marker names, in the order their numbers (1 to 40) follow.
inline constexpr int kMarkerCount = 40;
std::string_view MarkerName(int number);

// The generator of one index (the HTML pages' index itself; the others derive from it).
class TPageIndex {
 public:
  // `fs` must outlive the generator. `template_folder` ends with a separator.
  TPageIndex(const TIndexedWeb& web, TFileSystem& fs, std::string template_folder);
  virtual ~TPageIndex() = default;
  TPageIndex(const TPageIndex&) = delete;
  TPageIndex& operator=(const TPageIndex&) = delete;

  TIndexedWeb Web;
  std::string TemplateName;
  std::string BaseName;
  std::string TemplateFolder;
  std::string SiteTitle, SiteUrl, SiteHomeFile;
  int FirstPageNumber = 0;
  int PageNumber = 0;  // the page being filled, 0 for the site's first page
  int PageCount = 0;   // pages announced for the current site
  int ItemCount = 0;   // items announced for the current site
  std::string RowsBuffer;
  int CellAlign = 0, CellVAlign = 0;  // 0 none, 1 Left, 2 Right, 3 Top, 4 Bottom, 5 Center
  int CellWidth = 0, CellHeight = 0;
  int RowsPerPage = 1, CellsPerRow = 1;
  int RowsWritten = 0, CellsWritten = 0;
  int FilesAdded = 0;  // never reset

  virtual void WriteMarker(std::string& out, int marker);
  virtual void SetItemCount(int n);
  // True when this index took the record.
  virtual bool AddFile(const TWebFile& record);

  void StartSite(std::string_view title, std::string_view url, int first_page_number,
                 std::string_view home_file);
  void FlushPage();
  void ResetPage();
  void BeginCell();
  void EndCell();
  void EndRow();
  std::string PageFileName(int n) const;
  void ExpandTemplateLine(std::string& out, std::string_view line);
  // Why pages of this index could not be written (each page failed is left as it was).
  const std::vector<std::string>& WriteFailures() const { return write_failures_; }
  // The pages this index made (written, or left as they were when writing failed).
  const std::vector<std::string>& Pages() const { return pages_; }

 protected:
  // Counts a record that was listed and writes the page out when it is full.
  void FileListed();
  void WriteLink(std::string_view target, std::string_view text);
  void WriteCell(std::string_view html);
  // The record's description, or its file name when it has none; escaped.
  std::string Label(const TWebFile& record) const;
  std::string RecordUrl(const TWebFile& record) const;
  void WritePageIndex(std::string& out) const;

  TFileSystem& fs_;
  std::vector<std::string> write_failures_;
  std::vector<std::string> pages_;

 private:
  // The template's lines, read at the first page written; none when it does not exist.
  const std::optional<std::vector<std::string>>& TemplateLines();

  bool template_read_ = false;
  std::optional<std::vector<std::string>> template_lines_;
};

class TImageIndex : public TPageIndex {
 public:
  using TPageIndex::TPageIndex;
  int ThumbSize = 64;
  int MinSize = 0;
  bool KeepRatio = false;
  // Sizes of the site's pictures, in the order they are added; 0 x 0 when not measured.
  std::vector<TPictureSize> PictureSizes;

  void WriteMarker(std::string& out, int marker) override;
  void SetItemCount(int n) override;
  bool AddFile(const TWebFile& record) override;

 private:
  TPictureSize NextSize();
  std::size_t next_size_ = 0;
};

class TOtherIndex : public TPageIndex {
 public:
  using TPageIndex::TPageIndex;
  bool AddFile(const TWebFile& record) override;
};

class TErrorIndex : public TPageIndex {
 public:
  using TPageIndex::TPageIndex;
  bool AddFile(const TWebFile& record) override;
};

// What the indexes of one site will list, counted before the site's records are added.
struct TSiteCounts {
  int Html = 0;
  int Pictures = 0;  // listed pictures only
  int Others = 0;
  int Errors = 0;
};

// Which index takes a record: the rules of the indexes' AddFile, so that the counts announced
// for a site match the rows written and no page is promised that is never written.
enum class TIndexKind { kNone, kPicture, kHtml, kOther, kError };
TIndexKind IndexKindOf(const TMIMELIST& mime_list, const TWebFile& record);
// Whether a picture of this size is listed with the minimum size `min_size`.
bool IsListedPicture(TPictureSize size, int min_size);

// The home page generator, which drives the four indexes.
class TSommaireIndex : public TPageIndex {
 public:
  // Copies the template folder's support files into the web folder.
  TSommaireIndex(const TIndexedWeb& web, const TSommaireParam& param, TFileSystem& fs,
                 const std::string& template_folder);

  TImageIndex ImageIdx;
  TPageIndex HtmlIdx;
  TOtherIndex OtherIdx;
  TErrorIndex ErrorIdx;
  TSommaireParam config;

  void WriteMarker(std::string& out, int marker) override;
  bool AddFile(const TWebFile& record) override;
  void StartSite(std::string_view host, std::string_view url, std::string_view home_file,
                 std::vector<TPictureSize> picture_sizes, const TSiteCounts& counts);
  void EndSite();
  // Writes the home page, showing `total_size` as the web's size.
  void Finish(std::int64_t total_size);
  // The pages of the home page and of every index that could not be written.
  std::vector<std::string> AllWriteFailures() const;
  // Removes the index pages of the folder that this run did not make: those of an earlier run
  // that listed more, which nothing links to any more. Returns why any could not go.
  std::vector<std::string> RemoveStalePages();

 private:
  void CopySupportFiles();
  void WriteHomeCell(const TPageIndex& index, std::string_view text, int blanks);
};

}  // namespace korvane
