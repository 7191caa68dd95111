// Rows and cells are built in RowsBuffer while a site's records arrive; a page file is written
// when the page is full or the site ends.
#include "pages/page_index.h"

#include "base/file_name.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <unordered_set>

#include "base/byte_count.h"
#include "base/date_time.h"
#include "base/file_system.h"
#include "base/log_texts.h"
#include "base/short_string.h"
#include "base/text_case.h"
#include "base/text_encoding.h"
#include "html/url.h"
#include "store/mime_list.h"
#include "store/web_folder.h"
#include "store/web_tree.h"

namespace korvane {
namespace {

constexpr std::string_view kCrLf = "\r\n";

constexpr std::array<std::string_view, kMarkerCount> kMarkers = {
    "KRVN_VERSION",
    "KRVN_SOMMAIRE",
    "KRVN_TITLE",
    "KRVN_URL",
    "KRVN_HOMEPAGE",
    "KRVN_CAPTURE_DATE",
    "KRVN_CAPTURE_TITLE",
    "KRVN_CAPTURE_URL",
    "KRVN_CAPTURE_SIZE",
    "KRVN_CAPTURE_HOMEPAGE",
    "KRVN_CAPTURE_IMAGECOUNT",
    "KRVN_CAPTURE_ERRORCOUNT",
    "KRVN_CAPTURE_NOTFOUNDCOUNT",
    "KRVN_CAPTURE_HTMLCOUNT",
    "KRVN_CAPTURE_FILTEREDCOUNT",
    "KRVN_CAPTURE_TODOCOUNT",
    "KRVN_SESSION_ERRORCOUNT",
    "KRVN_SESSION_NOTFOUNDCOUNT",
    "KRVN_SESSION_CAPTUREDCOUNT",
    "KRVN_SESSION_FILTEREDCOUNT",
    "KRVN_SESSION_STARTIME",
    "KRVN_SESSION_STOPTIME",
    "KRVN_SESSION_TIME",
    "KRVN_SESSION_SIZE",
    "KRVN_SESSION_SPEED",
    "KRVN_PAGE_TITLE",
    "KRVN_PAGE_COUNT",
    "KRVN_PAGE_NUMBER",
    "KRVN_PAGE_NEXT",
    "KRVN_PAGE_BACK",
    "KRVN_PAGE_INDEX",
    "KRVN_IMAGE_COUNT",
    "KRVN_IMAGE_TABLE",
    "KRVN_HTML_TABLE",
    "KRVN_SOUND_TABLE",
    "KRVN_VIDEO_TABLE",
    "KRVN_OTHER_TABLE",
    "KRVN_WEB_TABLE",
    "KRVN_LOG_TABLE",
    "KRVN_SITE_TITLE",
};

constexpr std::array<std::string_view, 6> kAlignNames = {"",    "Left",   "Right",
                                                         "Top", "Bottom", "Center"};

std::string_view AlignName(int i) {
  return i > 0 && i < static_cast<int>(kAlignNames.size()) ? kAlignNames[i] : "";
}

std::string SizeText(std::int64_t bytes) {
  if (bytes <= kKilobyte) return std::to_string(bytes) + " bytes";
  return std::to_string(bytes / kKilobyte) + " Kb";
}

// Whole seconds of the time of day of a duration, as the capture statistics have always shown it.
std::int64_t DurationSeconds(TDateTime span) {
  TDateParts p = DecodeDateTime(span);
  return std::int64_t{p.hour} * 3600 + p.minute * 60 + p.second;
}

std::string TimeOfDayText(TDateTime span) {
  TDateParts p = DecodeDateTime(span);
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", p.hour, p.minute, p.second);
  return text;
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(ShortView(line));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

// "&#233;" or "&#xE9;" at the start of `s`.
bool IsNumericReference(std::string_view s) {
  if (s.size() < 4 || s[1] != '#') return false;
  const bool hex = s[2] == 'x' || s[2] == 'X';
  std::size_t at = hex ? 3 : 2;
  const std::size_t first = at;
  while (at < s.size() && at - first < 8 &&
         (std::isdigit(static_cast<unsigned char>(s[at])) ||
          (hex && std::isxdigit(static_cast<unsigned char>(s[at])))))
    ++at;
  return at > first && at < s.size() && s[at] == ';';
}

}  // namespace

std::string HtmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    // A table: one character and what stands for it on each line.
    // clang-format off
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
    // clang-format on
  }
  return out;
}

