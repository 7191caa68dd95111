// The web's bookmark in the navigator's bookmark file (the file and folder of the settings).
#pragma once

#include "base/date_time.h"
#include "pages/bookmarks.h"

namespace korvane {

class TParam;
class TWEB;

// Adds the web's bookmark, or renames it after the web's title. True when the file was written.
bool AddWebBookmark(TBookMarks& bookmarks, TParam& param, const TWEB& web, TDateTime now,
                    TBookmarkHooks& hooks);
// Removes the web's bookmark, and its folder when that was its last entry. Silent when the file
// cannot be read; true when the file was written.
bool RemoveWebBookmark(TBookMarks& bookmarks, const TParam& param, const TWEB& web);

}  // namespace korvane
