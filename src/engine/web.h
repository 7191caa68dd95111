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
#include <utility>
#include <vector>

#include "base/date_time.h"
#include "base/file_system.h"
#include "base/log_texts.h"
#include "html/link_item.h"
#include "maps/map_list.h"
#include "pages/page_rewriter.h"
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
  std::int32_t Links = 0;
  std::int32_t Captured = 0;  // pages and files
  std::int32_t Todo = 0;      // to explore, or loading when the program was stopped
  std::int32_t NotFound = 0;
  std::int32_t Errors = 0;
  std::int32_t Filtered = 0;
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

  std::string Url;   // start address, canonical
  std::string Path;  // local folder, ends with a separator
  std::string Title;
  TWebTree Tree;
  std::string FileName;  // the project file last loaded or saved; empty for a new web
  TMIMELIST MimeList;
  std::deque<TWebFile*> TodoList;  // records of Tree waiting to be fetched, in fetch order
  TMAPLIST MapList;
  std::uint16_t CapturedCount = 0;
  std::uint16_t ErrorCount = 0;
  std::uint16_t NotFoundCount = 0;
  std::uint16_t FilteredCount = 0;
  // Bytes of every file captured into the web. Wide here, so that a web past 2 GiB goes on; the
  // project file's field is 32 bits and holds it saturated (2 GiB - 1 means "that much or more").
  std::int64_t TotalSize = 0;
  TOPTIONS Options;
  bool DisplayOnlineImage = false;
  bool SpareFlag = false;
  TDateTime CaptureStart = 0;
  TCaptureInfo LastCaptureInfo;
  std::int32_t FileCounter = 0;  // scratch counter of the file count of a copy
  std::string CopyPath;          // destination folder during a copy or move
  bool MoveFiles = false;        // the copy under way is a move
  // Told how far a save or load of the project file has gone through the tree (a gauge).
  TWebTree::TProgress OnTreeProgress;

  // --- the web project ---

  // A new web on `address` in `folder`, its MIME table seeded from `template_mime`: creates the
  // folder, copies the not-found and bad-link pages into it, starts the log page and enters the
  // start address. False, with nothing else done, when the folder cannot be made (LoadError says
  // why: a read-only mount, a file in the way, no permission).
  [[nodiscard]] bool Init(std::string_view address, std::string_view folder,
                          const TMIMELIST& template_mime);
  // Starts the web again on `address`, keeping its folder, files, MIME table, maps and total.
  bool Reinit(std::string_view address);
  void SetUrl(std::string_view address);
  void SetPath(std::string_view folder);
  void SetInitialUrl();
  std::uint16_t GetLinkCount() const { return Tree.Count(); }
  // Addresses still to explore: the link count less the four counters; none when the counters
  // exceed the link count (a damaged project file, or one of another program).
  std::optional<std::uint16_t> GetTodoCount() const noexcept;
  // The records of the tree by state, counted afresh: what `urls` lists under each filter.
  TRecordCounts CountRecords();
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
  std::int64_t FreeSpace() const { return fs_.FreeSpace(Path); }
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
  // Enters the address of `record` (known as `from`) under `to`, its other web protocol, with the
  // record's state, depths and texts; `from` then leads to the new record, and `record` is
  // destroyed (the queue holds the new one in its place). The new record, or `record` when the
  // tree refused `to`.
  TWebFile* MoveToProtocol(TWebFile& record, std::string_view from, std::string_view to);
  bool RefusedByFullTree(std::string_view url);
  // Queues the record (pictures at the head, pages at the tail) or marks it filtered. `url` is
  // the record's address; it is looked up when empty.
  bool AddTodo(TWebFile* record, std::string_view url = {});
  bool LinkFilter(TWebFile* record, std::string_view url);
  // Whether a file of the record's type and `size` bytes (0 or less: unknown) is wanted.
  bool Filter(TWebFile* record, std::int64_t size, std::string_view url);
  // Rebuilds the queue and the counters from the tree.
  void UpdateTodo();
  void TodoExploreProc(TWebFile& record, const std::string& url);
  // "Force capture": a filtered record becomes a record to explore of the main web.
  bool ForceCapture(TWebFile* record);

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
  bool CleanExploreProc(TWebFile& record);
  // Copies (or moves) the captured files and the special pages to the folder of `destination`,
  // then makes that folder the web's and saves the web there. `progress` may be null.
  TWebCopyResult WebCopy(const std::string& destination, bool move, TWebCopyProgress* progress);
  bool CopyExploreProc(TWebFile& record);
  // The files already in the folder of `destination` that WebCopy would write over (none when
  // it is the web's own folder): asked about before a copy, they may be the user's.
  std::vector<std::string> CopyWouldReplace(const std::string& destination);
  // Copies `name` from Path to CopyPath (and deletes the source on a move, once the copy is
  // complete). False when the file exists but could not be copied.
  bool WebFileCopy(std::string_view name);
  // Captured records whose file exists in Path.
  std::int32_t GetFileCount();
  bool FileCountProc(TWebFile& record);

  // --- the project file ---

  // Writes the project file in the current format. The file is written beside its final name,
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
  // No web's project file is larger: 65,535 records of four texts of 255 bytes, its MIME table,
  // maps and options, with room to spare.
  static constexpr std::int64_t kMaxProjectFileBytes = 256LL * 1024 * 1024;

 private:
  void CopyProgramPages();
  TNameJournal& NameJournal();
  void KeepingFailed(std::string_view what);
  // Fresh default options and counters, and the start address entered again.
  void StartAfresh();
  void ForgetReplacedRecord(TWebFile* destroyed, TWebFile* replacement);
  bool ReadProjectFile(std::string_view bytes, const std::string& file_name);
  void ReadExtensions(TBinaryReader& in);
  THtmlLinksContext LinksContext();
  void WriteProjectFile(TBinaryWriter& out);

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
  std::string save_error_;
  TStatus load_status_;
  std::string keeping_failure_;
  std::vector<std::string> clean_names_;  // the files Clean deletes, gathered by its walk
};

// The extension of an address's document (after its last '.', without the query); empty when
// it has none.
std::string ExtensionOf(std::string_view url);

}  // namespace korvane