std::string TextEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text[at] == '&' && IsNumericReference(text.substr(at))) {
      out.push_back('&');
    } else {
      out += HtmlEscape(text.substr(at, 1));
    }
  }
  return out;
}

std::string AddressEscape(std::string_view address) { return HtmlEscape(PercentEncoded(address)); }

std::string_view MarkerName(int number) {
  return number >= 1 && number <= kMarkerCount ? kMarkers[number - 1] : "";
}

bool IsListedPicture(TPictureSize size, int min_size) {
  return size.Width == 0 || (size.Width >= min_size && size.Height >= min_size);
}

TIndexKind IndexKindOf(const TMIMELIST& mime_list, const TWebFile& record) {
  if (record.State == wsError || record.State == wsNotFound) return TIndexKind::kError;
  if (record.State != wsPage && record.State != wsFile) return TIndexKind::kNone;
  const TMimeItem* mime = mime_list.GetMimeByString(record.GetMimeType());
  if (mime && mime->MimeClass == mcImage) return TIndexKind::kPicture;
  if (mime && mime->MimeClass == mcHtml && record.GetLinkType() == 0) return TIndexKind::kHtml;
  return TIndexKind::kOther;
}

// --- TPageIndex ---

TPageIndex::TPageIndex(const TIndexedWeb& web, TFileSystem& fs, std::string template_folder)
    : Web(web), TemplateFolder(std::move(template_folder)), fs_(fs) {
  RowsBuffer.reserve(4096);
}

std::string TPageIndex::PageFileName(int n) const {
  if (n <= 0) return BaseName + ".htm";
  char digits[16];
  std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned>(n));
  return BaseName + digits + ".htm";
}

void TPageIndex::ResetPage() {
  RowsBuffer.clear();
  RowsBuffer += kCrLf;
  RowsWritten = 0;
  CellsWritten = 0;
}

void TPageIndex::BeginCell() {
  if (CellsWritten == 0 || CellsWritten >= CellsPerRow) {
    RowsBuffer += "<TR>";
    CellsWritten = 0;
  }
  RowsBuffer += "<TD ";
  if (CellAlign != 0) RowsBuffer += "ALIGN=\"" + std::string(AlignName(CellAlign)) + "\" ";
  if (CellVAlign != 0) RowsBuffer += "VALIGN=\"" + std::string(AlignName(CellVAlign)) + "\" ";
  if (CellWidth > 0) RowsBuffer += "WIDTH=\"" + std::to_string(CellWidth) + "\" ";
  if (CellHeight > 0) RowsBuffer += "HEIGHT=\"" + std::to_string(CellHeight) + "\" ";
  RowsBuffer += ">";
}

void TPageIndex::EndCell() {
  RowsBuffer += "</TD>";
  RowsBuffer += kCrLf;
  ++CellsWritten;
  if (CellsWritten == CellsPerRow) EndRow();
}

void TPageIndex::EndRow() {
  RowsBuffer += "</TR>";
  RowsBuffer += kCrLf;
  ++RowsWritten;
  if (RowsWritten == RowsPerPage) RowsBuffer += kCrLf;
}

void TPageIndex::WriteLink(std::string_view target, std::string_view text) {
  RowsBuffer += "<A HREF=\"";
  RowsBuffer += target;
  RowsBuffer += "\">";
  RowsBuffer += text;
  RowsBuffer += "</A>";
  RowsBuffer += kCrLf;
}

void TPageIndex::WriteCell(std::string_view html) {
  BeginCell();
  RowsBuffer += html;
  EndCell();
}

void TPageIndex::FileListed() {
  ++FilesAdded;
  if (RowsWritten >= RowsPerPage && CellsWritten >= CellsPerRow) FlushPage();
}

const std::optional<std::vector<std::string>>& TPageIndex::TemplateLines() {
  if (!template_read_) {
    template_read_ = true;
    if (auto text = fs_.ReadFile(TemplateFolder + TemplateName))
      template_lines_ = SplitLines(*text);
  }
  return template_lines_;
}

