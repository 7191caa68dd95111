#include "base/ini_file.h"

#include <algorithm>

// Values are Windows-1252 bytes: no character conversion. The library's templates are
// instantiated here, in the one file that uses them.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include "base/file_system.h"
#include "base/number.h"

namespace korvane {
namespace {

// A section name without its ']' ends with its line, as the settings files' first readers took
// it; the parser would read on over the next lines, and every save would then add one to the
// file. A section without a name ("[" or "[]") is passed over: the parser keeps it as a section
// that saves as blank lines only, and the file would change from save to save.
void CloseSectionNames(std::string& data) {
  std::string out;
  out.reserve(data.size() + 16);
  for (std::size_t start = 0; start < data.size();) {
    std::size_t end = data.find('\n', start);
    if (end == std::string::npos) end = data.size();
    std::string_view line(data.data() + start, end - start);
    // A byte-order mark is dropped by the parser at the start of the file only; a key that began
    // with one would lose it at the next reading.
    while (line.starts_with("\xEF\xBB\xBF")) line.remove_prefix(3);
    const bool last = end >= data.size();
    start = end + 1;
    const std::size_t first = line.find_first_not_of(" \t");
    if (first != std::string_view::npos && line[first] == '[') {
      const std::size_t close = line.find(']');
      std::string_view name = line.substr(
          first + 1, close == std::string_view::npos ? std::string_view::npos : close - first - 1);
      while (!name.empty() && (name.back() == '\r' || name.back() == ' ' || name.back() == '\t')) {
        name.remove_suffix(1);
      }
      if (name.find_first_not_of(" \t") == std::string_view::npos) continue;
      if (close == std::string_view::npos) {
        out.append(line.substr(0, first + 1)).append(name).push_back(']');
        if (!last) out.push_back('\n');
        continue;
      }
    }
    out.append(line);
    if (!last) out.push_back('\n');
  }
  data = std::move(out);
}

}  // namespace

struct TIniFile::TImpl {
  CSimpleIniA ini{/*a_bIsUtf8=*/false, /*a_bMultiKey=*/false, /*a_bMultiLine=*/false};
};

TIniFile::TIniFile() : impl_(std::make_unique<TImpl>()) {
  impl_->ini.SetSpaces(false);  // "key=value", as every settings file of the program is written
}
TIniFile::~TIniFile() = default;

void TIniFile::LoadFromString(std::string_view text) {
  impl_->ini.Reset();
  // The parser stops at a NUL byte; a damaged file still gives the lines after one.
  std::string data(text);
  std::replace(data.begin(), data.end(), '\0', '\n');
  // A carriage return alone ends a line for the parser too: the same for the check below.
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (data[i] == '\r' && (i + 1 == data.size() || data[i + 1] != '\n')) data[i] = '\n';
  }
  CloseSectionNames(data);
  impl_->ini.LoadData(data.data(), data.size());
}

bool TIniFile::LoadFromFile(const TFileSystem& fs, const std::string& path) {
  impl_->ini.Reset();
  std::optional<std::string> text = fs.ReadFile(path);
  if (!text) return false;
  LoadFromString(*text);
  return true;
}

std::string TIniFile::SaveToString() const {
  std::string out;
  impl_->ini.Save(out, /*a_bAddSignature=*/false);
  return out;
}

bool TIniFile::SaveToFile(TFileSystem& fs, const std::string& path) const {
  return fs.ReplaceFile(path, SaveToString(), {.Durable = true});
}

bool TIniFile::HasKey(std::string_view section, std::string_view key) const {
  return impl_->ini.KeyExists(std::string(section).c_str(), std::string(key).c_str());
}

bool TIniFile::HasSection(std::string_view section) const {
  return impl_->ini.SectionExists(std::string(section).c_str());
}

std::vector<std::string> TIniFile::Keys(std::string_view section) const {
  CSimpleIniA::TNamesDepend keys;
  impl_->ini.GetAllKeys(std::string(section).c_str(), keys);
  keys.sort(CSimpleIniA::Entry::LoadOrder());
  std::vector<std::string> out;
  for (const auto& entry : keys) out.emplace_back(entry.pItem);
  return out;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view fallback) const {
  const char* value =
      impl_->ini.GetValue(std::string(section).c_str(), std::string(key).c_str(), nullptr);
  return value ? std::string(value) : std::string(fallback);
}

std::int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key,
                                   std::int32_t fallback) const {
  std::int32_t value = 0;
  if (!HasKey(section, key) || !ParseInteger(ReadString(section, key, ""), value)) return fallback;
  return value;
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
  return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  impl_->ini.SetValue(std::string(section).c_str(), std::string(key).c_str(),
                      std::string(value).c_str());
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void TIniFile::DeleteKey(std::string_view section, std::string_view key) {
  impl_->ini.Delete(std::string(section).c_str(), std::string(key).c_str());
}

}  // namespace korvane
