// Two visits per site: one counts the figures the indexes announce (and measures pictures), the
// next rewrites the pages and hands every record to the index generator.
#include "html/resolve_links.h"

#include <algorithm>
#include <limits>

#include "base/file_system.h"
#include "base/message_pump.h"
#include "engine/web.h"
#include "html/page_rewriter.h"
#include "html/url.h"
#include "maps/map_list.h"
#include "viewer/picture_size.h"

namespace korvane {

TResolveLinks::TResolveLinks(TWEB& web, const TSommaireParam& param, TFileSystem& fs,
                             std::string template_folder, TResolveView* view)
    : web_(web), param_(param), fs_(fs), template_folder_(std::move(template_folder)),
      view_(view) {}

bool TResolveLinks::Continue() {
  ProcessMessages();
  return !cancelled_;
}

TModalResult TResolveLinks::Execute() {
  cancelled_ = false;
  total_size_ = 0;
  if (view_) {
    view_->SetSite("Recherche...");
    view_->SetGauge(web_.CapturedCount, 0);
  }
  TSommaireIndex home(web_, param_, fs_, template_folder_);
  CollectSites();
  if (!Continue()) return mrCancel;
  RewriteMapFiles();
  for (const TSite& site : sites_) {
    ResolveSite(site, home);
    if (!Continue()) break;
  }
  if (cancelled_) return mrCancel;
  web_.TotalSize = static_cast<std::int32_t>(
      std::min<std::int64_t>(total_size_, std::numeric_limits<std::int32_t>::max()));
  return mrOk;
}

void TResolveLinks::CollectSites() {
  sites_.clear();
  TWebNode& root = web_.Tree.Root();
  if (root.Count() == 0) return;
  TWebNode* protocol = root.Item(0).Node();
  if (!protocol) return;
  for (std::size_t i = 0; i < protocol->Count(); ++i) {
    const TWebNode::TEntry& entry = protocol->Item(i);
    if (TWebNode* node = entry.Node()) {
      sites_.push_back({entry.Segment.size() > 2 ? entry.Segment.substr(2) : "", node});
    }
  }
}

void TResolveLinks::RewriteMapFiles() {
  for (int i = 0; i < web_.MapList.Count(); ++i) {
    TWebFile scratch;
    scratch.SetFileName(web_.MapList.Item(i).MapFile);
    if (scratch.GetFileName().empty()) continue;
    (void)RewritePage(fs_, web_.Path, scratch, web_.Tree, web_.MapList, web_.CaptureStart, false,
                      web_.Options.SuppressLinkFlag);
  }
}

bool TResolveLinks::ResolveSite(const TSite& site, TSommaireIndex& home) {
  figures_ = {};
  picture_sizes_.clear();
  first_page_ = first_file_ = nullptr;
  listed_html_ = listed_others_ = 0;
  progress_ = 0;
  if (view_) {
    view_->SetSite(site.Name);
    view_->SetFile("");
    view_->SetGauge(web_.CapturedCount, 0);
  }
  if (!CountSite(site)) return false;
  if (figures_.Files == 0 || figures_.TypedFiles == 0) return true;
  if (view_) view_->SetGauge(figures_.Pages, 0);
  TWebFile* first = first_page_ ? first_page_ : first_file_;
  const std::string url = web_.Tree.GetUrl(first);
  TSiteCounts counts{listed_html_, figures_.LargePictures, listed_others_, figures_.Errors};
  home.StartSite(GetHost(url), url, first->GetFileName(), std::move(picture_sizes_), counts);
  bool done = RewriteSite(site, home);
  home.EndSite();
  return done;
}

bool TResolveLinks::CountSite(const TSite& site) {
  const bool measure = param_.ImgSizeMin > 0 || param_.ImgRatio;
  bool stopped = web_.Tree.ExploreFrom(site.Node, [&](TWebFile& record, const std::string&) {
    if (!Continue()) return true;
    ++figures_.Files;
    if (record.State == wsPage) ++figures_.Pages;
    if (record.State == wsError || record.State == wsNotFound) ++figures_.Errors;
    if (record.State != wsPage && record.State != wsFile) return false;
    const TMimeItem* mime = web_.MimeList.GetMimeByString(record.GetMimeType());
    // The indexes' own rules decide the counts they announce, so that the pages promised in the
    // navigation links are the pages written.
    TIndexKind kind = IndexKindOf(web_, record);
    if (kind == TIndexKind::kHtml) ++listed_html_;
    if (kind == TIndexKind::kOther) ++listed_others_;
    if (!mime) return false;
    ++figures_.TypedFiles;
    if (!first_file_) first_file_ = &record;
    if (mime->MimeClass == mcHtml) {
      ++figures_.HtmlFiles;
      if (!first_page_) first_page_ = &record;
    } else if (mime->MimeClass == mcImage) {
      ++figures_.Pictures;
      TPictureSize size;
      if (measure) {
        if (auto bytes = fs_.ReadFile(web_.Path + record.GetFileName())) size = MeasurePicture(*bytes);
      }
      picture_sizes_.push_back(size);
      if (IsListedPicture(size, param_.ImgSizeMin)) ++figures_.LargePictures;
    } else {
      ++figures_.OtherFiles;
    }
    return false;
  });
  return !stopped && !cancelled_;
}

bool TResolveLinks::RewriteSite(const TSite& site, TSommaireIndex& home) {
  bool stopped = web_.Tree.ExploreFrom(site.Node, [&](TWebFile& record, const std::string&) {
    if (!Continue()) return true;
    if (record.State == wsPage) {
      RewriteRecord(record);
      if (view_) view_->SetGauge(figures_.Pages, ++progress_);
    }
    // Measured once the page is rewritten, so that the size shown on the home page is the size
    // on disk, and a second run finds the same total.
    if ((record.State == wsPage || record.State == wsFile) &&
        web_.MimeList.GetMimeByString(record.GetMimeType())) {
      total_size_ += std::max<std::int64_t>(0, fs_.FileSize(web_.Path + record.GetFileName()));
    }
    home.AddFile(record);
    return false;
  });
  return !stopped && !cancelled_;
}

void TResolveLinks::RewriteRecord(TWebFile& record) {
  const std::string path = web_.Path + record.GetFileName();
  if (view_) view_->SetFile(path);
  if (record.GetFileName().empty() || !fs_.FileExists(path)) return;
  if (record.GetHtml() && record.GetIsmap()) {
    ScanPageForMaps(web_.Tree.GetUrl(&record), path, web_.Tree, web_.MapList, fs_);
  }
  (void)RewritePage(fs_, web_.Path, record, web_.Tree, web_.MapList, web_.CaptureStart,
                    web_.Options.RealLinkFlag, web_.Options.SuppressLinkFlag);
}

}  // namespace korvane