void TPageIndex::FlushPage() {
  if (RowsWritten == 0 && CellsWritten == 0) return;
  // A row still open is closed; a row that its last cell closed gets no second "</TR>".
  if (RowsWritten < RowsPerPage && CellsWritten < CellsPerRow) {
    EndRow();
    RowsBuffer += kCrLf;
  }
  const auto& lines = TemplateLines();
  if (!lines) return;
  std::string page;
  page.reserve(RowsBuffer.size() + 4096);
  for (const auto& line : *lines) ExpandTemplateLine(page, line);
  // Written in UTF-8, as the templates declare: every character of the titles shows. Never a
  // page cut short by a full disk: the previous one stays until the new one is whole.
  pages_.push_back(PageFileName(FirstPageNumber + PageNumber));
  if (!fs_.ReplaceFile(Web.Path + pages_.back(), Win1252ToUtf8(page))) {
    write_failures_.push_back(fs_.LastError());
  }
  ResetPage();
  ++PageNumber;
}

void TPageIndex::StartSite(std::string_view title, std::string_view url, int first_page_number,
                           std::string_view home_file) {
  FirstPageNumber = first_page_number;
  PageNumber = 0;
  ItemCount = 0;
  ResetPage();
  SiteTitle = title;
  SiteUrl = url;
  SiteHomeFile = home_file;
}

void TPageIndex::SetItemCount(int n) {
  ItemCount = n;
  PageCount = RowsPerPage > 0 ? (n + RowsPerPage - 1) / RowsPerPage : 0;
  ResetPage();
}

void TPageIndex::ExpandTemplateLine(std::string& out, std::string_view line) {
  for (std::size_t at; !line.empty() && (at = line.find("KRVN_")) != std::string_view::npos;) {
    out += line.substr(0, at);
    line.remove_prefix(at);
    int found = 0;
    for (int i = 1; i <= kMarkerCount && found == 0; ++i) {
      if (line.starts_with(kMarkers[i - 1])) found = i;
    }
    if (found == 0) {
      line.remove_prefix(5);
      continue;
    }
    line.remove_prefix(kMarkers[found - 1].size());
    WriteMarker(out, found);
  }
  out += line;
  out += kCrLf;
}

void TPageIndex::WritePageIndex(std::string& out) const {
  out += kCrLf;
  out += kIndexOfPagesStart;
  out += kCrLf;
  out += "<TABLE BORDER=\"0\" CELLSPACING=\"5\">";
  out += kCrLf;
  const int step = PageCount > 0 ? (PageCount + 49) / 50 : 1;
  int p = 0;
  for (int row = 0; row < 2; ++row) {
    out += "<TR>";
    for (int cell = 0; cell < 25; ++cell) {
      out += "<TD>";
      if (cell == 0) {
        if (row == 0) out += kIndexPageNumber;
        out += "</TD><TD>";
      }
      if (p == PageNumber) {
        out += "<BLINK><B>" + std::to_string(p + 1) + "</B></BLINK></TD>";
      } else {
        out += "<A HREF=\"" + PageFileName(FirstPageNumber + p) + "\">" + std::to_string(p + 1) +
               "</A></TD>";
      }
      out += kCrLf;
      p += step;
      if (p >= PageCount) break;
    }
    out += "</TR>";
    out += kCrLf;
    if (p >= PageCount) break;
  }
  out += "</TABLE>";
  out += kCrLf;
  out += kIndexOfPagesEnd;
  out += kCrLf;
}

