// TSommaireParam: how the home page and the indexes of a web are laid out (rows per page,
// thumbnail sizes). Part of the global settings.
#pragma once

#include <cstdint>
#include <string_view>

namespace korvane {

class TBinaryReader;
class TBinaryWriter;
class TIniFile;

class TSommaireParam {
 public:
  std::int32_t LigByPage = 10;    // rows per page of the HTML, other-files and error indexes
  std::int32_t ImgLigByPage = 2;  // rows per page of the picture index
  std::int32_t ImgColByPage = 8;  // pictures per row of the picture index
  std::int32_t ImgSize = 64;      // side of a thumbnail's square box, in pixels
  std::int32_t ImgSizeMin = 0;    // smallest picture listed, in pixels; 0 lists all
  bool ImgRatio = false;          // keep the picture's proportions inside the box

  void LoadFromIni(const TIniFile& ini, std::string_view section);
  void SaveToIni(TIniFile& ini, std::string_view section) const;
  void Assign(const TSommaireParam& source) { *this = source; }
  // Five 16-bit words, then one byte for ImgRatio.
  void SaveToStream(TBinaryWriter& out) const;
  void LoadFromStream(TBinaryReader& in);

  bool operator==(const TSommaireParam&) const = default;
};

}  // namespace korvane
