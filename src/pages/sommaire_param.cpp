#include "pages/sommaire_param.h"

#include <algorithm>

#include "base/binary_stream.h"
#include "base/ini_file.h"

namespace korvane {

void TSommaireParam::LoadFromIni(const TIniFile& ini, std::string_view section) {
  const TSommaireParam d;
  LigByPage = ini.ReadInteger(section, "LigByPage", d.LigByPage);
  ImgLigByPage = ini.ReadInteger(section, "ImgLigByPage", d.ImgLigByPage);
  ImgColByPage = ini.ReadInteger(section, "ImgColByPage", d.ImgColByPage);
  ImgSize = ini.ReadInteger(section, "ImgSize", d.ImgSize);
  ImgSizeMin = ini.ReadInteger(section, "ImgSizeMin", d.ImgSizeMin);
  ImgRatio = ini.ReadBool(section, "ImgRatio", d.ImgRatio);
}

void TSommaireParam::SaveToIni(TIniFile& ini, std::string_view section) const {
  ini.WriteInteger(section, "LigByPage", LigByPage);
  ini.WriteInteger(section, "ImgLigByPage", ImgLigByPage);
  ini.WriteInteger(section, "ImgColByPage", ImgColByPage);
  ini.WriteInteger(section, "ImgSize", ImgSize);
  ini.WriteInteger(section, "ImgSizeMin", ImgSizeMin);
  ini.WriteBool(section, "ImgRatio", ImgRatio);
}

void TSommaireParam::SaveToStream(TBinaryWriter& out) const {
  // A value typed into the settings file by hand may not fit a word: store the nearest that does.
  for (std::int32_t v : {LigByPage, ImgLigByPage, ImgColByPage, ImgSize, ImgSizeMin}) {
    out.WriteI16(static_cast<std::int16_t>(std::clamp<std::int32_t>(v, INT16_MIN, INT16_MAX)));
  }
  out.WriteBool(ImgRatio);
}

void TSommaireParam::LoadFromStream(TBinaryReader& in) {
  for (std::int32_t* v : {&LigByPage, &ImgLigByPage, &ImgColByPage, &ImgSize, &ImgSizeMin}) {
    *v = in.ReadI16();
  }
  ImgRatio = in.ReadBool();
}

}  // namespace korvane
