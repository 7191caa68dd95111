// TLocalNames turns addresses into local names: the name of the file that holds a captured
// address in the web's folder (MakeLocalFileName), and the short name proposed for a new web
// (DefaultWebName).
//
// A name is taken when a file of that name, in any letter case, is in the folder: the webs were
// made on a file system where names that differ only in case are the same file. So that naming
// thousands of files costs no directory listing per name and no count from 1 per name, the
// folder is listed once and kept as a case-folded set, and the next number tried for each base
// is remembered. The set learns of the names it hands out; whoever creates or removes other files
// in the folder reports it (FileCreated, FileRemoved), and Reset forgets everything after a
// wholesale change (a cleaned or moved web).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "base/file_system.h"

namespace korvane {

// Up to 8 upper-case characters: the last directory of the address longer than one character,
// else the middle label of its host.
std::string DefaultWebName(std::string_view url);

// The base of a local name, before any number: the address's document cut before ".", " " and
// "?", without "=*,+\"", with unportable bytes made "_", at most 8 characters, "INDEX" when empty.
std::string LocalBaseName(std::string_view url);

class TLocalNames {
 public:
  // `folder` is the web's folder, with or without its final separator.
  TLocalNames(TFileSystem& fs, std::string folder);

  // Full path of a file that does not exist yet for `url`, with `extension` (from the MIME
  // table, at most 3 characters). The caller creates the file before naming the next one; a
  // name handed out but not created is free again at the next call.
  std::string MakeLocalFileName(std::string_view url, std::string_view extension);

  // Files the program creates or removes in the folder by other means. A name handed out by
  // MakeLocalFileName whose file will be created later is kept by FileCreated.
  void FileCreated(std::string_view name);
  void FileRemoved(std::string_view name);
  // Forgets what is known of the folder; it is listed again at the next name.
  void Reset();

  const std::string& Folder() const { return folder_; }

 private:
  void Load();
  void CheckPending();
  bool Taken(const std::string& folded_name) const;
  std::string Candidate(std::string_view base, std::uint32_t n, std::string_view ext) const;

  TFileSystem& fs_;
  std::string folder_;
  bool loaded_ = false;
  // The names in the folder as spelt on disk, and how many of them each case-folded name has (a
  // folder copied from elsewhere may hold "a.htm" and "A.HTM").
  std::unordered_set<std::string> names_;
  std::unordered_map<std::string, std::uint32_t> taken_;
  // Case-folded "base.ext" -> every number below this one gave a taken name when last tried.
  std::unordered_map<std::string, std::uint32_t> next_number_;
  std::optional<std::string> pending_;  // the last name handed out, until seen on disk
};

}  // namespace korvane
