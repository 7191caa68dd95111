// TResolveLinks makes a captured web readable from disk: it rewrites the links of every captured
// page and map file to the local copies, reads the client-side maps of pages, measures pictures,
// feeds the home page and the indexes site by site, and records the web's total size. A view
// shows its progress; a cancel flag, checked before every record and after every site, stops it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/modal_result.h"
#include "pages/page_index.h"
#include "pages/sommaire_param.h"

namespace korvane {

class TFileSystem;
class TWEB;
class TWebFile;
class TWebNode;

// What the progress window shows.
class TResolveView {
 public:
  virtual ~TResolveView() = default;
  virtual void SetSite(std::string_view) {}
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

class TResolveLinks {
 public:
  // The web, the view and the file system must outlive the object. `template_folder` holds the
  // index templates and their support files, and ends with a separator.
  TResolveLinks(TWEB& web, const TSommaireParam& param, TFileSystem& fs,
                std::string template_folder, TResolveView* view = nullptr);

  // Runs the whole work: mrOk when it finished, mrCancel when it was cancelled.
  TModalResult Execute();
  // The cancel button; may be called from the messages that run between records.
  void Cancel() { cancelled_ = true; }
  bool Cancelled() const { return cancelled_; }

  // Sites in tree order with the name shown (the host), as collected by Execute.
  struct TSite {
    std::string Name;
    TWebNode* Node = nullptr;
  };
  const std::vector<TSite>& Sites() const { return sites_; }

 private:
  void CollectSites();
  void RewriteMapFiles();
  // False when cancelled during the site.
  bool ResolveSite(const TSite& site, TSommaireIndex& home);
  bool CountSite(const TSite& site);
  bool RewriteSite(const TSite& site, TSommaireIndex& home);
  void RewriteRecord(TWebFile& record);
  bool Continue();

  TWEB& web_;
  TSommaireParam param_;
  TFileSystem& fs_;
  std::string template_folder_;
  TResolveView* view_;
  bool cancelled_ = false;
  std::vector<TSite> sites_;
  // Per site.
  TSiteFigures figures_;
  std::vector<TPictureSize> picture_sizes_;
  TWebFile* first_page_ = nullptr;
  TWebFile* first_file_ = nullptr;
  int listed_html_ = 0, listed_others_ = 0;
  std::int64_t progress_ = 0;
  std::int64_t total_size_ = 0;
};

}  // namespace korvane
