// TCapture: one capture session over a web. It owns one TRequest per connection slot, hands the
// addresses waiting in the web's queue to idle slots, reacts to every response (keep, refuse,
// redirect, retry, count as not found or as an error), applies the count, size, disk and time
// limits of the web's options, keeps the session's figures, feeds a TCaptureView, and writes the
// start and end report into the web's log page.
//
// The session is passive: its run calls Pump until it returns false, lets the message pump
// deliver socket events in between, and calls Tick once a second. Socket events enter through
// its requests' handlers; an error raised in one is kept (Error) for the run to end the session
// with. Nothing here pumps messages or saves from inside a handler.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "engine/capture_view.h"
#include "engine/host_pacer.h"
#include "net/http_session.h"
#include "net/request.h"
#include "net/resume_note.h"

namespace korvane {

class TSocketHub;
class TWEB;
class TWebFile;
struct TLinkParam;

// The settings a session reads (the global settings' communication values).
struct TCaptureSettings {
  int MaxSockets = 5;  // 1 to 9
  int TryCount = 3;
  int Timeout = 30;  // seconds without progress before an attempt fails
  bool UseProxy = false;
  std::string ProxyAdress;
  int ProxyPort = 80;
  bool NoWriteDisk = false;
  // A stop that lets the transfers under way finish waits for them this long at most, then
  // closes them (their addresses wait for the next capture): a stop always ends.
  int StopWaitSecs = 60;
  // The name the requests give themselves; empty for the program's own.
  std::string UserAgent;
  // A cookies.txt file (exported from a browser) whose cookies the session starts with, so that
  // it can use a session opened there; empty for none. Kept for the next captures only when the
  // web keeps cookies.
  std::string CookieImport;
  // An update: every kept file is asked for again, with the validators its server gave, and
  // replaced only when it changed; with DeleteGone, the files of addresses gone are deleted.
  bool Update = false;
  bool DeleteGone = false;
};

// What an update found of the kept files it asked for again, and the files it added.
struct TUpdateCounts {
  std::int32_t Asked = 0;       // kept files asked for again
  std::int32_t Unchanged = 0;   // not modified (304): the file stays
  std::int32_t Changed = 0;     // a new version replaced the file, or the address moved
  std::int32_t New = 0;         // files captured that the web did not hold
  std::int32_t Gone = 0;        // not found (404, 410)
  std::int32_t Deleted = 0;     // of those gone, the files deleted
  std::int32_t NotChecked = 0;  // no answer that said: the file stays as it was
  // The copy's files changed: its links are to be resolved again.
  bool CopyChanged() const { return Changed + New + Deleted > 0; }
};

// Processes a captured page (or, for page requisites, a stylesheet): enters its links into the
// web (through the filter) and gives a page its footer; `charset` is the one its response named
// (empty when none). Set by whoever runs the session.
// Processes a captured page or stylesheet. `body` is the page's bytes when they were held in
// memory rather than stored (then the processor stores the page); false when such a page could
// not be stored at all.
using TPageProcessor = std::function<bool(TWebFile& page, const std::string& url,
                                          const std::function<bool(const TLinkParam&)>& filter,
                                          const std::string& charset, const std::string* body)>;

class TCapture {
 public:
  // State texts of a slot, by the request's progress code.
  static const std::vector<std::string>& StateTexts();

  // The web saved every this many kept files, so that a crash loses little; and no sooner than
  // this many times the last save's duration after it.
  static constexpr int kAutoSaveEvery = 50;
  static constexpr std::int64_t kAutoSaveShare = 20;
  static constexpr std::int64_t kAutoSaveQuickMs = 5;

  // Starts the session: creates the slots, re-queues what is left (UpdateTodo), logs the start.
  // The hub must outlive the session.
  TCapture(TWEB& web, const TCaptureSettings& settings, TSocketHub& hub,
           TCaptureView* view = nullptr, TPageProcessor process_page = nullptr,
           const TClock* clock = nullptr);
  ~TCapture();
  TCapture(const TCapture&) = delete;
  TCapture& operator=(const TCapture&) = delete;

  // The session's own step: saves the web when 50 files were kept since the last save, then
  // hands queued addresses to idle slots. False once the session has ended (the end report is
  // then written); true while it runs.
  bool Pump();
  // The one-second clock: elapsed time, the time limit, the low-speed limit of every slot, and
  // the end of a stop's wait for the transfers under way.
  void Tick();
  // The limit stop: every slot closed (partial files deleted), the queue emptied.
  void StopAll();
  // The user's stop: the queue emptied, and the slots closed when `abort_all`, else only those
  // that have received nothing yet.
  void Stop(bool abort_all);
  // Whether a link found in a captured page may enter the web.
  bool AcceptLink(const TLinkParam& link);
  // The session's figures into the web's last capture information.
  void Fill();
  // Keeps the session's cookies for the next capture, when the web keeps cookies; the error in
  // words when they could not be written.
  std::optional<std::string> SaveCookies();

