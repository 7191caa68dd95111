// TWEB: one capture project. It holds the start address, the local folder and the title, the
// tree of every address met with its record, the queue of addresses still to fetch, the web's own
// MIME table and image maps, its capture options, its counters, and the figures of its last
// capture. Link admission decides what enters the queue; the project file keeps it all between
// runs.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/date_time.h"
#include "base/file_system.h"
#include "base/log_texts.h"
#include "html/link_item.h"
#include "maps/map_list.h"
#include "pages/page_rewriter.h"
#include "store/address_rules.h"
#include "store/capture_info.h"
#include "store/local_names.h"
#include "store/mime_list.h"
#include "store/name_journal.h"
#include "store/options.h"
#include "store/web_folder.h"
#include "store/web_tree.h"

namespace korvane {

class TParam;

// What a copy or move shows while it runs: a bar advanced once per file, and the file's name.
class TWebCopyProgress {
 public:
  virtual ~TWebCopyProgress() = default;
  // Sets the bar's maximum and puts its progress back to 0.
  virtual void Start(std::int32_t max_value) = 0;
  // Advances the bar by one and shows the name of the file being copied.
  virtual void FileCopied(const std::string& name) = 0;
};

// How a copy or move ended. A move deletes a source file only once its copy is complete, so the
// files whose copy failed are still in the source folder.
// The records of a web by state. Errors are also not-found addresses to the list of `urls`.
struct TRecordCounts {
  std::uint32_t Links = 0;
  std::uint32_t Captured = 0;  // pages and files
  std::uint32_t Todo = 0;      // to explore, or loading when the program was stopped
  std::uint32_t NotFound = 0;
  std::uint32_t Errors = 0;
  std::uint32_t Filtered = 0;
};

// The four counters a web keeps with its records (see TWEB).
struct TWebCounters {
  std::uint32_t Captured = 0;
  std::uint32_t Errors = 0;
  std::uint32_t NotFound = 0;
  std::uint32_t Filtered = 0;
};

struct TWebCopyResult {
  bool Saved = false;               // the web was saved to the destination project file
  std::vector<std::string> Failed;  // files not copied, kept in the source folder
  bool SameFolder = false;          // the destination is the web's own folder: nothing copied
  std::string FolderError;          // the destination folder could not be made: nothing copied
  std::string SaveError;            // why the project file was not saved, when it was not
};

class TWEB {
 public:
  // An empty web. `default_options` are the settings' defaults: a new or re-initialised web
  // copies them, and admission reads their CheckDomainMachineFlag. Both must outlive the web.
  explicit TWEB(const TOPTIONS& default_options, TFileSystem& fs = RealFileSystem());
  ~TWEB();
  TWEB(const TWEB&) = delete;
  TWEB& operator=(const TWEB&) = delete;

  // What holds between any two calls:
  // - Url() is canonical (Resolve), and Path() is empty or ends with a separator.
  // - The tree changes only through the web's operations (NewLink, MoveToProtocol, AddAlias,
  //   Reinit, Clean, a load), so every record the queue holds is a record of the tree; a record
  //   the tree replaces is replaced in the queue too.
  // - The queue holds records to explore; one the capture took is loading until its outcome.
  // - The four counters grow only by the outcome of a record (Mark*) and are counted again from
  //   the tree by UpdateTodo; their sum exceeds the link count only when they came from
  //   elsewhere (SetCounters, a project file of another program), and GetTodoCount says so by
  //   having no figure.
  // - TotalSize() is the sum of the sizes of the files captured, or of the files the last
  //   resolve found on disk.

  // --- what the web is ---

