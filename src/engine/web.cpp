#include "engine/web.h"

#include <unordered_set>

#include "base/checked.h"
#include "base/data_folder.h"
#include "base/file_name.h"
#include "base/short_string.h"
#include "base/text_case.h"
#include "html/url.h"
#include "settings/param.h"

namespace korvane {

TWEB::TWEB(const TOPTIONS& default_options, TFileSystem& fs)
    : default_options_(default_options), fs_(fs) {
  tree_.OnRecordReplaced = [this](TWebFile* destroyed, TWebFile* replacement) {
    ForgetReplacedRecord(destroyed, replacement);
  };
}

TWEB::~TWEB() { ReleaseLog(); }

void TWEB::ForgetReplacedRecord(TWebFile* destroyed, TWebFile* replacement) {
  // The queue holds records it does not own: one that is destroyed gives way to its replacement.
  for (TWebFile*& queued : todo_) {
    if (queued == destroyed) queued = replacement;
  }
  if (local_names_ && destroyed) local_names_->RecordReplaced(*destroyed, replacement);
  if (auto found = referers_.find(destroyed); found != referers_.end()) {
    std::string referer = std::move(found->second);
    referers_.erase(found);
    if (replacement) referers_[replacement] = std::move(referer);
  }
}

bool TWEB::Init(std::string_view address, std::string_view folder, const TMIMELIST& template_mime) {
  load_status_ = TStatus::Ok();
  if (!fs_.MakeDirs(WithSeparator(std::string(folder)))) {
    const TStatus& made = fs_.LastStatus();
    load_status_ = TStatus::Error(
        made.Kind(), "the folder " + std::string(folder) + " cannot be made (" + made.Words() + ")",
        made.ErrorNumber());
    return false;
  }
  SetUrl(address);
  SetPath(folder);
  mime_list_.Clear();
  for (int i = 0; i < template_mime.Count(); ++i) {
    const TMimeItem* item = template_mime.GetMimebyIndex(i);
    mime_list_.AddMime(item->ContentType, item->Extension, MimeClassName(item->MimeClass),
                       item->Valid);
  }
  CopyProgramPages();
  HtmlFileInit(kLogFileName);
  StartAfresh();
  return true;
}

void TWEB::StartAfresh() {
  options_.Assign(default_options_);
  // A web that follows page requisites captures their types, whatever an older mime.def holds.
  if (options_.PageRequisites) mime_list_.AddRequisiteTypes();
  display_online_image_ = false;
  spare_flag_ = true;
  ClearCount();
  SetInitialUrl();
}

void TWEB::CopyProgramPages() {
  // A page missing beside the program leaves the web without it; nothing else depends on it.
  for (std::string_view page : {kNotFoundFileName, kBadLinkFileName}) {
    if (auto bytes = fs_.ReadFile(DataFolder() + std::string(page))) {
      // Its failure is the same as its absence; a link to it is then a dead link, nothing more.
      (void)fs_.WriteFile(path_ + std::string(page), *bytes);
    }
  }
}

bool TWEB::Reinit(std::string_view address) {
  SetUrl(address);
  // The files stay: an address met again is stored under its old name, not beside it.
  LocalNames().Remember(tree_);
  todo_.clear();
  tree_.Clear();
  referers_.clear();
  StartAfresh();
  return true;
}

void TWEB::SetUrl(std::string_view address) { url_ = Resolve(address); }

void TWEB::SetPath(std::string_view folder) {
  // A held log goes on in the new folder (a failure to close it was said when its lines failed).
  if (log_file_) (void)log_file_->Close();
  log_file_.reset();
  path_ = ShortString(WithSeparator(std::string(folder)));
  local_names_.reset();
  name_journal_.reset();
}

TLocalNames& TWEB::LocalNames() {
  if (!local_names_) {
    local_names_ = std::make_unique<TLocalNames>(fs_, path_);
    local_names_->ClaimNamesOf(tree_);
  }
  return *local_names_;
}

TNameJournal& TWEB::NameJournal() {
  if (!name_journal_) name_journal_ = std::make_unique<TNameJournal>(fs_, path_);
  return *name_journal_;
}

void TWEB::NoteNewFileName(std::string_view name) {
  // Without the note a kill could leave the file behind, named by nothing; the file itself is
  // right, so the capture goes on.
  if (!NameJournal().Note(name)) KeepingFailed("the list of new file names");
}

std::vector<std::string> TWEB::RemoveUnnamedFiles() {
  std::vector<std::string> names = NameJournal().Names();
  if (names.empty()) return names;
  std::unordered_set<std::string> unnamed(names.begin(), names.end());
  tree_.Explore([&unnamed](TWebFile& record, const std::string&) {
    unnamed.erase(record.GetFileName());
    return unnamed.empty();
  });
  std::vector<std::string> removed;
  for (const std::string& name : names) {
    if (unnamed.erase(name) == 0 || !NameJournal().RemoveFile(name)) continue;
    LocalNames().FileRemoved(name);
    removed.push_back(name);
  }
  return removed;
}

void TWEB::SetInitialUrl() { NewLink(TLinkItem{0, url_, ""}, nullptr); }

std::optional<std::uint32_t> TWEB::GetTodoCount() const noexcept {
  // In 64 bits, where four 32-bit counters cannot wrap.
  const std::int64_t todo = std::int64_t{GetLinkCount()} - captured_count_ - error_count_ -
                            filtered_count_ - not_found_count_;
  if (todo < 0) return std::nullopt;
  return static_cast<std::uint32_t>(todo);
}

TRecordCounts TWEB::CountRecords() const {
  TRecordCounts counts;
  counts.Links = GetLinkCount();
  tree_.Explore([&counts](const TWebFile& record, const std::string&) {
    switch (record.State) {
      case wsPage:
      case wsFile:
        ++counts.Captured;
        break;
      case wsTodo:
      case wsLoading:
        ++counts.Todo;
        break;
      case wsNotFound:
        ++counts.NotFound;
        break;
      case wsError:
        ++counts.Errors;
        break;
      case wsFiltered:
        ++counts.Filtered;
        break;
    }
    return false;
  });
  return counts;
}

void TWEB::Requeue(TWebFile& record) {
  // A kept file asked for again stays kept until its answer comes.
  if (!record.Recheck) record.State = wsTodo;
  todo_.push_back(&record);
}

std::uint32_t TWEB::QueueRechecks() {
  std::uint32_t queued = 0;
  tree_.Explore([&](TWebFile& record, const std::string&) {
    const bool kept = record.State == wsPage || record.State == wsFile;
    // A record reached by two addresses (an alias) is asked for once.
    if (!kept || record.Recheck || !FileCountProc(record)) return false;
    record.Recheck = true;
    record.Trials = 0;
    todo_.push_back(&record);
    ++queued;
    return false;
  });
  return queued;
}

void TWEB::EndRechecks() {
  tree_.Explore([](TWebFile& record, const std::string&) {
    record.Recheck = false;
    return false;
  });
}

void TWEB::MarkReplaced(TWebFile& record, bool page) {
  record.Recheck = false;
  record.State = page ? wsPage : wsFile;
}

bool TWEB::DeleteGoneFile(TWebFile& record) {
  record.Recheck = false;
  const std::string& name = record.GetFileName();
  // Never through a symbolic link put in the folder since the file was stored.
  if (!IsWebFileName(name) || !NoLinkOnTheWay(fs_, path_, name)) return false;
  // A web read back from its project file holds a redirected address as a record of its own,
  // naming its target's file: gone, it must not take that file with it.
  const bool shared = tree_.Explore([&](const TWebFile& other, const std::string&) {
    const bool captured = other.State == wsPage || other.State == wsFile;
    return &other != &record && captured && other.GetFileName() == name;
  });
  if (shared) return false;
  const std::string path = path_ + name;
  if (fs_.FileExists(path) && !fs_.RemoveFile(path)) return false;
  LocalNames().Release(record);
  if (captured_count_ > 0) --captured_count_;
  MarkNotFound(record);
  return true;
}

void TWEB::ForgetLoading() {
  tree_.Explore([](TWebFile& record, const std::string&) {
    if (record.State == wsLoading) record.State = wsTodo;
    return false;
  });
}

void TWEB::MarkCaptured(TWebFile& record, std::int64_t size, bool page) {
  CheckedAdd(total_size_, size);
  CheckedInc(captured_count_);
  record.State = page ? wsPage : wsFile;
  record.SetForced(false);  // kept: it is an ordinary captured file from now on
}

void TWEB::CountRedirect() { CheckedInc(captured_count_); }

void TWEB::MarkNotFound(TWebFile& record) {
  record.State = wsNotFound;
  record.SetFileName(kNotFoundFileName);
  CheckedInc(not_found_count_);
}

void TWEB::MarkError(TWebFile& record) {
  if (record.LinkDepth != 0) record.State = wsError;
  CheckedInc(error_count_);
}

void TWEB::MarkFiltered(TWebFile& record) {
  record.State = wsFiltered;
  CheckedInc(filtered_count_);
}

void TWEB::SetCounters(const TWebCounters& counters) {
  captured_count_ = counters.Captured;
  error_count_ = counters.Errors;
  not_found_count_ = counters.NotFound;
  filtered_count_ = counters.Filtered;
}

void TWEB::ClearCount() { captured_count_ = error_count_ = not_found_count_ = filtered_count_ = 0; }

void TWEB::Log(std::string_view text) {
  std::string line = "<br>";
  AppendShort(line, text);
  AppendShort(line, "\r\n");
  // The log never stops a capture: a line that cannot be written is passed over, and said at
  // the end of the run.
  if (log_held_) {
    if (!log_file_) log_file_ = fs_.OpenForAppend(path_ + std::string(kLogFileName));
    if (log_file_ && log_file_->Append(line)) return;
    if (log_file_) (void)log_file_->Close();  // already failing: the first failure is said
    log_file_.reset();
    return KeepingFailed("the log page");
  }
  auto file = fs_.OpenForAppend(path_ + std::string(kLogFileName));
  const bool written = file && file->Append(line);
  if (!(file && file->Close() && written)) KeepingFailed("the log page");
}

void TWEB::KeepingFailed(std::string_view what) {
  if (keeping_failure_.empty()) {
    keeping_failure_ = std::string(what) + " could not be written (" + fs_.LastError() + ")";
  }
}

void TWEB::HoldLog() { log_held_ = true; }

void TWEB::FlushLog() {
  if (log_file_ && !log_file_->Flush()) KeepingFailed("the log page");
}

void TWEB::ReleaseLog() {
  log_held_ = false;
  if (log_file_ && !log_file_->Close()) KeepingFailed("the log page");
  log_file_.reset();
}

void TWEB::HtmlFileInit(std::string_view name) {
  const std::string file = path_ + std::string(name);
  if (fs_.FileExists(file)) return;
  // Its lines are Windows-1252 bytes (the French of the log, the addresses as found): said so,
  // so that a browser reads them right.
  std::string page =
      "<HTML><HEADER><META CHARSET=\"windows-1252\"></HEADER><BODY BGCOLOR=\"#FFFFFF\">";
  page += ShortString("<H3>WEB : " + AnsiUpperCase(url_) + "</H3>");
  if (!fs_.WriteFile(file, page)) KeepingFailed("the log page");
}

std::string TWEB::GetHomePage() const {
  if (captured_count_ == 0) return {};
  const TWebFile* home = tree_.Find(url_);
  // Kept in the spelling it was stored with: the folder may be on a file system where letter
  // case matters.
  return home ? home->GetFileName() : std::string();
}

void TWEB::SetTitleWithHomepageTitle() {
  if (captured_count_ == 0 || !title_.empty()) return;
  const TWebFile* home = tree_.Find(url_);
  if (!home) return;
  title_ = home->GetDescription().empty() ? AnsiUpperCase(url_) : home->GetDescription();
}

bool TWEB::SaveDefaultOptions(TParam& param) const {
  param.DefaultOptions.Assign(options_);
  return param.SaveSettings();
}

std::string ExtensionOf(std::string_view url) {
  std::string document = GetDocument(url);
  std::string_view name = std::string_view(document).substr(0, document.find('?'));
  std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot + 1));
}

}  // namespace korvane