  bool Stopping() const { return stopping_; }
  bool Ended() const { return ended_; }
  bool DiskFull() const { return disk_full_; }
  // The limit of the web's options that stopped the session ("the time limit (5 min)"), or
  // empty when none did.
  const std::string& StopReason() const { return stop_reason_; }
  std::int32_t ElapsedMs() const { return elapsed_ms_; }
  const std::string& ElapsedText() const { return elapsed_text_; }
  std::int64_t BytesReceived() const { return bytes_received_; }
  std::int32_t CapturedCount() const { return captured_count_; }
  std::int32_t FilteredCount() const { return filtered_count_; }
  std::int32_t NotFoundCount() const { return not_found_count_; }
  std::int32_t ErrorCount() const { return error_count_; }
  // Files lost since the last answer of any server: a long run of them at the end is a server
  // that stopped answering, not files that failed one by one.
  std::int32_t LossesSinceAnswer() const { return losses_since_answer_; }
  TRequest& Request(int slot) { return *requests_[static_cast<std::size_t>(slot - 1)]; }
  const TRequest& Request(int slot) const { return *requests_[static_cast<std::size_t>(slot - 1)]; }
  int SlotCount() const { return static_cast<int>(requests_.size()); }
  bool AnyBusy() const;
  // The transfers under way (slots not idle).
  int BusyCount() const;
  // While a stop lets the transfers under way finish: the whole seconds left before they are
  // cut (rounded up); -1 when no such stop waits.
  int StopWaitLeft() const;
  // The message of an error raised by a handler of the session, or empty.
  const std::string& Error() const { return error_; }
  // What the update found so far (all 0 for a capture).
  const TUpdateCounts& Update() const { return update_; }
  // The kept files the update replaced with a new version, under the same name.
  const std::vector<TWebFile*>& Replaced() const { return replaced_; }
  // Whether a link of a page the update did not replace may now lead elsewhere: a file added,
  // deleted, stored under another name, or an address that moved.
  bool LinkTargetsChanged() const { return targets_changed_; }
  // The address last handed out, and the status code of the last response header (0 until a
  // header of the address last handed out arrives).
  const std::string& LastUrl() const { return last_url_; }
  std::int32_t LastStatus() const { return last_status_; }
  // Why the last failed attempt failed (kind kNone before any).
  const TNetError& LastFailure() const { return last_failure_; }
  // The tick at which an address held back by politeness may start (a wait, a Retry-After, the
  // rate limit), so that the run sleeps until then; -1 when the last step held none back.
  std::int64_t WakeTick() const { return wake_tick_; }
  // The start address was left because its site's robots.txt disallows it.
  bool RobotsRefusedStart() const { return robots_refused_start_; }
  // Servers that answer 429 or 503 with a Retry-After of more than this many seconds are not
  // waited for: the address fails, rather than a capture that stands still for hours.
  static constexpr std::int32_t kMaxRetryAfterSecs = 120;
  // An HTTP/1.1 connection kept this long without a request is closed: servers close theirs
  // after a few seconds to a minute, and a request sent on one the server is closing must go
  // again.
  static constexpr std::int32_t kKeepAliveIdleSecs = 4;

 private:
  bool HeaderReceived(TRequest& request);
  bool AcceptBody(TRequest& request, TWebFile& record);
  void Redirect(TRequest& request, TWebFile& record);
  void Unauthorized(TWebFile& record, const std::string& url);
  void NotFound(TRequest& request, TWebFile& record, int status);
  void TransferDone(TRequest& request);
  void KeepFile(TWebFile& record, std::int64_t size, bool html);
  // `kept_name`: the name of the file the record had before.
  void KeepNewVersion(TWebFile& record, bool html, const std::string& kept_name);
  // A kept file its server gave no validator for came whole with the bytes it had: unchanged.
  // Not when `on_disk_raw`: the page as served was renamed over the processed one.
  bool SameBytesAgain(const TRequest& request, TWebFile& record, bool on_disk_raw);
  void TransferFailed(TRequest& request, bool retry);
  void CountBytes(int count);
  void ShowProgress(TRequest& request);
  void ShowFreeDisk();
  void ShowState(TRequest& request);
  void RefreshCounters();
  void CheckLimits();
  void WriteEndReport();
  void StartNext(TRequest& request, TWebFile* record, const std::string& url);
  void CloseSlot(TRequest& request);
  TRequest* FreeSlotFor(const std::string& url);
  void CloseKeptConnections();
  std::int64_t DecodedLimit(const TWebFile& record) const;
  void ReleaseRecord(TRequest& request);
  // Connections are counted per server: the host and port, or the proxy.
  std::string ConnectionKey(std::string_view url) const;
  int BusyWith(const std::string& key, const TRequest* except) const;
  bool AtConnectionLimit(const std::string& key) const;
  void LimitConnections(TRequest& request);
  void AnswerCameWhole(TRequest& request);
  void CountError(TWebFile& record, std::string_view url, bool logged = false);
  void DiskIsFull(TWebFile& record);
  void RemovePartialFiles();
  void RemovePartialFile(const std::string& name);
  void RemoveUnnamedFiles();
  void CountFiltered(TWebFile& record);
  // The outcomes of a recheck that keep the file as it was.
  void NotChecked(TWebFile& record, std::string_view url, std::string_view why);
  void LeavesNotFoundPage(const TWebFile& record);
  std::string UpdateReport() const;
  void Gone(TWebFile& record, const std::string& url, int status);
  void AutoSave();
  void HandlerFailed(TRequest& request, const std::string& error);
  void StartCookies();
  std::optional<TResumeNote> ResumableNote(const std::string& partial) const;
  void PrepareResume(TRequest& request, const TWebFile& record, const std::string& url);
  bool IsResumable(const std::string& partial, const std::string& name) const;