void TPageIndex::WriteMarker(std::string& out, int marker) {
  const TCaptureInfo& session = Web.LastCaptureInfo;
  // A table: one marker and what it writes on each line, where it fits.
  // clang-format off
  switch (marker) {
    case 1: out += "17"; break;
    case 2: out += kHomePageName; break;
    case 3:
    case 26:
      out += TextEscape(Web.Title);
      break;
    case 4:
      out += AddressEscape(Web.Url);
      break;
    case 5: out += HtmlEscape(Web.HomePage); break;
    case 6: out += FormatDisplayDate(Web.CaptureStart); break;
    case 7:
      out += TextEscape(SiteTitle);
      break;
    case 8:
      out += AddressEscape(SiteUrl);
      break;
    case 9: out += SizeText(Web.TotalSize); break;
    case 10: out += HtmlEscape(LinkBetweenFiles({}, SiteHomeFile)); break;
    case 12: out += std::to_string(Web.ErrorCount); break;
    case 13: out += std::to_string(Web.NotFoundCount); break;
    case 14: out += std::to_string(Web.CapturedCount); break;
    case 15: out += std::to_string(Web.FilteredCount); break;
    case 17: out += std::to_string(session.ErrorCount); break;
    case 18: out += std::to_string(session.NotFoundCount); break;
    case 19: out += std::to_string(session.CapturedCount); break;
    case 20: out += std::to_string(session.FilteredCount); break;
    case 21: out += FormatDisplayDate(session.StartTime); break;
    case 22: out += FormatDisplayDate(session.StopTime); break;
    case 23: out += TimeOfDayText(session.StopTime - session.StartTime); break;
    case 24: out += std::to_string(session.SizeKb) + " Kb"; break;
    case 25: {
      std::int64_t seconds = DurationSeconds(session.StopTime - session.StartTime);
      std::int64_t speed = seconds == 0 ? 0 : std::int64_t{session.SizeKb} * 1024 / seconds;
      out += std::to_string(speed) + " bytes/s";
      break;
    }
    case 27: out += std::to_string(PageCount); break;
    case 28: out += std::to_string(PageNumber + 1); break;
    case 29:
      out += PageNumber < PageCount - 1 ? PageFileName(FirstPageNumber + PageNumber + 1)
                                        : std::string(kHomePageName);
      break;
    case 30:
      out += PageNumber > 0 ? PageFileName(FirstPageNumber + PageNumber - 1)
                            : std::string(kHomePageName);
      break;
    case 31: WritePageIndex(out); break;
    case 33: case 34: case 35: case 36: case 37: out += RowsBuffer; break;
    default: break;  // markers that write nothing here
  }
  // clang-format on
}

std::string TPageIndex::Label(const TWebFile& record) const {
  return TextEscape(record.GetDescription().empty() ? record.GetFileName()
                                                    : record.GetDescription());
}

std::string TPageIndex::RecordUrl(const TWebFile& record) const {
  return AddressEscape(Web.Tree.GetUrl(&record));
}

bool TPageIndex::AddFile(const TWebFile& record) {
  if (IndexKindOf(Web.MimeList, record) != TIndexKind::kHtml) return false;
  const std::string name = HtmlEscape(record.GetFileName());
  const std::string url = RecordUrl(record);
  WriteCell(Label(record));
  BeginCell();
  WriteLink(HtmlEscape(LinkBetweenFiles({}, record.GetFileName())), name);
  EndCell();
  BeginCell();
  WriteLink(url, url);
  EndCell();
  FileListed();
  return true;
}

// --- TImageIndex ---

void TImageIndex::WriteMarker(std::string& out, int marker) {
  if (marker == 11) {
    out += std::to_string(ItemCount);
    return;
  }
  TPageIndex::WriteMarker(out, marker);
}

void TImageIndex::SetItemCount(int n) {
  ItemCount = n;
  const int per_page = RowsPerPage * CellsPerRow;
  PageCount = per_page > 0 ? (n + per_page - 1) / per_page : 0;
  ResetPage();
  next_size_ = 0;
}

TPictureSize TImageIndex::NextSize() {
  if (next_size_ >= PictureSizes.size()) return {};
  return PictureSizes[next_size_++];
}