  const std::string& Url() const { return url_; }    // start address, canonical
  const std::string& Path() const { return path_; }  // local folder, ends with a separator
  const std::string& Title() const { return title_; }
  // The project file last loaded or saved; empty for a new web.
  const std::string& FileName() const { return file_name_; }
  const TWebTree& Tree() const { return tree_; }
  TMIMELIST& MimeList() { return mime_list_; }
  const TMIMELIST& MimeList() const { return mime_list_; }
  TMAPLIST& MapList() { return map_list_; }
  const TMAPLIST& MapList() const { return map_list_; }
  const TOPTIONS& Options() const { return options_; }
  bool DisplayOnlineImage() const { return display_online_image_; }
  bool SpareFlag() const { return spare_flag_; }
  std::uint32_t CapturedCount() const { return captured_count_; }
  std::uint32_t ErrorCount() const { return error_count_; }
  std::uint32_t NotFoundCount() const { return not_found_count_; }
  std::uint32_t FilteredCount() const { return filtered_count_; }
  // Bytes of every file captured into the web. Wide here, so that a web past 2 GiB goes on; the
  // project file's field is 32 bits and holds it saturated (2 GiB - 1 means "that much or more").
  std::int64_t TotalSize() const { return total_size_; }
  // When the last capture started (0 before the first).
  TDateTime CaptureStart() const { return capture_start_; }
  const TCaptureInfo& LastCaptureInfo() const { return last_capture_info_; }
  // Records of the tree waiting to be fetched, in fetch order.
  const std::deque<TWebFile*>& TodoList() const { return todo_; }

  void SetUrl(std::string_view address);
  void SetPath(std::string_view folder);
  void SetTitle(std::string_view title) { title_ = title; }
  void SetFileName(std::string_view file_name) { file_name_ = file_name; }
  void SetDisplayOnlineImage(bool on) { display_online_image_ = on; }
  void SetOptions(const TOPTIONS& options) { options_ = options; }
  // The options are the user's limits and switches, read when they apply: no rule of the web
  // ties them to its other data, so a settings tab edits them in place.
  TOPTIONS& EditOptions() { return options_; }
  // Told how far a save or load of the project file has gone through the tree (a gauge).
  void SetTreeProgress(TWebTree::TProgress progress) { tree_progress_ = std::move(progress); }
  // The view told of every change of the tree's shape (may be null); it must outlive its use.
  void SetTreeObserver(TWebTreeObserver* observer) { tree_.SetObserver(observer); }

  // --- the web project ---

  // A new web on `address` in `folder`, its MIME table seeded from `template_mime`: creates the
  // folder, copies the not-found and bad-link pages into it, starts the log page and enters the
  // start address. False, with nothing else done, when the folder cannot be made (LoadError says
  // why: a read-only mount, a file in the way, no permission).
  [[nodiscard]] bool Init(std::string_view address, std::string_view folder,
                          const TMIMELIST& template_mime);
  // Starts the web again on `address`, keeping its folder, files, MIME table, maps and total.
  bool Reinit(std::string_view address);
  void SetInitialUrl();
  std::uint32_t GetLinkCount() const { return tree_.Count(); }
  // Addresses still to explore: the link count less the four counters; none when the counters
  // exceed the link count (a damaged project file, or one of another program).
  std::optional<std::uint32_t> GetTodoCount() const noexcept;
  // The records of the tree by state, counted afresh: what `urls` lists under each filter.
  TRecordCounts CountRecords() const;
  void ClearCount();
  // Appends "<br>" + text + CR LF (255 bytes at most) to the log page, creating it if needed.
  void Log(std::string_view text);
  // While a run holds the log, the log page stays open and its lines are handed to the file
  // system at each FlushLog (a run flushes at every step), not opened and closed for each line:
  // a kill loses the lines of one step at most. ReleaseLog flushes and closes it.
  void HoldLog();
  void FlushLog();
  void ReleaseLog();
  // The first failure to write the web's own records of a run (the log page, the list of new
  // file names) since TakeKeepingFailure, in words; empty when none.
  std::string TakeKeepingFailure() { return std::exchange(keeping_failure_, {}); }
  // Creates the log page `name` in the folder when it does not exist.
  void HtmlFileInit(std::string_view name);
  std::string GetHomePage() const;
  void SetTitleWithHomepageTitle();
  // The web's options become the defaults, and the settings are written; false when they could
  // not be (the param's SettingsError says why).
  [[nodiscard]] bool SaveDefaultOptions(TParam& param) const;
  // Free bytes on the web folder's volume, or -1 when unknown.
  std::int64_t FreeSpace() const { return fs_.FreeSpace(path_); }
  // The namer of captured files in the web's folder.
  TLocalNames& LocalNames();
  // Notes a name just handed out for a captured file, until the next save (see TNameJournal).
  void NoteNewFileName(std::string_view name);
  // Removes the files named since the last save that no record names: what a program killed
  // between two saves left. Returns their names.
  std::vector<std::string> RemoveUnnamedFiles();
  TFileSystem& FileSystem() const { return fs_; }

