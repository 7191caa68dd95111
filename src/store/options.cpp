#include "store/options.h"

#include <algorithm>
#include <cstdint>
#include <type_traits>

#include "base/ini_file.h"
#include "base/number.h"
#include "base/request_header.h"
#include "base/short_string.h"
#include "base/text_case.h"
#include "store/address_rules.h"

namespace korvane {
namespace {

// The file count limit is stored in a word of the project file, 32767 at most; a web of more
// addresses wants more. A larger limit travels whole in the extension block too, under this key,
// and a reader without the block takes the word: the largest limit it can hold.
constexpr std::string_view kWideFileCountKey = "MaxFileCount";

// The options beyond the original program's, in the order they are stored.
template <class Visitor, class... Options>
void ForEachExtendedOption(Visitor&& visit, Options&... o) {
  visit("PageRequisites", o.PageRequisites...);
  visit("CaFile", o.CaFile...);
  visit("UnsafeNoCertificateCheck", o.UnsafeNoCertificateCheck...);
  visit("LowSpeedLimit", o.LowSpeedLimit...);
  visit("LowSpeedTime", o.LowSpeedTime...);
  visit("Cookies", o.Cookies...);
  visit("SendReferer", o.SendReferer...);
  ForEachPolitenessOption(visit, o.Politeness...);
  visit("SiteLayout", o.SiteLayout...);
  visit("Protocol", o.Protocol...);
  visit("DeleteGone", o.DeleteGone...);
}

// The extended options that are lists, stored one item a key: the list's name and the item's
// number from 1 (Rule1, Rule2...). A list of any length fits so, each item a short string.
template <class Visitor, class... Options>
void ForEachListOption(Visitor&& visit, Options&... o) {
  visit("Rule", o.AddressRules...);
  visit("Header", o.RequestHeaders...);
}

// The number of `key` as an item of the list `name` ("Rule3": 3), or 0 when it is none. One
// spelling per number ("Rule03" is none), so that no two keys are the same item.
std::int32_t ItemNumber(std::string_view key, std::string_view name) {
  if (key.size() <= name.size() || !SameAsciiNoCase(key.substr(0, name.size()), name)) return 0;
  const std::string_view digits = key.substr(name.size());
  if (digits.front() == '0' || digits.size() > 9) return 0;
  if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return 0;
  }
  std::int32_t number = 0;
  return ParseInteger(digits, number) ? number : 0;
}

using TNumberedItems = std::vector<std::pair<std::int32_t, std::string>>;

// The values of numbered items in the order of their numbers; an empty value is no item (so
// that "Rule1=" in an options file empties the list).
std::vector<std::string> InNumberOrder(TNumberedItems items) {
  std::stable_sort(items.begin(), items.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> values;
  for (auto& [number, value] : items) {
    if (!value.empty()) values.push_back(ShortString(value));
  }
  return values;
}

// What is wrong with `value` as an item of the list `name`; empty when nothing.
std::string ItemProblem(std::string_view name, const std::string& value) {
  std::string error;
  if (value.empty()) return error;
  if (name == "Rule") {
    (void)ParseAddressRule(value, error);
  } else {
    (void)ParseRequestHeader(value, error);
  }
  return error;
}

// The list whose item `key` is, or empty.
std::string_view ListOfKey(std::string_view key) {
  std::string_view found;
  TOPTIONS probe;
  ForEachListOption(
      [&](std::string_view name, const auto&) {
        if (ItemNumber(key, name) > 0) found = name;
      },
      probe);
  return found;
}

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
  ForEachExtendedOption(visit, o...);
}

// What each extended option is in a web that predates it: the original behaviour. The low-speed
// limit had none (a trickling server held a slot for ever): older webs take its default too.
TOPTIONS OriginalBehaviour() {
  TOPTIONS o;
  o.PageRequisites = false;
  o.Cookies = false;
  o.SendReferer = false;
  o.Politeness = TPoliteness::Original();
  o.SiteLayout = false;
  o.Protocol = std::string(TOPTIONS::kHttp10);
  return o;
}

// Stored values, written as in the settings file. Every kind of option has its pair, whether or
// not an extended option of that kind exists yet.
std::string ValueText(bool value) { return value ? "1" : "0"; }
[[maybe_unused]] std::string ValueText(std::int32_t value) { return std::to_string(value); }
[[maybe_unused]] std::string ValueText(const std::string& value) { return value; }

void FromText(const std::string& text, bool& value) { value = text == "1"; }
[[maybe_unused]] void FromText(const std::string& text, std::string& value) {
  value = ShortString(text);
}
[[maybe_unused]] void FromText(const std::string& text, std::int32_t& value) {
  // Written by this program; a damaged value reads as 0, as the settings file's reader does.
  value = 0;
  (void)ParseInteger(text, value);
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
  ReadLists(ini, section, fallback);
}

void TOPTIONS::ReadLists(const TIniFile& ini, std::string_view section, const TOPTIONS& fallback) {
  const std::vector<std::string> keys = ini.Keys(section);
  ForEachListOption(
      [&](std::string_view name, auto& list, const auto& otherwise) {
        TNumberedItems items;
        for (const std::string& key : keys) {
          const std::int32_t number = ItemNumber(key, name);
          if (number > 0) items.emplace_back(number, ini.ReadString(section, key, ""));
        }
        list = items.empty() ? otherwise : InNumberOrder(std::move(items));
      },
      *this, fallback);
}

void TOPTIONS::LoadFromIni(const TIniFile& ini, std::string_view section) {
  Read(ini, section, TOPTIONS());
}

bool TOPTIONS::IsOptionKey(std::string_view key) {
  TOPTIONS probe;
  bool found = false;
  ForEachOption(
      [&](std::string_view name, const auto&) { found = found || SameAsciiNoCase(name, key); },
      probe);
  return found || !ListOfKey(key).empty();
}

namespace {

bool IsExtendedOption(std::string_view key) {
  TOPTIONS probe;
  bool found = false;
  ForEachExtendedOption(
      [&](std::string_view name, const auto&) { found = found || SameAsciiNoCase(name, key); },
      probe);
  return found;
}

// What is wrong with `text` as the value of a field like `field`; empty when nothing. The
// original options are stored in 16 bits, the later ones (and the file count limit) in 32.
template <class Field>
std::string ValueProblem(const std::string& text, const Field&, bool wide) {
  std::int32_t number = 0;
  if constexpr (std::is_same_v<Field, bool>) {
    // Read as a number, any other than 0 being on: only what is no number is lost.
    if (ParseInteger(text, number)) return {};
    return "0 or 1 is expected";
  } else if constexpr (std::is_same_v<Field, std::int32_t>) {
    const std::int32_t largest = wide ? INT32_MAX : INT16_MAX;
    if (ParseInteger(text, number) && number >= 0 && number <= largest) return {};
    return "a whole number from 0 to " + std::to_string(largest) + " is expected";
  } else {
    return {};
  }
}

}  // namespace

std::string TOPTIONS::CheckIni(const TIniFile& ini, std::string_view section,
                               std::string_view also_allowed) {
  for (const std::string& key : ini.Keys(section)) {
    if (!also_allowed.empty() && SameAsciiNoCase(key, also_allowed)) continue;
    const std::string value = ini.ReadString(section, key, "");
    if (!IsOptionKey(key)) return key + " is no option key";
    const std::string_view list = ListOfKey(key);
    std::string problem = list.empty() ? std::string() : ItemProblem(list, value);
    TOPTIONS probe;
    ForEachOption(
        [&](std::string_view name, const auto& field) {
          if (SameAsciiNoCase(name, key)) {
            problem =
                ValueProblem(value, field, IsExtendedOption(name) || name == kWideFileCountKey);
          }
        },
        probe);
    if (SameAsciiNoCase(key, "Protocol") && value != kHttp10 && value != kHttp11) {
      problem = "1.0 or 1.1 is expected";
    }
    if (!problem.empty()) return key + "=" + value + ": " + problem;
  }
  return {};
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
  // Items beyond the list's end would otherwise come back at the next read.
  for (const std::string& key : ini.Keys(section)) {
    if (!ListOfKey(key).empty()) ini.DeleteKey(section, key);
  }
  ForEachListOption(
      [&](std::string_view name, const std::vector<std::string>& list) {
        for (std::size_t i = 0; i < list.size(); ++i) {
          ini.WriteString(section, std::string(name) + std::to_string(i + 1), list[i]);
        }
      },
      *this);
}

std::vector<TOPTIONS::TEntry> TOPTIONS::ExtendedEntries() const {
  std::vector<TEntry> entries;
  const TOPTIONS original = OriginalBehaviour();
  ForEachExtendedOption(
      [&](std::string_view key, const auto& field, const auto& before) {
        if (field != before) entries.emplace_back(std::string(key), ValueText(field));
      },
      *this, original);
  if (MaxFileCount > INT16_MAX) {
    entries.emplace_back(std::string(kWideFileCountKey), ValueText(MaxFileCount));
  }
  ForEachListOption(
      [&](std::string_view name, const std::vector<std::string>& list) {
        for (std::size_t i = 0; i < list.size(); ++i) {
          entries.emplace_back(std::string(name) + std::to_string(i + 1), list[i]);
        }
      },
      *this);
  return entries;
}

std::vector<TOPTIONS::TEntry> TOPTIONS::SetExtendedEntries(const std::vector<TEntry>& entries) {
  std::vector<TEntry> unknown = entries;
  const TOPTIONS original = OriginalBehaviour();
  ForEachExtendedOption(
      [&](std::string_view key, auto& field, const auto& before) {
        field = before;
        for (auto it = unknown.begin(); it != unknown.end(); ++it) {
          if (it->first != key) continue;
          FromText(it->second, field);
          unknown.erase(it);
          break;
        }
      },
      *this, original);
  // Only a limit the word cannot hold is taken from the block: the word is the limit otherwise.
  std::erase_if(unknown, [this](const TEntry& entry) {
    if (entry.first != kWideFileCountKey) return false;
    std::int32_t limit = 0;
    if (ParseInteger(entry.second, limit) && limit > INT16_MAX) MaxFileCount = limit;
    return true;
  });
  ForEachListOption(
      [&](std::string_view name, std::vector<std::string>& list) {
        TNumberedItems items;
        std::erase_if(unknown, [&](const TEntry& entry) {
          const std::int32_t number = ItemNumber(entry.first, name);
          if (number > 0) items.emplace_back(number, entry.second);
          return number > 0;
        });
        list = InNumberOrder(std::move(items));
      },
      *this);
  return unknown;
}

void TOPTIONS::Assign(const TOPTIONS& source) {
  const bool keep = CheckDomainMachineFlag;
  *this = source;
  CheckDomainMachineFlag = keep;
}

}  // namespace korvane
