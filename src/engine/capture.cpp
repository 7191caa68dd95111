#include "engine/capture.h"

#include <chrono>
#include <cstdio>
#include <set>
#include <utility>

#include "base/byte_count.h"
#include "base/checked.h"
#include "base/file_name.h"
#include "base/log_texts.h"
#include "base/text_case.h"
#include "engine/web.h"
#include "engine/web_cookies.h"
#include "html/html_parser.h"
#include "html/url.h"
#include "net/http_header.h"
#include "net/resume_note.h"
#include "store/web_folder.h"

namespace korvane {
namespace {

std::string HostAndPort(std::string_view url) {
  return GetHost(url) + ":" + std::to_string(GetPort(url));
}

}  // namespace

const std::vector<std::string>& TCapture::StateTexts() {
  static const std::vector<std::string> texts = {"Idle",      "Lookup",    "Connect", "Connected",
                                                 "Listening", "Receiving", "Request", "Closed",
                                                 "Timeout",   "Accepted",  "Error"};
  return texts;
}

TCapture::TCapture(TWEB& web, const TCaptureSettings& settings, TSocketHub& hub, TCaptureView* view,
                   TPageProcessor process_page, const TClock* clock)
    : web_(web),
      settings_(settings),
      view_(view ? *view : null_view_),
      process_page_(std::move(process_page)),
      clock_(clock ? *clock : SystemClock()),
      pacer_(web.Options().Politeness, clock_, settings.UserAgent) {
  http_.UserAgent = settings_.UserAgent;
  if (web_.Options().Cookies || !settings_.CookieImport.empty()) StartCookies();
  http_.ExtraHeaders = web_.Options().RequestHeaders;
  for (int slot = 1; slot <= std::max(1, settings_.MaxSockets); ++slot) {
    auto request = std::make_unique<TRequest>(slot, hub, http_, web_.FileSystem(), &clock_);
    TRequest& r = *request;
    r.TimeoutSecs = settings_.Timeout;
    r.Http11 = web_.Options().UsesHttp11();
    r.CaFile = web_.Options().CaFile;
    r.VerifyCertificates = !web_.Options().UnsafeNoCertificateCheck;
    r.OnLog = [this](TRequest&, const std::string& line) { web_.Log(line); };
    r.OnHeader = [this](TRequest& q) { return HeaderReceived(q); };
    r.OnDone = [this](TRequest& q) { TransferDone(q); };
    r.OnBody = [this](TRequest& q) { ShowProgress(q); };
    r.OnStatus = [this](TRequest& q) { ShowState(q); };
    r.OnError = [this](TRequest& q, bool retry) { TransferFailed(q, retry); };
    r.OnProgress = [this](int count) { CountBytes(count); };
    r.OnException = [this](TRequest& q, const std::string& e) { HandlerFailed(q, e); };
    requests_.push_back(std::move(request));
  }
  slots_.resize(requests_.size());
  start_tick_ = clock_.TickMs();
  RemovePartialFiles();
  RemoveUnnamedFiles();
  web_.UpdateTodo();
  if (settings_.Update) update_.Asked = CheckedCast<std::int32_t>(web_.QueueRechecks());
  web_.StartCapture(clock_.Now());
  web_.Log(std::string(kLogCaptureStart) + FormatDisplayDate(web_.CaptureStart()));
  if (settings_.Update) {
    web_.Log(std::string(kLogUpdateStart) + std::to_string(update_.Asked) +
             std::string(kLogUpdateAsked));
  }
  // Rules the front ends were not given (a settings or project file edited by hand) may not
  // compile: the capture goes on by the limits alone, and says so where its refusals are read.
  if (!web_.RulesError().empty()) {
    web_.Log(std::string(kLogRulesNotApplied) + web_.RulesError());
  }
  RefreshCounters();
}

// The web's cookies of earlier captures, then those of the file the user gave: a file that
// cannot be read ends the session before any request, for its requests would go without the
// session the user meant them to use.
void TCapture::StartCookies() {
  const std::int64_t now = clock_.UnixSeconds();
  // A web that keeps no cookies has none stored: it takes only the given file's, for this session.
  const std::optional<std::string> stored =
      web_.Options().Cookies
          ? LoadCookies(web_.FileSystem(), CookieFileOf(web_.FileName()), cookies_, now)
          : std::nullopt;
  if (stored) {
    throw std::runtime_error("The cookies of the web cannot be read: " + *stored +
                             ". Delete that file or clear the web's cookies.");
  }
  if (!settings_.CookieImport.empty()) {
    if (!web_.FileSystem().FileExists(settings_.CookieImport)) {
      throw std::runtime_error("The cookies file " + settings_.CookieImport + " does not exist.");
    }
    if (auto error = LoadCookies(web_.FileSystem(), settings_.CookieImport, cookies_, now)) {
      throw std::runtime_error("The cookies file cannot be used: " + *error + ".");
    }
  }
  http_.Cookies = &cookies_;
}

std::optional<std::string> TCapture::SaveCookies() {
  if (!http_.Cookies || !web_.Options().Cookies) return std::nullopt;
  return korvane::SaveCookies(web_.FileSystem(), CookieFileOf(web_.FileName()), cookies_,
                              clock_.UnixSeconds());
}

TCapture::~TCapture() {
  // Requests still busy are closed so that no partial file stays behind.
  for (auto& request : requests_) {
    if (request->State() != TRequestState::kIdle) CloseSlot(*request);
  }
  if (settings_.Update) web_.EndRechecks();
}

void TCapture::CloseSlot(TRequest& request) {
  ReleaseRecord(request);
  request.Close();
}

// A slot that will report nothing more on its address: the address waits for the next capture,
// never "loading".
void TCapture::ReleaseRecord(TRequest& request) {
  TWebFile* record = SlotOf(request).Record;
  SlotOf(request).Record = nullptr;
  if (record && record->State == wsLoading) record->State = wsTodo;
  if (std::string site = std::exchange(SlotOf(request).RobotsSite, {}); !site.empty()) {
    pacer_.RobotsAbandoned(site);
  }
}

std::string TCapture::ConnectionKey(std::string_view url) const {
  if (settings_.UseProxy && !settings_.ProxyAdress.empty()) {
    return settings_.ProxyAdress + ":" + std::to_string(settings_.ProxyPort);
  }
  return HostAndPort(url);
}

int TCapture::BusyWith(const std::string& key, const TRequest* except) const {
  int busy = 0;
  for (std::size_t i = 0; i < requests_.size(); ++i) {
    const TRequest& r = *requests_[i];
    if (&r != except && r.Busy() && slots_[i].Key == key) ++busy;
  }
  return busy;
}

bool TCapture::AtConnectionLimit(const std::string& key) const {
  auto cap = connection_caps_.find(key);
  return cap != connection_caps_.end() && BusyWith(key, nullptr) >= cap->second;
}

// A server that closes connections before answering while others of ours are open takes no more
// at once than those: fewer slots go to it from now on, so that its addresses are fetched instead
// of failing trial after trial. One address that resets or closes at once says nothing of the
// server: only closures on several addresses limit it.
void TCapture::LimitConnections(TRequest& request) {
  const std::string& key = SlotOf(request).Key;
  const int others = BusyWith(key, &request);
  if (others == 0) return;
  TServerLimit& limit = server_limits_[key];
  limit.WholeSinceCap = 0;
  limit.Closing.insert(request.Url);
  if (limit.Closing.size() < kClosingAddressesForLimit) return;
  auto [cap, added] = connection_caps_.try_emplace(key, others);
  if (!added && cap->second <= others) return;
  cap->second = others;
  web_.Log(key + std::string(kLogServerCloses) + std::to_string(others) +
           std::string(kLogConnectionsAtMost));
}

// A limited server that has answered whole for a while gets one more slot, until it has them all
// again: a limit met at a busy moment does not slow the rest of the session.
void TCapture::AnswerCameWhole(TRequest& request) {
  const std::string& key = SlotOf(request).Key;
  auto cap = connection_caps_.find(key);
  if (cap == connection_caps_.end()) return;
  TServerLimit& limit = server_limits_[key];
  if (++limit.WholeSinceCap < kWholeAnswersToGiveBack) return;
  limit.WholeSinceCap = 0;
  if (++cap->second >= SlotCount()) {
    connection_caps_.erase(cap);
    server_limits_.erase(key);
  }
}

bool TCapture::AnyBusy() const {
  for (const auto& request : requests_) {
    if (request->Busy()) return true;
  }
  return false;
}

int TCapture::BusyCount() const {
  int busy = 0;
  for (const auto& request : requests_) busy += request->Busy();
  return busy;
}

// The slot for an address: one whose open connection goes to its server, else one with no
// connection, else one whose connection to another server is closed for it; null when every
// slot is busy. Which slot takes the head of the queue never changes the queue's order.
TRequest* TCapture::FreeSlotFor(const std::string& url) {
  const bool proxy = settings_.UseProxy && !settings_.ProxyAdress.empty();
  TRequest* unconnected = nullptr;
  TRequest* other = nullptr;
  for (auto& request : requests_) {
    if (proxy ? request->KeptFor(url, settings_.ProxyAdress, settings_.ProxyPort)
              : request->KeptFor(url)) {
      return request.get();
    }
    if (request->State() == TRequestState::kIdle && !unconnected) unconnected = request.get();
    if (request->State() == TRequestState::kKept && !other) other = request.get();
  }
  return unconnected ? unconnected : other;
}

void TCapture::CloseKeptConnections() {
  for (auto& request : requests_) {
    if (request->State() == TRequestState::kKept) request->Close();
  }
}

int TCapture::StopWaitLeft() const {
  if (completing_since_ < 0 || ended_) return -1;
  const std::int64_t left_ms =
      std::int64_t{settings_.StopWaitSecs} * 1000 - (clock_.TickMs() - completing_since_);
  return left_ms <= 0 ? 0 : static_cast<int>((left_ms + 999) / 1000);
}

void TCapture::HandlerFailed(TRequest& request, const std::string& error) {
  // The first error ends the session; the run reports it.
  if (error_.empty()) error_ = error;
  stopping_ = true;
  ReleaseRecord(request);
}

void TCapture::AutoSave() {
  if (since_save_ < kAutoSaveEvery) return;
  // A save writes the whole web, so its time grows with the web: every 50 files of a web of
  // 200,000 addresses would spend most of the capture saving. The next save waits until the
  // capture has run kAutoSaveShare times as long as the last save took, so that saving takes
  // the same small share of the time however large the web. A save quicker than
  // kAutoSaveQuickMs (a web of a few thousand addresses) holds nothing back: it is still made
  // every 50 files.
  const std::int64_t now = clock_.TickMs();
  if (last_save_ms_ >= kAutoSaveQuickMs &&
      now - last_save_end_ms_ < kAutoSaveShare * last_save_ms_) {
    return;
  }
  since_save_ = 0;
  // A failed auto-save leaves the previous project file whole; the save at the run's end says
  // its own failure.
  if (!web_.FileName().empty()) (void)web_.SaveToFile(web_.FileName());
  last_save_end_ms_ = clock_.TickMs();
  last_save_ms_ = last_save_end_ms_ - now;
}

bool TCapture::Pump() {
  if (ended_) return false;
  AutoSave();
  wake_tick_ = -1;
  bool progress = true;
  while (web_.NextTodo() && progress && !stopping_) {
    progress = false;
    if (BusyCount() == SlotCount()) break;
    TWebFile* record = web_.NextTodo();
    // A record the tree holds under two addresses is queued once per address, and fetched once.
    if (record->State != wsTodo && !record->Recheck) {
      web_.PopTodo();
      progress = true;
      continue;
    }
    std::string url = web_.Tree().GetUrl(record);
    std::string key = ConnectionKey(url);
    // The queue keeps its order: the head waits for one of its server's connections to end.
    if (AtConnectionLimit(key)) break;
    TRequest* idle = FreeSlotFor(url);
    if (!pacer_.Idle()) {
      const TPace pace = Pace(*idle, *record, url);
      if (pace == TPace::kWait) break;
      progress = true;
      if (pace == TPace::kTaken) continue;
      pacer_.Started(url);
    }
    web_.PopTodo();
    progress = true;
    SlotOf(*idle).Key = std::move(key);
    StartNext(*idle, record, url);
  }
  if (web_.NextTodo() && !stopping_) return true;
  if (AnyBusy()) return true;
  CloseKeptConnections();
  // Every slot is idle: a record still marked as being fetched is one whose slot was closed, and
  // waits for the next capture like the others.
  web_.ForgetLoading();
  if (settings_.Update) web_.EndRechecks();
  WriteEndReport();
  ended_ = true;
  return false;
}

void TCapture::StartNext(TRequest& request, TWebFile* record, const std::string& url) {
  // The web's password goes only to the host that asked for it.
  if (send_credentials_ && HostAndPort(url) == credentials_host_) {
    request.SetAuthorization(web_.Options().Username, web_.Options().Password, url);
    send_credentials_ = false;
  }
  view_.ShowSlot(request.Id, TSlotField::kWeb, GetHost(url));
  view_.ShowSlot(request.Id, TSlotField::kUrl, GetTarget(url));
  view_.ShowSlot(request.Id, TSlotField::kSize, "");
  last_url_ = url;
  last_status_ = 0;
  SlotOf(request).Record = record;
  SlotOf(request).KeptName = record->Recheck ? record->GetFileName() : std::string();
  // A kept file stays kept while it is asked for again: a save meanwhile still names it.
  if (!record->Recheck) record->State = wsLoading;
  CheckedInc(record->Trials);
  request.ClearConditions();
  PrepareResume(request, *record, url);
  if (record->Recheck) {
    request.IfNoneMatch = record->GetETag();
    request.IfModifiedSince = record->GetLastModified();
  }
  request.Referer = web_.Options().SendReferer ? web_.RefererOf(*record) : std::string();
  if (settings_.UseProxy && !settings_.ProxyAdress.empty()) {
    request.Start(url, settings_.ProxyAdress, settings_.ProxyPort);
  } else {
    request.Start(url);
  }
}

std::optional<TResumeNote> TCapture::ResumableNote(const std::string& partial) const {
  const TFileSystem& fs = web_.FileSystem();
  const std::string note_file = partial + std::string(kResumeSuffix);
  if (!fs.FileExists(note_file) || fs.FileSize(note_file) > 4096) return std::nullopt;
  const std::optional<std::string> text = fs.ReadFile(note_file);
  std::optional<TResumeNote> note = text ? TResumeNote::Parse(*text) : std::nullopt;
  if (!note || fs.FileSize(partial) != note->Bytes) return std::nullopt;
  return note;
}

// A body an earlier attempt left cut off under the record's name is finished rather than
// fetched again whole, when its note names this very address.
void TCapture::PrepareResume(TRequest& request, const TWebFile& record, const std::string& url) {
  const std::string& name = record.GetFileName();
  if (!IsWebFileName(name) || !NoLinkOnTheWay(web_.FileSystem(), web_.Path(), name)) return;
  const std::string partial = web_.Path() + name + std::string(kPartialSuffix);
  const std::optional<TResumeNote> note = ResumableNote(partial);
  if (!note || note->Url != url) return;
  request.ResumeFile = partial;
  request.ResumeBytes = note->Bytes;
  request.ResumeValidator = note->Validator;
}

bool TCapture::HeaderReceived(TRequest& request) {
  if (!SlotOf(request).RobotsSite.empty()) return RobotsHeader(request);
  TWebFile* record = SlotOf(request).Record;
  if (!record) return false;
  const int status = request.Header.Status;
  last_status_ = status;
  losses_since_answer_ = 0;
  if (status == 304 && record->Recheck) {
    // The file kept is the server's current version.
    record->Recheck = false;
    CheckedInc(update_.Unchanged);
    return false;
  }
  if ((status == 301 || status == 302) && !request.Header.Location.empty()) {
    Redirect(request, *record);
    return false;
  }
  if (status == 301 || status == 302 || status == 200 || status == 0) {
    return AcceptBody(request, *record);
  }
  if ((status == 429 || status == 503) && request.Header.RetryAfter >= 0 &&
      RetryLater(request, *record)) {
    return false;
  }
  if (status == 401) {
    Unauthorized(*record, request.Url);
  } else {
    NotFound(request, *record, status);
  }
  return false;
}

void TCapture::Redirect(TRequest& request, TWebFile& record) {
  // A kept address that moved: the web follows it as a capture does, and the file it kept
  // stays until the links are resolved to the new one. It was counted as captured already.
  const bool recheck = record.Recheck;
  TLinkItem item{static_cast<std::uint8_t>(record.GetLinkType()),
                 Resolve(request.Header.Location, request.Url), record.GetDescription()};
  const bool known = web_.Tree().Find(item.Url) != nullptr;
  TWebFile* target = web_.NewLink(item, &record);
  if (target && target != &record && !known) web_.InheritReferer(*target, record);
  if (!target) {
    // Led to an address the web cannot hold (another scheme, no host, a full tree; logged by
    // admission): nothing to fetch there, and nothing to fetch again here at every capture.
    CountFiltered(record);
    return;
  }
  // A web read from its project file holds a redirected address as a record of its own, with
  // its target's file: leading there still, it is unchanged.
  const bool unchanged =
      recheck && known && target != &record && target->GetFileName() == record.GetFileName();
  if (recheck) {
    record.Recheck = false;
    CheckedInc(unchanged ? update_.Unchanged : update_.Changed);
  }
  if (!unchanged) targets_changed_ = true;
  if (target == &record && !web_.Tree().Find(item.Url)) {
    // The same address under the other web protocol (http sent to https): the record moves
    // there, to be fetched again.
    TWebFile* moved = web_.MoveToProtocol(record, request.Url, item.Url);
    if (moved != &record) {
      SlotOf(request).Record = nullptr;
      moved->State = wsTodo;
      web_.AddTodo(moved, item.Url);
    }
  } else if (target && target != &record) {
    // From now on the old address leads to the target's record; this one is destroyed.
    SlotOf(request).Record = nullptr;
    (void)web_.AddAlias(request.Url, target);
  }
  if (!recheck) web_.CountRedirect();
  if (!unchanged) {
    CheckedInc(captured_count_);
    CheckedInc(since_save_);
  }
  RefreshCounters();
}

bool TCapture::AcceptBody(TRequest& request, TWebFile& record) {
  record.SetMimeType(request.Header.ContentType);
  const std::int64_t length = request.Header.ContentLength;
  // A kept file is updated whatever the filters say now: they decided when it was captured.
  if (!web_.Filter(&record, length, request.Url) && !record.Recheck) {
    CountFiltered(record);
    return false;
  }
  // An announced length is the server's word: a wrong one (a 2 GB page) must not stop the whole
  // capture, so only this address fails. The disk is full when a write fails for that reason.
  const std::int64_t free_space = web_.FreeSpace();
  if (free_space >= 0 && free_space - 1024 <= length) {
    web_.Log(std::string(kLogDiskShort) + std::to_string(length) + std::string(kLogBytesAnnounced) +
             request.Url);
    last_failure_ = {TNetError::kLocalFile, "the server announced " + std::to_string(length) +
                                                " bytes, more than the " +
                                                std::to_string(free_space) + " free on the disk"};
    CountError(record, request.Url, /*logged=*/true);
    RefreshCounters();
    return false;
  }
  if (const TMimeItem* type = web_.MimeList().GetMimeByString(record.GetMimeType())) {
    if (settings_.NoWriteDisk && type->MimeClass != mcHtml) request.WriteToFile = false;
    TLocalNames& names = web_.LocalNames();
    names.SetSiteLayout(web_.Options().SiteLayout);
    request.OutputFile = names.NameFor(record, request.Url, type->Extension, record.GetMimeType());
    record.SetFileName(std::string_view(request.OutputFile).substr(names.Folder().size()));
    if (names.LastNameWasNew()) web_.NoteNewFileName(record.GetFileName());
    if (!MakeFileFolders(web_.FileSystem(), web_.Path(), record.GetFileName())) {
      last_failure_ = {TNetError::kLocalFile,
                       "cannot make the folders of the file " + web_.Path() + record.GetFileName()};
      names.Release(record);
      record.SetFileName(record.Recheck ? SlotOf(request).KeptName : std::string());
      CountError(record, request.Url, /*logged=*/false);
      RefreshCounters();
      return false;
    }
    // A page is rewritten before it is kept: held until then, it is written once, not three times.
    request.BodyInMemory = type->MimeClass == mcHtml && process_page_ != nullptr;
    request.MaxBodyBytes = DecodedLimit(record);
    // In the unit spelling of the other sizes the window shows, not a bare count of bytes.
    view_.ShowSlot(request.Id, TSlotField::kSize, FormatSize(length));
  } else if (record.Recheck) {
    NotChecked(record, request.Url, "a type the web has no entry for: " + record.GetMimeType());
    return false;
  }
  // What the next update asks with.
  record.SetValidators(request.Header.ETag, request.Header.LastModifiedText);
  return true;
}

// A compressed body counts against the limits a plain one meets: the largest file, unless forced,
// and the web's whole size.
std::int64_t TCapture::DecodedLimit(const TWebFile& record) const {
  // A kept file asked for again is updated whatever its size now, as whatever its type.
  if (record.Recheck) return 0;
  const auto& o = web_.Options();
  std::int64_t limit = 0;
  if (o.MaxFileSize > 0 && !record.GetForced()) limit = std::int64_t{o.MaxFileSize} * 1024;
  if (o.MaxDiskSize > 0) {
    const std::int64_t disk = std::int64_t{o.MaxDiskSize} * 1024;
    limit = limit > 0 ? std::min(limit, disk) : disk;
  }
  return limit;
}

void TCapture::Unauthorized(TWebFile& record, const std::string& url) {
  if (record.Trials <= settings_.TryCount) {
    CheckedInc(record.Trials);
    send_credentials_ = true;
    credentials_host_ = HostAndPort(url);
    if (record.Recheck) return web_.Requeue(record);
    record.State = wsTodo;
    web_.AddTodo(&record, url);
    return;
  }
  last_failure_ = {TNetError::kProtocol, "the server refused the credentials (401)"};
  CountError(record, url);
}

void TCapture::NotFound(TRequest& request, TWebFile& record, int status) {
  if (record.Recheck) {
    if (status == 404 || status == 410) return Gone(record, request.Url, status);
    return NotChecked(record, request.Url, "HTTP " + std::to_string(status));
  }
  // Links to an address newly not found lead to the not-found page from now on.
  if (record.GetFileName() != kNotFoundFileName) targets_changed_ = true;
  web_.Log(std::string(kLogNotFound) + std::to_string(status) + "):" + request.Url);
  web_.MarkNotFound(record);
  CheckedInc(not_found_count_);
  RefreshCounters();
}

// A file that could not be kept is said with its address and cause, not only counted.
void TCapture::CountError(TWebFile& record, std::string_view url, bool logged) {
  if (record.Recheck) return NotChecked(record, url, last_failure_.Message);
  LeavesNotFoundPage(record);
  if (!logged) web_.Log(std::string(kLogError) + last_failure_.Message + "):" + std::string(url));
  web_.MarkError(record);
  CheckedInc(error_count_);
  ++losses_since_answer_;
  RefreshCounters();
}

void TCapture::CountFiltered(TWebFile& record) {
  if (record.Recheck) {
    return NotChecked(record, web_.Tree().GetUrl(&record), "refused by the filters");
  }
  LeavesNotFoundPage(record);
  web_.MarkFiltered(record);
  CheckedInc(filtered_count_);
  RefreshCounters();
}

void TCapture::TransferDone(TRequest& request) {
  AnswerCameWhole(request);
  if (!SlotOf(request).RobotsSite.empty()) {
    RobotsRead(request, request.Body);
    std::string().swap(request.Body);
    return;
  }
  TWebFile* record = SlotOf(request).Record;
  if (!record) return;
  const std::string url = request.Url;
  const std::int64_t size = request.Header.ContentLength;
  view_.ShowSlotMeter(request.Id, 0);
  ShowState(request);
  const TMimeItem* type = web_.MimeList().GetMimeByString(record->GetMimeType());
  if (!type) return;
  const bool html = type->MimeClass == mcHtml;
  // A stylesheet names what its pages need too: fonts, pictures, other stylesheets.
  const bool stylesheet = web_.Options().PageRequisites && IsStylesheetType(record->GetMimeType());
  const std::string* body = request.BodyInMemory ? &request.Body : nullptr;
  if (record->Recheck && SameBytesAgain(request, *record, (html || stylesheet) && !body)) {
    std::string().swap(request.Body);
    return;
  }
  bool stored = true;
  if ((html || stylesheet) && process_page_) {
    stored = process_page_(
        *record, url, [this](const TLinkParam& link) { return AcceptLink(link); },
        request.Header.Charset, body);
  }
  if (body) std::string().swap(request.Body);
  if (!stored && web_.FileSystem().LastStatus().NoSpaceLeft()) {
    web_.LocalNames().Release(*record);
    last_failure_ = {TNetError::kDiskFull, web_.FileSystem().LastError()};
    return DiskIsFull(*record);
  }
  if (!stored) {
    // As a body the request could not write: an error of the local file, not a captured page.
    last_failure_ = {TNetError::kLocalFile,
                     "cannot write the file " + web_.Path() + record->GetFileName()};
    web_.LocalNames().Release(*record);
    CountError(*record, url);
    RefreshCounters();
    return;
  }
  const auto& o = web_.Options();
  bool refused =
      !record->GetForced() && !record->Recheck &&
      (!type->Valid || (o.MinFileSize > 0 && size < std::int64_t{o.MinFileSize} * 1024) ||
       (o.MaxFileSize > 0 && size > std::int64_t{o.MaxFileSize} * 1024));
  if (refused) {
    // Release keeps the name taken when the file could not be removed.
    (void)web_.FileSystem().RemoveFile(web_.Path() + record->GetFileName());
    web_.LocalNames().Release(*record);
    CountFiltered(*record);
  } else {
    record->BodyHash = request.BodyHash().value_or(0);
    if (record->Recheck) {
      KeepNewVersion(*record, html, SlotOf(request).KeptName);
    } else {
      KeepFile(*record, size, html);
    }
  }
  CheckLimits();
  RefreshCounters();
}

void TCapture::KeepFile(TWebFile& record, std::int64_t size, bool html) {
  if (settings_.Update) {
    CheckedInc(update_.New);
    targets_changed_ = true;
  }
  web_.MarkCaptured(record, size, html);
  view_.ShowTotalSize(FormatByteCount(web_.TotalSize()));
  ShowFreeDisk();
  CheckedInc(captured_count_);
  CheckedInc(since_save_);
  const std::string& type = record.GetMimeType();
  if ((web_.Options().ListGifFlag && SameAsciiNoCase(type, "image/gif")) ||
      (web_.Options().ListJpegFlag && SameAsciiNoCase(type, "image/jpeg"))) {
    view_.AddDocument(record.GetFileName(), web_.DisplayOnlineImage());
  }
}

void TCapture::CheckLimits() {
  const auto& o = web_.Options();
  const bool size = o.MaxDiskSize > 0 && web_.TotalSize() > std::int64_t{o.MaxDiskSize} * 1024;
  const bool count = o.MaxFileCount > 0 && std::cmp_greater(web_.CapturedCount(), o.MaxFileCount);
  if (!size && !count) return;
  if (stop_reason_.empty()) {
    stop_reason_ = size ? "the size limit (" + std::to_string(o.MaxDiskSize) + " KB)"
                        : "the file count limit (" + std::to_string(o.MaxFileCount) + ")";
  }
  StopAll();
}

void TCapture::TransferFailed(TRequest& request, bool retry) {
  // robots.txt is the session's own question: its failure is no address's.
  if (!SlotOf(request).RobotsSite.empty())
    return RobotsUnreadable(request, request.Failure.Message);
  last_failure_ = request.Failure;
  if (request.Failure.Kind == TNetError::kClosedEarly) LimitConnections(request);
  TWebFile* record = SlotOf(request).Record;
  if (!record) return;
  if (request.Failure.Kind == TNetError::kDiskFull) return DiskIsFull(*record);
  if (request.Failure.Kind == TNetError::kTooLarge) {
    // Refused as a body announced too large is, with the reason said.
    web_.Log(request.Url + std::string(kLogTooLargeFiltered) + request.Failure.Message);
    return CountFiltered(*record);
  }
  if (retry && record->Trials < settings_.TryCount) {
    web_.Requeue(*record);
    return;
  }
  CountError(*record, request.Url);
}

// Nothing more can be written: the session stops as a whole (the transfers under way would
// fail too), and the address that met it waits for the next capture, not counted as an error.
void TCapture::DiskIsFull(TWebFile& record) {
  disk_full_ = true;
  // A kept file asked for again is still whole: it stays kept.
  if (record.Recheck) {
    NotChecked(record, web_.Tree().GetUrl(&record), "the disk is full");
  } else {
    LeavesNotFoundPage(record);
    record.State = wsError;
  }
  web_.Log(kLogStopDiskFull);
  StopAll();
}

// A killed program leaves the body it was writing under its partial name; its address was
// still loading, so the queue takes it again. One listing per folder of the web's files a
// session: the top one and those of the site's own layout that records name.
void TCapture::RemovePartialFiles() {
  TFileSystem& fs = web_.FileSystem();
  std::set<std::string> folders = {std::string()};
  web_.Tree().Explore([&folders](const TWebFile& record, const std::string&) {
    const std::string& name = record.GetFileName();
    if (IsWebFileName(name)) folders.emplace(WebFileFolder(name));
    return false;
  });
  for (const std::string& folder : folders) {
    if (!NoLinkOnTheWay(fs, web_.Path(), folder)) continue;
    for (const std::string& file : fs.ListFiles(web_.Path() + folder)) {
      RemovePartialFile(folder + file);
    }
  }
}

void TCapture::RemovePartialFile(const std::string& name) {
  TFileSystem& fs = web_.FileSystem();
  const std::string path = web_.Path() + name;
  // A body cut off with a note naming an address still to fetch under that name waits to be
  // finished; any other is never taken for a captured file, and goes.
  if (name.ends_with(kPartialSuffix)) {
    if (!IsResumable(path, name.substr(0, name.size() - kPartialSuffix.size()))) {
      (void)fs.RemoveFile(path);
      if (fs.FileExists(path + std::string(kResumeSuffix))) {
        (void)fs.RemoveFile(path + std::string(kResumeSuffix));
      }
    }
  } else if (name.ends_with(kResumeSuffix) &&
             !fs.FileExists(path.substr(0, path.size() - kResumeSuffix.size()))) {
    (void)fs.RemoveFile(path);
  }
}

bool TCapture::IsResumable(const std::string& partial, const std::string& name) const {
  const std::optional<TResumeNote> note = ResumableNote(partial);
  if (!note) return false;
  const TWebFile* record = web_.Tree().Find(note->Url);
  // Only an address that will be fetched again: one filtered or not found since lets it go.
  return record && record->GetFileName() == name &&
         (record->State == wsTodo || record->State == wsLoading || record->State == wsError);
}

// Pages and files kept after the last save of a killed program: their addresses are taken
// again, under new names, so these would stay for ever.
void TCapture::RemoveUnnamedFiles() {
  const std::size_t removed = web_.RemoveUnnamedFiles().size();
  if (removed > 0) {
    web_.Log(std::to_string(removed) + std::string(kLogInterruptedFilesRemoved));
  }
}

void TCapture::CountBytes(int count) {
  bytes_received_ += count;
  if (!pacer_.Idle()) pacer_.Received(count);
  view_.ShowReceived(std::to_string(bytes_received_ / kKilobyte) + " Kb");
}

void TCapture::ShowProgress(TRequest& request) {
  if (!SlotOf(request).RobotsSite.empty()) return RobotsBody(request);
  const std::int64_t length = request.Header.ContentLength;
  // What the request wrote, not the file's size: asking the file system for every packet cost a
  // system call each, and its size lags behind what is gathered for writing.
  const std::int64_t size =
      request.OutputFile.empty() || !request.WriteToFile ? -1 : request.BodyBytesWritten();
  int percent = 0;
  if (length > 0 && size >= 0 && size < length) percent = static_cast<int>(size * 100 / length);
  view_.ShowSlotMeter(request.Id, percent);
}

// Once a second at most: a figure to read, and asking the file system costs a system call.
void TCapture::ShowFreeDisk() {
  const std::int64_t now = clock_.TickMs();
  if (free_disk_shown_tick_ >= 0 && now - free_disk_shown_tick_ < 1000) return;
  free_disk_shown_tick_ = now;
  view_.ShowFreeDisk(FormatByteCount(web_.FreeSpace()));
}

void TCapture::ShowState(TRequest& request) {
  const auto& texts = StateTexts();
  view_.ShowSlot(request.Id, TSlotField::kState,
                 request.Status < texts.size() ? texts[request.Status] : std::string());
}

void TCapture::RefreshCounters() {
  TCaptureCounters c;
  c.LinkCount = web_.GetLinkCount();
  c.FilteredCount = web_.FilteredCount();
  c.NotFoundCount = web_.NotFoundCount();
  c.CapturedCount = web_.CapturedCount();
  c.ErrorCount = web_.ErrorCount();
  c.TodoCount = web_.GetTodoCount().value_or(0);
  view_.ShowCounters(c);
}

void TCapture::Tick() {
  std::int64_t elapsed = clock_.TickMs() - start_tick_;
  elapsed_ms_ = static_cast<std::int32_t>(std::min<std::int64_t>(elapsed, INT32_MAX));
  const std::int64_t seconds = elapsed_ms_ / 1000;
  char text[32];
  std::snprintf(text, sizeof text, "%.2lld:%.2lld:%.2lld", static_cast<long long>(seconds / 3600),
                static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
  elapsed_text_ = text;
  view_.ShowClock(elapsed_text_);
  if (web_.Options().MaxTime > 0 && std::int64_t{web_.Options().MaxTime} * 60000 < elapsed_ms_) {
    if (stop_reason_.empty()) {
      stop_reason_ = "the time limit (" + std::to_string(web_.Options().MaxTime) + " min)";
    }
    StopAll();
  }
  for (auto& request : requests_) {
    request->CheckSpeed(web_.Options().LowSpeedLimit, web_.Options().LowSpeedTime);
    request->CheckIdle(kKeepAliveIdleSecs);
  }
  if (completing_since_ >= 0 && AnyBusy() &&
      clock_.TickMs() - completing_since_ >= std::int64_t{settings_.StopWaitSecs} * 1000) {
    web_.Log(std::string(kLogStopTransfersCut) + std::to_string(settings_.StopWaitSecs) + " s");
    StopAll();
  }
}

void TCapture::StopAll() {
  stopping_ = true;
  for (auto& request : requests_) {
    if (request->State() != TRequestState::kIdle) CloseSlot(*request);
  }
  web_.ClearTodo();
}

void TCapture::Stop(bool abort_all) {
  stopping_ = true;
  if (!abort_all && completing_since_ < 0) completing_since_ = clock_.TickMs();
  web_.ClearTodo();
  for (auto& request : requests_) {
    if (request->State() == TRequestState::kIdle) continue;
    if (abort_all || !request->Answering()) CloseSlot(*request);
  }
}

bool TCapture::AcceptLink(const TLinkParam& link) {
  const std::string& url = link.Link.Value;
  // "javascript:", "mailto:", "data:"... name no address to fetch, and are no fault of the page.
  if (HasOtherProtocol(url)) return false;
  if (!IsWebAddress(url)) {
    web_.Log(url + std::string(kLogBadUrl));
    return false;
  }
  return !(link.TagType == ttA && link.IsMap);
}

void TCapture::WriteEndReport() {
  free_disk_shown_tick_ = -1;  // the last figure is the true one
  ShowFreeDisk();
  web_.Log(std::string(kLogCaptureEnd) + FormatDisplayDate(clock_.Now()));
  web_.Log(std::string(kLogSessionLength) + elapsed_text_);
  web_.Log(std::to_string(captured_count_) + std::string(kLogPagesCaptured));
  if (filtered_count_ > 0)
    web_.Log(std::to_string(filtered_count_) + std::string(kLogPagesFiltered));
  if (not_found_count_ > 0) {
    web_.Log(std::to_string(not_found_count_) + std::string(kLogPagesNotFound));
  }
  if (error_count_ > 0) {
    web_.Log(std::to_string(error_count_) + std::string(kLogPagesFailed));
  }
  if (settings_.Update) web_.Log(UpdateReport());
  web_.Log("");
  web_.SetTitleWithHomepageTitle();
}

void TCapture::Fill() {
  TCaptureInfo info = web_.LastCaptureInfo();
  info.Fill(web_.CaptureStart(), clock_.Now(), bytes_received_, captured_count_, filtered_count_,
            not_found_count_, error_count_);
  web_.SetLastCaptureInfo(info);
}

}  // namespace korvane