  // --- link admission ---

  // Enters `item` (once per address) and queues it when admitted; the record, or none when the
  // tree refused the address. An address known under the other web protocol is that record (a
  // record still waiting under http moves to https when a secure link to it is met). Throws
  // TCounterOverflow when a depth or counter overflows.
  TWebFile* NewLink(const TLinkItem& item, TWebFile* parent);
  // The address of the page whose link entered `record` in this session, for its Referer; empty
  // for the start address and for a record read from the project file (which keeps no parent).
  std::string RefererOf(const TWebFile& record) const;
  // A record a redirection reached is asked for on behalf of the page that linked the first.
  void InheritReferer(const TWebFile& record, const TWebFile& redirected);
  // Enters the address of `record` (known as `from`) under `to`, its other web protocol, with the
  // record's state, depths and texts; `from` then leads to the new record, and `record` is
  // destroyed (the queue holds the new one in its place). The new record, or `record` when the
  // tree refused `to`.
  TWebFile* MoveToProtocol(TWebFile& record, std::string_view from, std::string_view to);
  // Queues the record (pictures at the head, pages at the tail) or marks it filtered. `url` is
  // the record's address; it is looked up when empty.
  bool AddTodo(TWebFile* record, std::string_view url = {});
  // Whether a file of the record's type and `size` bytes (0 or less: unknown) is wanted. With page
  // requisites, a file served as "application/octet-stream" or as a type the table lacks is a
  // document when its extension names one (DocumentTypeOfExtension): it takes that type.
  bool Filter(TWebFile* record, std::int64_t size, std::string_view url);
  // The web's address rules, compiled from its options (again when they changed). Rules that
  // cannot be compiled (a hand-edited file: every front end checks those it is given) are no
  // rules: the limits alone decide, and RulesError says why.
  const TAddressRules& AddressRules();
  const std::string& RulesError() {
    (void)AddressRules();
    return rules_error_;
  }
  // Rebuilds the queue and the counters from the tree.
  void UpdateTodo();
  // "Force capture": a filtered record becomes a record to explore of the main web, and leaves
  // the filtered count.
  bool ForceCapture(TWebFile* record);

  // --- a capture's course ---

  // A capture starts at `now`: the date its pages' footers and the log give.
  void StartCapture(TDateTime now) { capture_start_ = now; }
  void SetLastCaptureInfo(const TCaptureInfo& info) { last_capture_info_ = info; }
  // The head of the queue, or none when it is empty; PopTodo takes it off.
  TWebFile* NextTodo() const { return todo_.empty() ? nullptr : todo_.front(); }
  void PopTodo() { todo_.pop_front(); }
  // A capture that stops leaves the rest of the queue to the next one (UpdateTodo rebuilds it).
  void ClearTodo() { todo_.clear(); }
  // A record whose transfer failed waits again, at the end of the queue.
  void Requeue(TWebFile& record);
  // Every record still marked as loading waits again: the slot that fetched it closed.
  void ForgetLoading();
  // An update: every captured record whose file is in the folder is marked for a recheck and
  // queued, keeping its state and count until its answer. Returns how many.
  std::uint32_t QueueRechecks();
  // The rechecks not answered (a stop, a limit) stay what they were.
  void EndRechecks();
  // A recheck brought a new version of the file: it is captured as before, not counted again.
  void MarkReplaced(TWebFile& record, bool page);
  // A recheck found the address gone: its file is deleted and it counts as not found. False,
  // with the record as it was, when the file could not be deleted or another captured record
  // names it.
  bool DeleteGoneFile(TWebFile& record);
  // The outcomes of a fetch: each puts the record in its state and counts it once. A kept file
  // adds its size to TotalSize; an entry address that fails keeps its state, to be queued again
  // at the next capture.
  void MarkCaptured(TWebFile& record, std::int64_t size, bool page);
  void MarkNotFound(TWebFile& record);
  void MarkError(TWebFile& record);
  void MarkFiltered(TWebFile& record);
  // An address that answered with a redirect counts as captured: it led somewhere.
  void CountRedirect();
  // From now on `url` leads to `record` too (a redirect to an address the web knows).
  bool AddAlias(std::string_view url, TWebFile* record) { return tree_.Add(url, record); }
  // Enters a record as it is, without admission (a picture found on disk, a test's record); a
  // record already at `url` is replaced, in the queue too.
  bool AddRecord(std::string_view url, std::unique_ptr<TWebFile> record) {
    return tree_.Add(url, std::move(record));
  }
  // Counters as another source gives them (a project file of another program, a prepared web):
  // UpdateTodo counts them again from the tree.
  void SetCounters(const TWebCounters& counters);
  // The resolve measured the captured files on disk: their sum is the web's size.
  void SetTotalSize(std::int64_t bytes) { total_size_ = bytes; }

