// TResolveLinks makes a captured web readable from disk: it rewrites the links of every captured
// page and map file to the local copies, reads the client-side maps of pages, measures pictures,
// feeds the home page and the indexes site by site, and records the web's total size.
//
// It is a run that its front end steps: each Step does a bounded amount of work (a batch of
// records) and returns, so a window stays responsive between steps and nothing is pumped from
// inside the work. A view shows the progress; Cancel, checked before every record, stops it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "base/modal_result.h"
#include "pages/page_index.h"
#include "pages/sommaire_param.h"

namespace korvane {

class TFileSystem;
class TWEB;
class TWebFile;
class TWebNode;

// Where a resolution stands.
enum class TResolvePhase {
  kCollecting,  // the sites are being collected
  kMaps,        // the map files are rewritten
  kSites,       // the sites are counted, rewritten and indexed one by one
  kFinished,
  kCancelled,
};

// What the progress window's site label shows while the sites are collected.
inline constexpr std::string_view kCollectingSitesText = "Recherche...";

// What the progress window shows.
class TResolveView {
 public:
  virtual ~TResolveView() = default;
  virtual void SetPhase(TResolvePhase) {}
  // The site being resolved (its host).
  virtual void SetSite(std::string_view) {}
  // The local path of the page being rewritten; empty between sites.
  virtual void SetFile(std::string_view) {}
  virtual void SetGauge(std::int64_t /*max*/, std::int64_t /*progress*/) {}
};

// The figures of one site, counted over its records.
struct TSiteFigures {
  int Files = 0;
  int Pages = 0;
  int Errors = 0;
  int TypedFiles = 0;
  int HtmlFiles = 0;
  int Pictures = 0;
  int LargePictures = 0;
  int OtherFiles = 0;
};

// What the index pages read of `web`.
TIndexedWeb IndexedWeb(const TWEB& web);

class TResolveLinks {
 public:
  // The web, the view and the file system must outlive the object. `template_folder` holds the
  // index templates and their support files, and ends with a separator. The web must not change
  // between steps.
  TResolveLinks(TWEB& web, const TSommaireParam& param, TFileSystem& fs,
                std::string template_folder, TResolveView* view = nullptr);
  ~TResolveLinks();
  TResolveLinks(const TResolveLinks&) = delete;
  TResolveLinks& operator=(const TResolveLinks&) = delete;

  // Does the next batch of work; false once the run has ended (finished or cancelled).
  bool Step();
  // Steps to the end: mrOk when it finished, mrCancel when it was cancelled.
  TModalResult Execute();
  // Only these pages and stylesheets are rewritten; the others are measured and indexed as they
  // are. For an update that replaced files and changed no link's target (no file added, deleted
  // or renamed): the links of the pages it kept still lead where they did. Before the first Step.
  void RewriteOnly(std::unordered_set<const TWebFile*> records) { only_ = std::move(records); }
  // The cancel button: the run ends at its next record.
  void Cancel() { cancelled_ = true; }
  bool Cancelled() const { return cancelled_; }
  TResolvePhase Phase() const { return phase_; }
  // mrOk or mrCancel once ended, mrNone before.
  TModalResult Result() const;
  // Why pages (rewritten or generated) could not be written; each is left as it was.
  const std::vector<std::string>& WriteFailures() const { return write_failures_; }

  // Sites in tree order with the name shown (the host), as collected by the first step. A host
  // on its default port under both http and https is one site of two nodes.
  struct TSite {
    std::string Name;
    std::vector<TWebNode*> Nodes;
  };
  const std::vector<TSite>& Sites() const { return sites_; }

 private:
  // A site's records, in tree order, and how far each visit has gone.
  struct TSiteWork {
    std::vector<TWebFile*> records;
    std::size_t next = 0;
    bool counted = false;
    bool started = false;  // handed to the home page generator
  };

  void SetPhase(TResolvePhase phase);
  void CollectSites();
  void RewriteMapFiles();
  void BeginSite();
  // False when the site needs no rewriting (no record, or no typed file).
  bool StartIndexing();
  void EndSite();
  void CountRecord(TWebFile& record);
  // The work units the record cost.
  int RewriteVisit(TWebFile& record);
  // The page rewritten; its size on disk afterwards (-1 when it has no file).
  std::int64_t RewriteRecord(TWebFile& record);
  void Finish();

  TWEB& web_;
  TSommaireParam param_;
  TFileSystem& fs_;
  std::string template_folder_;
  TResolveView* view_;
  TResolvePhase phase_ = TResolvePhase::kCollecting;
  std::optional<std::unordered_set<const TWebFile*>> only_;  // none: every page
  bool cancelled_ = false;
  std::unique_ptr<TSommaireIndex> home_;
  std::vector<TSite> sites_;
  std::size_t site_ = 0;  // the site being resolved
  TSiteWork work_;
  // Per site.
  TSiteFigures figures_;
  std::vector<TPictureSize> picture_sizes_;
  TWebFile* first_page_ = nullptr;
  TWebFile* first_file_ = nullptr;
  int listed_html_ = 0, listed_others_ = 0;
  std::int64_t progress_ = 0;
  std::int64_t total_size_ = 0;
  std::unordered_set<std::string> rewritten_;  // the files rewritten and counted by this run
  std::vector<std::string> write_failures_;
};

}  // namespace korvane
