// TBookMarks: the navigator's HTML bookmark file, read into a tree of folders and bookmarks,
// changed and written back. Korvane keeps one bookmark per web, pointing at the web's home page,
// in a folder named by the settings. The tree lives only for one operation: set the file name,
// read, change, write, clear.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "base/date_time.h"
#include "base/file_system.h"

namespace korvane {

// Result codes of TBookMarks::Read.
inline constexpr int kBookmarksRead = 0;
inline constexpr int kBookmarksNoFile = 1;       // no name, no file, or no outer list
inline constexpr int kBookmarksNotBookmark = 4;  // another declaration first, or no outer list
inline constexpr int kBookmarksBadNesting = 5;   // more list ends than list starts

// A date attribute that is not a decimal number: the read is abandoned and the file left alone.
class TBookmarkConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TBookmarkItem {
  std::string Url;
  std::string Title;
  std::string Description;
  std::int32_t AddDate = 0;  // seconds since 1970-01-01 00:00
  std::int32_t LastVisit = 0;
  std::int32_t LastModified = 0;
  // The tag's attributes this program does not write itself (a browser's ICON, TAGS, ...), as the
  // file spelt them, each after a blank: written back after the dates.
  std::string OtherAttributes;
};

class TBookmarkFolder {
 public:
  // One entry of a folder: exactly one of the two is set.
  struct TEntry {
    std::unique_ptr<TBookmarkItem> Item;
    std::unique_ptr<TBookmarkFolder> Folder;
  };

  TBookmarkFolder() = default;
  TBookmarkFolder(const TBookmarkFolder&) = delete;
  TBookmarkFolder& operator=(const TBookmarkFolder&) = delete;
  virtual ~TBookmarkFolder() = default;

  TBookmarkFolder* Parent = nullptr;  // not owned; none for the root
  std::int32_t AddDate = 0;
  std::string Name;
  std::string Description;
  std::vector<TEntry> Entries;  // bookmarks and sub-folders in file order
  std::string OtherAttributes;  // of the folder's heading, as for a bookmark
  int ItemCount = 0;
  int FolderCount = 0;
  bool Modified = false;
};

class TBookMarks : public TBookmarkFolder {
 public:
  explicit TBookMarks(TFileSystem& fs = RealFileSystem()) : fs_(fs) {}

  std::string FileName;
  std::string Title;
  // The <META> tags before the outer list, written back after the header comment, and whether
  // they (or a byte order mark) say the file is in UTF-8.
  std::vector<std::string> Declarations;
  bool Utf8 = false;
  bool ByteOrderMark = false;

  // A text of the program's (Windows-1252, references for the rest) as this file holds texts.
  std::string FileText(std::string_view text) const;

  // Frees every entry of the root, recursively.
  void Clear();
  void SetFileName(std::string_view path) { FileName = std::string(path); }
  // 0 when read; see the kBookmarks codes. Throws TBookmarkConvertError on a date that is not a
  // number.
  int Read();
  // Writes the whole tree to FileName, beside it first and then renamed over it, so that a
  // failed write leaves the previous file whole. False when it could not be written.
  [[nodiscard]] bool Write();

  // The entry is owned by `folder` from now on.
  void AddFolder(TBookmarkFolder* folder, std::unique_ptr<TBookmarkFolder> child);
  void AddItem(TBookmarkFolder* folder, std::unique_ptr<TBookmarkItem> item);
  // Free the entry when it is a direct entry of `folder`; otherwise nothing happens.
  void RemoveFolder(TBookmarkFolder* folder, TBookmarkFolder* child);
  void RemoveItem(TBookmarkFolder* folder, TBookmarkItem* item);
  // The first direct sub-folder of the root named `name` (case counts).
  TBookmarkFolder* FindFolder(std::string_view name);
  // Depth-first in file order through `folder` and its sub-folders.
  TBookmarkItem* FindItem(TBookmarkFolder* folder, std::string_view url);

  TFileSystem& FileSystem() const { return fs_; }

 private:
  TFileSystem& fs_;
};

// The bookmark file beside the navigator's program, or empty.
std::string LocateNavigatorBookmarks(const std::string& program_path, const TFileSystem& fs);

// "Now" as seconds since 1970-01-01 00:00, local time, rounded.
std::int32_t BookmarkNow(TDateTime now);

// The address of a web's home page as it is bookmarked: "file://" and the folder with '/'
// separators, then "_Home.htm". On a drive-letter folder a '/' comes first.
std::string WebBookmarkUrl(std::string_view web_folder);

// What the front end answers when the bookmark file cannot be read or written.
class TBookmarkHooks {
 public:
  virtual ~TBookmarkHooks() = default;
  // The question "Create or choose another bookmark file?" after `message`: the new file name
  // (already stored in the settings by the front end), or none for No.
  virtual std::optional<std::string> ChooseOtherBookmarkFile(const std::string& message) = 0;
  // An error the operation stopped on (file not writable, a date that is not a number).
  virtual void BookmarkError(const std::string& message) = 0;
};

// Creates an empty bookmark file titled "Korvane's webs". False when it cannot be written.
bool CreateEmptyBookmarkFile(TBookMarks& bookmarks, const std::string& file_name);

// Reads the bookmarks' file; a date that is not a number fails the read (-1), and is reported to
// `hooks` when given. Otherwise the result of TBookMarks::Read.
int ReadBookmarksReporting(TBookMarks& bookmarks, TBookmarkHooks* hooks);

// Messages of the bookmark operations.
inline constexpr std::string_view kCannotOpenBookmarkFile = "Cannot open bookmark file!";
inline constexpr std::string_view kCreateOrChooseBookmarkFile =
    "\r\nCreate or choose another bookmark file?";
inline constexpr std::string_view kEmptyBookmarkTitle = "Korvane's webs";

}  // namespace korvane