  // --- captured pages ---

  // Processes the captured page `file` fetched from `page_url`: its links made absolute and
  // handed to NewLink with the page as parent (those `filter` accepts, or the default rule),
  // LOWSRC removed, the Ismap flag, the title as description, the footer when RealLinkFlag is
  // set. `charset` is the one its response named, if any. `captured`: the page's bytes when
  // they are not stored yet. False when the processed page could not be written.
  bool SetHtmlLinks(TWebFile& file, std::string_view page_url, const THtmlLinkFilter& filter = {},
                    std::string_view charset = {}, const std::string* captured = nullptr);
  // For page requisites: the captured stylesheet `file` fetched from `url` has its addresses made
  // absolute and handed to NewLink (those `filter` accepts), fonts and imports as requisites.
  bool SetStylesheetLinks(TWebFile& file, std::string_view url, const THtmlLinkFilter& filter = {});

  // --- maintenance ---

  // Deletes the web's captured files, its map files and its log page, and starts the web again
  // from its start address with fresh not-found and bad-link pages. Options, title, MIME table,
  // last capture and project file name are kept; the index pages stay.
  // Returns why each file that stayed could not be deleted (empty when all went).
  std::vector<std::string> Clean();
  // Copies (or moves) the captured files and the special pages to the folder of `destination`,
  // then makes that folder the web's and saves the web there. `progress` may be null.
  TWebCopyResult WebCopy(const std::string& destination, bool move, TWebCopyProgress* progress);
  // The files already in the folder of `destination` that WebCopy would write over (none when
  // it is the web's own folder): asked about before a copy, they may be the user's.
  std::vector<std::string> CopyWouldReplace(const std::string& destination);
  // Captured records whose file exists in Path.
  std::int32_t GetFileCount() const;

  // --- the project file ---

  // Writes the project file: in version 21 while every count fits its word, else in version 22
  // (see project_file.cpp). The file is written beside its final name,
  // owner-only from its creation, flushed and renamed over it, so a failed save leaves the
  // previous file whole. False when it could not be written (SaveError says why).
  [[nodiscard]] bool SaveToFile(const std::string& file_name);
  // Why the last save failed, in words.
  const std::string& SaveError() const { return save_error_; }
  // Reads a project file of any version into this freshly created web. True when it loaded; on
  // false the caller discards the half-filled web.
  [[nodiscard]] bool LoadFromFile(const std::string& file_name);
  // Why the last load or Init failed, in words ("it is not a regular file", ...).
  const std::string& LoadError() const { return load_status_.Words(); }
  const TStatus& LoadStatus() const { return load_status_; }
  // No web's project file is larger: a million records of four texts of 255 bytes (several
  // million of a real site's), its MIME table, maps and options, with room to spare. It is read
  // whole into memory, so a file beyond it is refused before it is read.
  static constexpr std::int64_t kMaxProjectFileBytes = 1024LL * 1024 * 1024;