bool TImageIndex::AddFile(const TWebFile& record) {
  if (IndexKindOf(Web.MimeList, record) != TIndexKind::kPicture) return false;
  TPictureSize size = NextSize();
  if (!IsListedPicture(size, MinSize)) return true;
  int w = size.Width, h = size.Height;
  if (w == 0) w = h = ThumbSize;
  int tw = ThumbSize, th = ThumbSize;
  if (KeepRatio) {
    if (w <= ThumbSize && h <= ThumbSize) {
      tw = w;
      th = h;
    } else if (h < w) {
      th = static_cast<int>(std::int64_t{ThumbSize} * h / w);
    } else {
      tw = static_cast<int>(std::int64_t{ThumbSize} * w / h);
    }
  }
  const std::string name = HtmlEscape(record.GetFileName());
  const std::string link = HtmlEscape(LinkBetweenFiles({}, record.GetFileName()));
  const std::string box = std::to_string(ThumbSize);
  BeginCell();
  RowsBuffer += "<TABLE><TR><TD WITDH=\"" + box + "\" HEIGHT=\"" + box +
                "\" ALIGN=\"CENTER\" VALIGN=\"CENTER\">\r\n";
  RowsBuffer += "<A HREF=\"" + link + "\">";
  RowsBuffer += "<IMG SRC=\"" + link + "\" WIDTH=\"" + std::to_string(tw) + "\" HEIGHT=\"" +
                std::to_string(th) + "\" BORDER=\"0\"></IMG></A></TD></TR>\r\n";
  RowsBuffer += "<TR><TD ALIGN=\"CENTER\" VALIGN=\"CENTER\">";
  RowsBuffer += "<A HREF=\"" + link + "\">";
  RowsBuffer += "<FONT SIZE=\"2\">(" + std::to_string(w) + "x" + std::to_string(h) + ")</FONT>";
  RowsBuffer += "</A><BR>\r\n";
  RowsBuffer += "<A HREF=\"" + RecordUrl(record) + "\">" + name + "</A></TD></TR></TABLE>\r\n";
  EndCell();
  FileListed();
  return true;
}

// --- TOtherIndex ---

bool TOtherIndex::AddFile(const TWebFile& record) {
  if (record.State != wsPage && record.State != wsFile) return false;
  const std::string name = HtmlEscape(record.GetFileName());
  const TMimeItem* mime = Web.MimeList.GetMimeByString(record.GetMimeType());
  const std::int64_t size = fs_.FileSize(Web.Path + record.GetFileName());
  WriteCell(Label(record));
  BeginCell();
  WriteLink(HtmlEscape(LinkBetweenFiles({}, record.GetFileName())), name);
  EndCell();
  WriteCell(HtmlEscape(mime ? mime->ContentType : record.GetMimeType()));
  WriteCell(size < 0 ? std::string("Local file not found!") : SizeText(size));
  FileListed();
  return true;
}

// --- TErrorIndex ---

bool TErrorIndex::AddFile(const TWebFile& record) {
  if (record.State != wsError && record.State != wsNotFound) return false;
  const std::string url = RecordUrl(record);
  WriteCell(Label(record));
  BeginCell();
  WriteLink(url, url);
  EndCell();
  WriteCell(record.State == wsError ? "<B>In error</B>" : "<B>Not Found</B>");
  FileListed();
  return true;
}

// --- TSommaireIndex ---

namespace {

// Each page is made from the template of its base's name.
void SetUp(TPageIndex& index, std::string_view base, int rows, int cells, int align) {
  index.TemplateName = std::string(base) + ".krv";
  index.BaseName = base;
  index.RowsPerPage = rows;
  index.CellsPerRow = cells;
  index.CellAlign = align;
  index.CellVAlign = 5;
}

}  // namespace

TSommaireIndex::TSommaireIndex(const TIndexedWeb& web, const TSommaireParam& param, TFileSystem& fs,
                               const std::string& template_folder)
    : TPageIndex(web, fs, template_folder),
      ImageIdx(web, fs, template_folder),
      HtmlIdx(web, fs, template_folder),
      OtherIdx(web, fs, template_folder),
      ErrorIdx(web, fs, template_folder),
      config(param) {
  SetUp(*this, "_Home", 100, 5, 1);
  SetUp(HtmlIdx, kHtmlIndexBase, config.LigByPage, 3, 1);
  SetUp(ImageIdx, kImageIndexBase, config.ImgLigByPage, config.ImgColByPage, 5);
  SetUp(OtherIdx, kOtherIndexBase, config.LigByPage, 4, 1);
  SetUp(ErrorIdx, kErrorIndexBase, config.LigByPage, 3, 1);
  ImageIdx.ThumbSize = config.ImgSize;
  ImageIdx.MinSize = config.ImgSizeMin;
  ImageIdx.KeepRatio = config.ImgRatio;
  ItemCount = 100;
  PageCount = 0;
  CopySupportFiles();
  ResetPage();
}

