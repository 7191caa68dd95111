#include "store/options.h"

#include <type_traits>

#include "base/ini_file.h"
#include "base/short_string.h"

namespace korvane {
namespace {

// Visits every option with its key, in the order the settings file holds them; with several
// option sets, the same field of each.
template <class Visitor, class... Options>
void ForEachOption(Visitor&& visit, Options&... o) {
  visit("InternalPathLimit", o.InternalPathLimit...);
  visit("ExternalPathLimit", o.ExternalPathLimit...);
  visit("InternalLinkDepth", o.InternalLinkDepth...);
  visit("ExternalWebDepth", o.ExternalWebDepth...);
  visit("ExternalLinkDepth", o.ExternalLinkDepth...);
  visit("RefLimit", o.RefLimit...);
  visit("ListGifFlag", o.ListGifFlag...);
  visit("ListJpegFlag", o.ListJpegFlag...);
  visit("ListAviFlag", o.ListAviFlag...);
  visit("ListWavFlag", o.ListWavFlag...);
  visit("ResolvedUrlFlag", o.ResolvedUrlFlag...);
  visit("ErrorUrlFlag", o.ErrorUrlFlag...);
  visit("TodoUrlFlag", o.TodoUrlFlag...);
  visit("FilteredUrlFlag", o.FilteredUrlFlag...);
  visit("StretchImageFlag", o.StretchImageFlag...);
  visit("RealLinkFlag", o.RealLinkFlag...);
  visit("SuppressLinkFlag", o.SuppressLinkFlag...);
  visit("BackgroundOnlyFlag", o.BackgroundOnlyFlag...);
  visit("MaxFileCount", o.MaxFileCount...);
  visit("MaxFileSize", o.MaxFileSize...);
  visit("MinFileSize", o.MinFileSize...);
  visit("MaxDiskSize", o.MaxDiskSize...);
  visit("MaxTime", o.MaxTime...);
  visit("CheckDomainMachineFlag", o.CheckDomainMachineFlag...);
  visit("Username", o.Username...);
  visit("Password", o.Password...);
}

}  // namespace

void TOPTIONS::Read(const TIniFile& ini, std::string_view section, const TOPTIONS& fallback) {
  ForEachOption(
      [&](std::string_view key, auto& field, const auto& otherwise) {
        using Field = std::remove_cvref_t<decltype(field)>;
        if constexpr (std::is_same_v<Field, bool>) {
          field = ini.ReadBool(section, key, otherwise);
        } else if constexpr (std::is_same_v<Field, std::int32_t>) {
          field = ini.ReadInteger(section, key, otherwise);
        } else {
          field = ShortString(ini.ReadString(section, key, otherwise));
        }
      },
      *this, fallback);
}

void TOPTIONS::LoadFromIni(const TIniFile& ini, std::string_view section) {
  Read(ini, section, TOPTIONS());
}

void TOPTIONS::MergeFromIni(const TIniFile& ini, std::string_view section) {
  const TOPTIONS current = *this;
  Read(ini, section, current);
}

void TOPTIONS::SaveToIni(TIniFile& ini, std::string_view section) const {
  ForEachOption(
      [&](std::string_view key, const auto& field) {
        using Field = std::remove_cvref_t<decltype(field)>;
        if constexpr (std::is_same_v<Field, bool>) {
          ini.WriteBool(section, key, field);
        } else if constexpr (std::is_same_v<Field, std::int32_t>) {
          ini.WriteInteger(section, key, field);
        } else {
          ini.WriteString(section, key, field);
        }
      },
      *this);
}

void TOPTIONS::Assign(const TOPTIONS& source) {
  const bool keep = CheckDomainMachineFlag;
  *this = source;
  CheckDomainMachineFlag = keep;
}

}  // namespace korvane
