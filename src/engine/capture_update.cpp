// What a capture does differently when it brings a copy up to date: the outcomes of a kept file
// asked for again, and what the resolve at the end must rewrite.
#include <optional>
#include <utility>

#include "base/checked.h"
#include "base/file_name.h"
#include "base/log_texts.h"
#include "engine/capture.h"
#include "engine/web.h"
#include "store/web_folder.h"

namespace korvane {

// An address not found before (whose links led to the not-found page) that now fails or is
// refused: those links now lead to the bad-link page.
void TCapture::LeavesNotFoundPage(const TWebFile& record) {
  if (record.GetFileName() == kNotFoundFileName) targets_changed_ = true;
}

// The file stays as it was, and the address keeps its state: the next update asks again.
void TCapture::NotChecked(TWebFile& record, std::string_view url, std::string_view why) {
  record.Recheck = false;
  CheckedInc(update_.NotChecked);
  web_.Log(std::string(kLogNotChecked) + std::string(why) + std::string(kLogGoneKept) +
           std::string(url));
  RefreshCounters();
}

// An address whose file is kept and that its server no longer has: the copy keeps it, unless
// asked to let it go, and says so.
void TCapture::Gone(TWebFile& record, const std::string& url, int status) {
  CheckedInc(update_.Gone);
  const bool deleted = settings_.DeleteGone && web_.DeleteGoneFile(record);
  record.Recheck = false;
  if (deleted) {
    CheckedInc(update_.Deleted);
    targets_changed_ = true;
  }
  web_.Log(std::string(kLogGone) + std::to_string(status) +
           std::string(deleted ? kLogGoneDeleted : kLogGoneKept) + url);
  RefreshCounters();
}

// A changed file replaced the kept one (the body was written beside it and renamed over it, so
// the copy held one whole version at every moment). Its size is measured again by the resolve.
void TCapture::KeepNewVersion(TWebFile& record, bool html, const std::string& kept_name) {
  web_.MarkReplaced(record, html);
  CheckedInc(update_.Changed);
  CheckedInc(captured_count_);
  CheckedInc(since_save_);
  replaced_.push_back(&record);
  if (kept_name.empty() || kept_name == record.GetFileName()) return;
  targets_changed_ = true;
  // Another type took another name: the old file is no one's now.
  if (NoLinkOnTheWay(web_.FileSystem(), web_.Path(), kept_name)) {
    (void)web_.FileSystem().RemoveFile(web_.Path() + kept_name);
  }
}

bool TCapture::SameBytesAgain(const TRequest& request, TWebFile& record, bool on_disk_raw) {
  const std::optional<std::uint64_t> hash = request.BodyHash();
  const bool same = hash && record.BodyHash != 0 && *hash == record.BodyHash && !on_disk_raw &&
                    record.GetFileName() == SlotOf(request).KeptName;
  if (!same) return false;
  record.Recheck = false;
  CheckedInc(update_.Unchanged);
  RefreshCounters();
  return true;
}

// The end of an update in the log: "Update: 3 unchanged, 1 changed, 2 new, 0 gone".
std::string TCapture::UpdateReport() const {
  std::string line = std::string(kLogUpdateStart) + std::to_string(update_.Unchanged) +
                     std::string(kLogUnchanged) + std::to_string(update_.Changed) +
                     std::string(kLogChanged) + std::to_string(update_.New) + std::string(kLogNew) +
                     std::to_string(update_.Gone) + std::string(kLogGoneCount);
  if (update_.NotChecked > 0) {
    line += ", " + std::to_string(update_.NotChecked) + std::string(kLogNotCheckedCount);
  }
  return line;
}

}  // namespace korvane
