// Settings files ("korvane.ini", the profile, options files): sections and keys compare without
// regard to case, values are bytes. Keys keep the order they were first written in, and keys the
// program does not know survive a load and save.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

class TFileSystem;

class TIniFile {
 public:
  TIniFile();
  ~TIniFile();
  TIniFile(const TIniFile&) = delete;
  TIniFile& operator=(const TIniFile&) = delete;

  // Replaces the contents by the parsed text. Whatever cannot be read as a section or a key is
  // ignored, so a damaged file gives what it still holds.
  void LoadFromString(std::string_view text);
  // Loads `path`; false (and empty contents) when it cannot be read.
  bool LoadFromFile(const TFileSystem& fs, const std::string& path);
  std::string SaveToString() const;
  // Writes a temporary file beside `path`, then renames it over `path`, so a failed save leaves
  // the previous file whole.
  [[nodiscard]] bool SaveToFile(TFileSystem& fs, const std::string& path) const;

  bool HasKey(std::string_view section, std::string_view key) const;
  bool HasSection(std::string_view section) const;
  std::vector<std::string> Keys(std::string_view section) const;

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback) const;
  // A decimal number; `fallback` when the key is absent or its value is not a number.
  std::int32_t ReadInteger(std::string_view section, std::string_view key,
                           std::int32_t fallback) const;
  // Any number other than 0 is true; `fallback` when absent or not a number.
  bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;

  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);
  void DeleteKey(std::string_view section, std::string_view key);

 private:
  struct TImpl;
  std::unique_ptr<TImpl> impl_;
};

}  // namespace korvane
