// Two visits per site: one counts the figures the indexes announce (and measures pictures), the
// next rewrites the pages and hands every record to the index generator. Each step takes a batch
// of records from the visit under way.
#include "engine/resolve_links.h"

#include <algorithm>
#include <limits>
#include <unordered_set>

#include "base/file_system.h"
#include "base/text_case.h"
#include "engine/web.h"
#include "html/url.h"
#include "maps/map_list.h"
#include "pages/page_rewriter.h"
#include "viewer/picture_size.h"

namespace korvane {
namespace {

// The work of one step, in units: a record visited costs one, a page rewritten (read, parsed and
// written back) sixteen. About a millisecond or two of work per step on ordinary pages.
constexpr int kStepBudget = 256;
constexpr int kPageCost = 16;

}  // namespace

TIndexedWeb IndexedWeb(const TWEB& web) {
  return TIndexedWeb{.Tree = web.Tree(),
                     .MimeList = web.MimeList(),
                     .Path = web.Path(),
                     .Url = web.Url(),
                     .Title = web.Title(),
                     .HomePage = web.GetHomePage(),
                     .CaptureStart = web.CaptureStart(),
                     .TotalSize = web.TotalSize(),
                     .CapturedCount = web.CapturedCount(),
                     .ErrorCount = web.ErrorCount(),
                     .NotFoundCount = web.NotFoundCount(),
                     .FilteredCount = web.FilteredCount(),
                     .LastCaptureInfo = web.LastCaptureInfo()};
}

TResolveLinks::TResolveLinks(TWEB& web, const TSommaireParam& param, TFileSystem& fs,
                             std::string template_folder, TResolveView* view)
    : web_(web),
      param_(param),
      fs_(fs),
      template_folder_(std::move(template_folder)),
      view_(view) {}

TResolveLinks::~TResolveLinks() = default;

TModalResult TResolveLinks::Result() const {
  if (phase_ == TResolvePhase::kFinished) return mrOk;
  if (phase_ == TResolvePhase::kCancelled) return mrCancel;
  return mrNone;
}

TModalResult TResolveLinks::Execute() {
  while (Step()) {
  }
  return Result();
}

void TResolveLinks::SetPhase(TResolvePhase phase) {
  phase_ = phase;
  if (view_) view_->SetPhase(phase);
}

bool TResolveLinks::Step() {
  switch (phase_) {
    case TResolvePhase::kCollecting:
      SetPhase(TResolvePhase::kCollecting);
      if (view_) view_->SetGauge(web_.CapturedCount(), 0);
      total_size_ = 0;
      rewritten_.clear();
      home_ = std::make_unique<TSommaireIndex>(IndexedWeb(web_), param_, fs_, template_folder_);
      CollectSites();
      if (cancelled_) break;
      SetPhase(TResolvePhase::kMaps);
      return true;
    case TResolvePhase::kMaps:
      RewriteMapFiles();
      SetPhase(TResolvePhase::kSites);
      site_ = 0;
      if (site_ < sites_.size()) BeginSite();
      return true;
    case TResolvePhase::kSites:
      for (int budget = kStepBudget; budget > 0 && site_ < sites_.size() && !cancelled_;) {
        if (work_.next < work_.records.size()) {
          TWebFile& record = *work_.records[work_.next++];
          if (!work_.counted) {
            CountRecord(record);
            budget -= 1;
          } else {
            budget -= RewriteVisit(record);
          }
          continue;
        }
        if (!work_.counted && StartIndexing()) continue;
        EndSite();
        if (cancelled_) break;
        if (++site_ < sites_.size()) BeginSite();
      }
      if (cancelled_) {
        if (work_.started) EndSite();
        break;
      }
      if (site_ < sites_.size()) return true;
      break;
    case TResolvePhase::kFinished:
    case TResolvePhase::kCancelled:
      return false;
  }
  Finish();
  return false;
}

void TResolveLinks::Finish() {
  // A cancelled run leaves the total as it was: not every page was measured.
  if (!cancelled_) {
    web_.SetTotalSize(total_size_);
  }
  home_->Finish(web_.TotalSize());
  for (std::string& failure : home_->AllWriteFailures())
    write_failures_.push_back(std::move(failure));
  if (!cancelled_) {
    for (std::string& failure : home_->RemoveStalePages())
      write_failures_.push_back(std::move(failure));
  }
  home_.reset();
  SetPhase(cancelled_ ? TResolvePhase::kCancelled : TResolvePhase::kFinished);
}

void TResolveLinks::CollectSites() {
  sites_.clear();
  const TWebNode& root = web_.Tree().Root();
  for (std::size_t p = 0; p < root.Count(); ++p) {
    const TWebNode::TEntry& protocol = root.Item(p);
    const bool web_protocol =
        SameAsciiNoCase(protocol.Segment, "http:") || SameAsciiNoCase(protocol.Segment, "https:");
    if (!web_protocol || !protocol.Node()) continue;
    for (std::size_t i = 0; i < protocol.Node()->Count(); ++i) {
      const TWebNode::TEntry& entry = protocol.Node()->Item(i);
      TWebNode* node = entry.Node();
      if (!node) continue;
      std::string name = entry.Segment.size() > 2 ? entry.Segment.substr(2) : "";
      // A named port is another server; without one, http and https reach the same site.
      auto same = std::find_if(sites_.begin(), sites_.end(), [&](const TSite& site) {
        return name.find(':') == std::string::npos && SameAsciiNoCase(site.Name, name);
      });
      if (same != sites_.end()) {
        same->Nodes.push_back(node);
      } else {
        sites_.push_back({std::move(name), {node}});
      }
    }
  }
}

void TResolveLinks::RewriteMapFiles() {
  for (int i = 0; i < web_.MapList().Count(); ++i) {
    TWebFile scratch;
    scratch.SetFileName(web_.MapList().Item(i).MapFile);
    if (scratch.GetFileName().empty()) continue;
    if (!RewritePage(fs_, web_.Path(), scratch, web_.Tree(), web_.MapList(), web_.CaptureStart(),
                     false, web_.Options().SuppressLinkFlag)) {
      write_failures_.push_back(fs_.LastError());
    }
  }
}

void TResolveLinks::BeginSite() {
  const TSite& site = sites_[site_];
  figures_ = {};
  picture_sizes_.clear();
  first_page_ = first_file_ = nullptr;
  listed_html_ = listed_others_ = 0;
  progress_ = 0;
  work_ = {};
  // A record met under both protocols (an address redirected from http to https) is listed once.
  std::unordered_set<const TWebFile*> earlier;
  for (std::size_t n = 0; n < site.Nodes.size(); ++n) {
    const std::size_t before = work_.records.size();
    web_.Tree().ExploreFrom(site.Nodes[n], [&](TWebFile& record, const std::string&) {
      if (!earlier.count(&record)) work_.records.push_back(&record);
      return false;
    });
    if (n + 1 < site.Nodes.size()) {
      earlier.insert(work_.records.begin() + static_cast<std::ptrdiff_t>(before),
                     work_.records.end());
    }
  }
  if (view_) {
    view_->SetSite(site.Name);
    view_->SetFile("");
    view_->SetGauge(web_.CapturedCount(), 0);
  }
}

void TResolveLinks::CountRecord(TWebFile& record) {
  ++figures_.Files;
  if (record.State == wsPage) ++figures_.Pages;
  if (record.State == wsError || record.State == wsNotFound) ++figures_.Errors;
  if (record.State != wsPage && record.State != wsFile) return;
  const TMimeItem* mime = web_.MimeList().GetMimeByString(record.GetMimeType());
  // The indexes' own rules decide the counts they announce, so that the pages promised in the
  // navigation links are the pages written.
  TIndexKind kind = IndexKindOf(web_.MimeList(), record);
  if (kind == TIndexKind::kHtml) ++listed_html_;
  if (kind == TIndexKind::kOther) ++listed_others_;
  if (!mime) return;
  ++figures_.TypedFiles;
  if (!first_file_) first_file_ = &record;
  if (mime->MimeClass == mcHtml) {
    ++figures_.HtmlFiles;
    if (!first_page_) first_page_ = &record;
  } else if (mime->MimeClass == mcImage) {
    ++figures_.Pictures;
    TPictureSize size;
    if (param_.ImgSizeMin > 0 || param_.ImgRatio) {
      if (auto bytes = fs_.ReadFile(web_.Path() + record.GetFileName()))
        size = MeasurePicture(*bytes);
    }
    picture_sizes_.push_back(size);
    if (IsListedPicture(size, param_.ImgSizeMin)) ++figures_.LargePictures;
  } else {
    ++figures_.OtherFiles;
  }
}

bool TResolveLinks::StartIndexing() {
  work_.counted = true;
  work_.next = 0;
  if (figures_.Files == 0 || figures_.TypedFiles == 0) return false;
  if (view_) view_->SetGauge(figures_.Pages, 0);
  TWebFile* first = first_page_ ? first_page_ : first_file_;
  const std::string url = web_.Tree().GetUrl(first);
  TSiteCounts counts{listed_html_, figures_.LargePictures, listed_others_, figures_.Errors};
  home_->StartSite(GetHost(url), url, first->GetFileName(), std::move(picture_sizes_), counts);
  work_.started = true;
  return true;
}

void TResolveLinks::EndSite() {
  if (work_.started) home_->EndSite();
  work_ = {};
}

int TResolveLinks::RewriteVisit(TWebFile& record) {
  // Addresses that lead to one file (a redirected address and its target, held by one record or
  // by two once the web is loaded again) are all listed, but the file is rewritten and counted
  // in the web's size once.
  const bool first_visit =
      record.GetFileName().empty() || rewritten_.insert(record.GetFileName()).second;
  if (!first_visit) {
    home_->AddFile(record);
    return 1;
  }
  int cost = 1;
  const bool rewrite = !only_ || only_->count(&record) != 0;
  if (rewrite && record.State == wsFile && web_.Options().PageRequisites &&
      IsStylesheetType(record.GetMimeType())) {
    if (!RewriteStylesheet(fs_, web_.Path(), record, web_.Tree())) {
      write_failures_.push_back(fs_.LastError());
    }
    cost = kPageCost;
  }
  // Measured once the page is rewritten, so that the size shown on the home page is the size
  // on disk, and a second run finds the same total.
  std::int64_t size = -1;
  const bool counted = (record.State == wsPage || record.State == wsFile) &&
                       web_.MimeList().GetMimeByString(record.GetMimeType());
  if (record.State == wsPage) {
    size = rewrite ? RewriteRecord(record) : fs_.FileSize(web_.Path() + record.GetFileName());
    if (view_) view_->SetGauge(figures_.Pages, ++progress_);
    if (rewrite) cost = kPageCost;
  } else if (counted) {
    size = fs_.FileSize(web_.Path() + record.GetFileName());
  }
  if (counted) total_size_ += std::max<std::int64_t>(0, size);
  home_->AddFile(record);
  return cost;
}

std::int64_t TResolveLinks::RewriteRecord(TWebFile& record) {
  const std::string path = web_.Path() + record.GetFileName();
  if (view_) view_->SetFile(path);
  if (record.GetFileName().empty()) return -1;
  if (record.GetHtml() && record.GetIsmap()) {
    ScanPageForMaps(web_.Tree().GetUrl(&record), path, web_.Tree(), web_.MapList(), fs_);
  }
  std::int64_t size = -1;
  if (!RewritePage(fs_, web_.Path(), record, web_.Tree(), web_.MapList(), web_.CaptureStart(),
                   web_.Options().RealLinkFlag, web_.Options().SuppressLinkFlag,
                   web_.Options().PageRequisites, &size)) {
    write_failures_.push_back(fs_.LastError());
    size = fs_.FileSize(path);  // the page as it stayed
  }
  return size;
}

}  // namespace korvane
