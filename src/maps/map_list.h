// TMAPLIST is a web's list of server-side image maps: one TMapImg per picture marked ISMAP inside
// a link of a captured page. The scan of captured pages fills it, the project file stores it, the
// map editor writes each record's map file, and link rewriting turns that file into a
// client-side map inside the page.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/binary_stream.h"
#include "base/file_system.h"

namespace korvane {

class TWebTree;

struct TMapImg {
  std::string ImageFile;    // local file name of the picture, without folder
  std::string MapFile;      // ImageFile with the extension ".map", in the same folder
  std::string MapUrl;       // the address of the link enclosing the picture, as on the server
  std::string Description;  // the picture's description from the web tree
  std::string PageUrl;      // the page the picture was found in
  std::string Target;       // TARGET of the enclosing link; may be empty
};

class TMAPLIST {
 public:
  TMAPLIST() = default;
  TMAPLIST(const TMAPLIST&) = delete;
  TMAPLIST& operator=(const TMAPLIST&) = delete;

  int Count() const { return static_cast<int>(items_.size()); }
  TMapImg& Item(int i) { return *items_[static_cast<std::size_t>(i)]; }
  const TMapImg& Item(int i) const { return *items_[static_cast<std::size_t>(i)]; }
  void Clear() { items_.clear(); }
  void Add(std::unique_ptr<TMapImg> map) { items_.push_back(std::move(map)); }

  // The last record whose ImageFile equals `file_name` without regard to letter case, or -1.
  int IndexOfImage(std::string_view file_name) const;

  void SaveToStream(TBinaryWriter& writer) const;
  // Clears, then reads a map block of the given project file version (Target from version 20).
  // A block ending early throws TReadError.
  void LoadFromStream(TBinaryReader& reader, int version);

  // Deletes the map file of every record that has one in `web_folder`.
  // Why each map file that could not be deleted stayed.
  [[nodiscard]] std::vector<std::string> DeleteMapFiles(TFileSystem& fs,
                                                        const std::string& web_folder) const;

 private:
  std::vector<std::unique_ptr<TMapImg>> items_;
};

// `image_file` with its extension replaced by ".map".
std::string MapFileName(std::string_view image_file);

// Adds to `maps` the server-side maps of one captured page: pictures marked ISMAP, captured as
// files of the web, that the list does not hold yet. A page missing on disk adds nothing.
void ScanPageForMaps(std::string_view page_url, const std::string& page_file, const TWebTree& tree,
                     TMAPLIST& maps, const TFileSystem& fs);

}  // namespace korvane
