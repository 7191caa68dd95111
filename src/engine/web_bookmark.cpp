// The web's own bookmark in the navigator's bookmark file: added, renamed after the web's title,
// or removed, in the folder the settings name.
#include "engine/web_bookmark.h"

#include <memory>

#include "engine/web.h"
#include "settings/param.h"

namespace korvane {
namespace {

// Reads the settings' file, asking for another when it cannot be read. False to stop.
bool ReadForAdd(TBookMarks& bookmarks, TParam& param, TBookmarkHooks& hooks) {
  if (bookmarks.FileName != param.BookmarkFileName) bookmarks.SetFileName(param.BookmarkFileName);
  int code = ReadBookmarksReporting(bookmarks, &hooks);
  if (code == 0) return true;
  bookmarks.Clear();
  // A date that is not a number was reported already; the file is left as it is.
  if (code < 0 || !param.UseBookmark) return false;
  std::optional<std::string> other = hooks.ChooseOtherBookmarkFile(
      std::string(kCannotOpenBookmarkFile) + std::string(kCreateOrChooseBookmarkFile));
  if (!other) {
    param.UseBookmark = false;
    return false;
  }
  param.BookmarkFileName = *other;
  bookmarks.SetFileName(*other);
  if (ReadBookmarksReporting(bookmarks, &hooks) == 0) return true;
  bookmarks.Clear();
  return false;
}

}  // namespace

bool AddWebBookmark(TBookMarks& bookmarks, TParam& param, const TWEB& web, TDateTime now,
                    TBookmarkHooks& hooks) {
  if (!ReadForAdd(bookmarks, param, hooks)) return false;
  const std::int32_t stamp = BookmarkNow(now);
  TBookmarkFolder* folder = bookmarks.FindFolder(param.BookmarkFolder);
  if (!folder) {
    auto created = std::make_unique<TBookmarkFolder>();
    created->Name = param.BookmarkFolder;
    created->AddDate = stamp;
    folder = created.get();
    bookmarks.AddFolder(&bookmarks, std::move(created));
  }
  const std::string url = WebBookmarkUrl(web.Path());
  const std::string title = bookmarks.FileText(web.Title());
  if (TBookmarkItem* item = bookmarks.FindItem(folder, url)) {
    if (item->Title != title) item->Title = title;
  } else {
    auto added = std::make_unique<TBookmarkItem>();
    added->Url = url;
    added->Title = web.Title().empty() ? url : title;
    added->Description = bookmarks.FileText(web.Url());
    added->AddDate = added->LastVisit = added->LastModified = stamp;
    bookmarks.AddItem(folder, std::move(added));
  }
  const bool written = bookmarks.Write();
  if (!written) hooks.BookmarkError("Cannot create file " + bookmarks.FileName);
  bookmarks.Clear();
  return written;
}

bool RemoveWebBookmark(TBookMarks& bookmarks, const TParam& param, const TWEB& web) {
  bookmarks.SetFileName(param.BookmarkFileName);
  bool written = false;
  if (ReadBookmarksReporting(bookmarks, nullptr) == 0) {
    if (TBookmarkFolder* folder = bookmarks.FindFolder(param.BookmarkFolder)) {
      if (TBookmarkItem* item = bookmarks.FindItem(folder, WebBookmarkUrl(web.Path()))) {
        bookmarks.RemoveItem(folder, item);
        if (folder->Entries.empty()) bookmarks.RemoveFolder(&bookmarks, folder);
        written = bookmarks.Write();
      }
    }
  }
  bookmarks.Clear();
  return written;
}

}  // namespace korvane