  // Politeness (capture_politeness.cpp). What the head of the queue may do with an idle slot.
  enum class TPace { kGo, kWait, kTaken };
  TPace Pace(TRequest& idle, TWebFile& record, const std::string& url);
  // The host of `url` may be asked now (its connections, its wait, the rate limit).
  bool HostReady(const std::string& url);
  int BusyOnHost(const std::string& url) const;
  void RefusedByRobots(TWebFile& record, const std::string& url);
  void StartRobots(TRequest& request, const std::string& site);
  void RequestRobots(TRequest& request, const std::string& url);
  bool RobotsHeader(TRequest& request);
  void RobotsBody(TRequest& request);
  void RobotsRead(TRequest& request, std::string_view text);
  void RobotsUnreadable(TRequest& request, const std::string& cause);
  // A 429 or 503 with a Retry-After: the address waits as asked and is tried again; true when
  // the answer was taken so (not when its tries are spent).
  bool RetryLater(TRequest& request, TWebFile& record);

  TWEB& web_;
  TCaptureSettings settings_;
  TCaptureView null_view_;
  TCaptureView& view_;
  TPageProcessor process_page_;
  const TClock& clock_;
  TCookieJar cookies_;
  THttpSession http_;  // before the requests, which use it
  std::vector<std::unique_ptr<TRequest>> requests_;
  // What the session holds of each slot's address, by slot: its server, and its record until
  // the slot reports nothing more on it (null then, and while idle).
  struct TSlot {
    std::string Key;
    TWebFile* Record = nullptr;
    // While the slot fetches a site's robots.txt: the site, and the redirections followed.
    std::string RobotsSite;
    int RobotsHops = 0;
    // A recheck: the name its kept file had, gone once a version under another name is kept.
    std::string KeptName;
  };
  std::vector<TSlot> slots_;
  TSlot& SlotOf(const TRequest& request) {
    return slots_[static_cast<std::size_t>(request.Id - 1)];
  }
  // Servers that take fewer connections than the slots: at most this many at once.
  std::map<std::string, int> connection_caps_;
  // What a server's closures say: the addresses it closed before answering while others of ours
  // were open, and its whole answers since it was last limited.
  struct TServerLimit {
    std::set<std::string> Closing;
    int WholeSinceCap = 0;
  };
  std::map<std::string, TServerLimit> server_limits_;
  static constexpr std::size_t kClosingAddressesForLimit = 3;
  static constexpr int kWholeAnswersToGiveBack = 20;

  std::int64_t start_tick_ = 0;
  std::int32_t elapsed_ms_ = 0;
  std::string elapsed_text_ = "00:00:00";
  bool stopping_ = false;
  std::int64_t completing_since_ = -1;  // tick of a stop that lets transfers finish, or -1
  bool ended_ = false;
  bool disk_full_ = false;
  std::string stop_reason_;
  std::int64_t bytes_received_ = 0;
  bool send_credentials_ = false;
  std::string credentials_host_;  // host:port that asked for credentials
  std::int32_t captured_count_ = 0;
  std::int32_t losses_since_answer_ = 0;
  std::int32_t filtered_count_ = 0;
  std::int32_t not_found_count_ = 0;
  std::int32_t error_count_ = 0;
  TUpdateCounts update_;
  std::vector<TWebFile*> replaced_;
  bool targets_changed_ = false;
  std::int32_t since_save_ = 0;
  std::int64_t last_save_ms_ = 0;      // how long the last auto-save took
  std::int64_t last_save_end_ms_ = 0;  // the tick it ended at
  std::string error_;
  std::string last_url_;
  std::int32_t last_status_ = 0;
  TNetError last_failure_;
  std::int64_t free_disk_shown_tick_ = -1;  // when the free space was last asked for the view
  THostPacer pacer_;
  std::int64_t wake_tick_ = -1;
  bool robots_refused_start_ = false;
};

}  // namespace korvane