 private:
  void CopyProgramPages();
  bool RefusedByFullTree(std::string_view url);
  bool LinkFilter(TWebFile* record, std::string_view url);
  // What the rules say of a link to `url`: the start address and a forced one are always
  // admitted (they were asked for by name), so no rule excludes them.
  TAddressRules::TDecision RuleDecision(const TWebFile& record, std::string_view url);
  // The limits of depth, path and external webs on a hyperlink; `included` by a rule, it is held
  // by its depth only.
  bool WithinLinkLimits(const TWebFile& record, std::string_view url, bool included);
  void TodoExploreProc(TWebFile& record, const std::string& url);
  bool CleanExploreProc(TWebFile& record);
  // The record's document type from the extension of `url`, entered in the table when it lacks
  // it; `served` (the table's entry of the served type, or null) when the extension names none.
  TMimeItem* DocumentTypeOf(TWebFile& record, std::string_view url, TMimeItem* served);
  // The files of the folder a copy takes besides the captured ones: the generated pages and the
  // map files, as spelt on disk.
  std::vector<std::string> FilesBesideTheTree() const;
  bool CopyExploreProc(TWebFile& record);
  // Copies `name` from the web folder to the copy's (and deletes the source on a move, once the
  // copy is complete). False when the file exists but could not be copied.
  bool WebFileCopy(std::string_view name);
  // Whether the record is captured and its file exists in the folder.
  bool FileCountProc(const TWebFile& record) const;
  TNameJournal& NameJournal();
  void KeepingFailed(std::string_view what);
  // Fresh default options and counters, and the start address entered again.
  void StartAfresh();
  void ForgetReplacedRecord(TWebFile* destroyed, TWebFile* replacement);
  bool ReadProjectFile(std::string_view bytes, const std::string& file_name);
  void ReadExtensions(TBinaryReader& in);
  void ReadValidators(TBinaryReader& in);
  void WriteValidators(TBinaryWriter& out) const;
  THtmlLinksContext LinksContext();
  void WriteProjectFile(TBinaryWriter& out);

  template <class Web, class Visitor>
  static void ForEachOptionField(Web& web, int version, Visitor&& visit);

  std::string url_;
  std::string path_;
  std::string title_;
  TWebTree tree_;
  std::string file_name_;
  TMIMELIST mime_list_;
  std::deque<TWebFile*> todo_;
  TMAPLIST map_list_;
  std::uint32_t captured_count_ = 0;
  std::uint32_t error_count_ = 0;
  std::uint32_t not_found_count_ = 0;
  std::uint32_t filtered_count_ = 0;
  std::int64_t total_size_ = 0;
  TOPTIONS options_;
  bool display_online_image_ = false;
  bool spare_flag_ = false;  // kept as read: no use is known
  TDateTime capture_start_ = 0;
  TCaptureInfo last_capture_info_;
  TWebTree::TProgress tree_progress_;
  // The copy or move under way.
  std::string copy_path_;
  bool move_files_ = false;
  const TOPTIONS& default_options_;
  TFileSystem& fs_;
  std::unique_ptr<TLocalNames> local_names_;
  std::unique_ptr<TNameJournal> name_journal_;
  bool log_held_ = false;
  std::unique_ptr<TWritableFile> log_file_;    // opened at the first line while held
  TWebCopyProgress* copy_progress_ = nullptr;  // set only while WebCopy runs
  std::vector<std::string> copy_failures_;
  // Entries of the project file's extension block that this program does not know: kept and
  // written back.
  std::vector<TOPTIONS::TEntry> unknown_extensions_;
  // The page that linked each record entered in this session (see RefererOf).
  std::unordered_map<const TWebFile*, std::string> referers_;
  // The address rules compiled, and the options' rules they were compiled from.
  TAddressRules rules_;
  std::vector<std::string> rules_source_;
  std::string rules_error_;
  std::string save_error_;
  TStatus load_status_;
  std::string keeping_failure_;
  std::vector<std::string> clean_names_;  // the files Clean deletes, gathered by its walk
};

// The extension of an address's document (after its last '.', without the query); empty when
// it has none.
std::string ExtensionOf(std::string_view url);

}  // namespace korvane