std::vector<std::string> TSommaireIndex::AllWriteFailures() const {
  std::vector<std::string> all = write_failures_;
  for (const TPageIndex* index :
       std::array<const TPageIndex*, 4>{&ImageIdx, &HtmlIdx, &OtherIdx, &ErrorIdx}) {
    all.insert(all.end(), index->WriteFailures().begin(), index->WriteFailures().end());
  }
  return all;
}

void TSommaireIndex::Finish(std::int64_t total_size) {
  Web.TotalSize = total_size;
  FlushPage();
}

void TSommaireIndex::CopySupportFiles() {
  // The web's folder exists already; when it does not, the pages' writes say so.
  (void)fs_.MakeDirs(Web.Path);
  if (!fs_.DirectoryExists(TemplateFolder)) return;
  for (const std::string& name : fs_.ListFiles(TemplateFolder)) {
    if (AnsiLowerCase(name).ends_with(".krv")) continue;
    // Replaced whole: a full disk leaves the stylesheet the pages had, not an empty one.
    auto bytes = fs_.ReadFile(TemplateFolder + name);
    if (bytes && !fs_.ReplaceFile(Web.Path + name, *bytes))
      write_failures_.push_back(fs_.LastError());
  }
}

std::vector<std::string> TSommaireIndex::RemoveStalePages() {
  std::unordered_set<std::string> made;
  for (const TPageIndex* index :
       std::array<const TPageIndex*, 4>{&ImageIdx, &HtmlIdx, &OtherIdx, &ErrorIdx}) {
    for (const std::string& page : index->Pages()) made.insert(AnsiLowerCase(page));
  }
  std::vector<std::string> stale;
  for (const std::string& name : fs_.ListFiles(Web.Path)) {
    if (IsIndexPageName(name) && made.count(AnsiLowerCase(name)) == 0) stale.push_back(name);
  }
  return DeleteFolderFiles(fs_, Web.Path, stale);
}

void TSommaireIndex::WriteMarker(std::string& out, int marker) {
  if (marker == 40) {
    out += "Site list";
    return;
  }
  TPageIndex::WriteMarker(out, marker);
}

bool TSommaireIndex::AddFile(const TWebFile& record) {
  return ImageIdx.AddFile(record) || HtmlIdx.AddFile(record) || OtherIdx.AddFile(record) ||
         ErrorIdx.AddFile(record);
}

void TSommaireIndex::WriteHomeCell(const TPageIndex& index, std::string_view text, int blanks) {
  BeginCell();
  if (index.ItemCount > 0) {
    WriteLink(index.PageFileName(index.FirstPageNumber), text);
  } else {
    RowsBuffer.append(static_cast<std::size_t>(blanks), ' ');
  }
  EndCell();
}

void TSommaireIndex::StartSite(std::string_view host, std::string_view url,
                               std::string_view home_file, std::vector<TPictureSize> picture_sizes,
                               const TSiteCounts& counts) {
  SiteTitle = host;
  SiteUrl = url;
  SiteHomeFile = home_file;
  const std::array<TPageIndex*, 4> indexes = {&ImageIdx, &HtmlIdx, &OtherIdx, &ErrorIdx};
  for (TPageIndex* index : indexes) {
    index->TPageIndex::StartSite(host, url, index->FirstPageNumber + index->PageCount, home_file);
  }
  ImageIdx.PictureSizes = std::move(picture_sizes);
  ImageIdx.SetItemCount(counts.Pictures);
  HtmlIdx.SetItemCount(counts.Html);
  ErrorIdx.SetItemCount(counts.Errors);
  OtherIdx.SetItemCount(counts.Others);

  const std::string name = HtmlEscape(LinkBetweenFiles({}, home_file));
  BeginCell();
  WriteLink(name, HtmlEscape(host));
  EndCell();
  WriteHomeCell(HtmlIdx, "Htmls", 5);
  WriteHomeCell(ImageIdx, "Images", 6);
  WriteHomeCell(OtherIdx, "Others", 6);
  WriteHomeCell(ErrorIdx, "Errors", 6);
  FileListed();
}

void TSommaireIndex::EndSite() {
  ImageIdx.FlushPage();
  HtmlIdx.FlushPage();
  OtherIdx.FlushPage();
  ErrorIdx.FlushPage();
}

}  // namespace korvane
