// TLocalNames turns addresses into local names: the name of the file that holds a captured
// address in the web's folder (MakeLocalFileName), and the short name proposed for a new web
// (DefaultWebName).
//
// A name is taken when a file of that name, in any letter case, is in the folder, or when it was
// handed out and not released: the webs were made on a file system where names that differ only
// in case are the same file, and a name handed out is in use long before its file has that name.
// So that naming thousands of files costs no directory listing per name and no count from 1 per
// name, the folder is listed once and kept as a case-folded set, and the next number tried for
// each base is remembered. Whoever creates or removes other files in the folder reports it
// (FileCreated, FileRemoved), and Reset forgets everything after a wholesale change (a moved web).
//
// Each name also has the record it was given to, so that an address fetched again keeps its
// name and no address ever takes another's.
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

class TWebFile;
class TWebTree;

class TLocalNames {
 public:
  // `folder` is the web's folder, with or without its final separator.
  TLocalNames(TFileSystem& fs, std::string folder);

  // Full path of a file that does not exist yet for `url`, with `extension` (from the MIME
  // table). The name stays taken from now on, whether or not its file exists yet (a body is
  // written under a partial name first, a page is held in memory until rewritten), until
  // FileRemoved releases it: no two addresses in flight ever share a name.
  std::string MakeLocalFileName(std::string_view url, std::string_view extension);

  // The name `record` (known as `url`) is stored under, as a full path: the name it already has
  // when it ends with `extension` and no other record claims it (a file fetched again keeps its
  // name, and its new body replaces the old one whole); else the name it had before the web was
  // started again (Remember), when no record claims that one; else a new name. The name is the
  // record's claim until Release.
  // In the site layout the new name is the address's own path (site_names.h), `content_type`
  // telling whether the address's own extension can stay.
  std::string NameFor(const TWebFile& record, std::string_view url, std::string_view extension,
                      std::string_view content_type = {});
  // New names from now on are made in the site's own folders (true) or flat in the folder.
  void SetSiteLayout(bool site) { site_ = site; }
  // Whether the name returned by the last NameFor was handed out new (not the record's own).
  bool LastNameWasNew() const { return last_was_new_; }
  // The record's file is gone (refused, or not stored): its name is free again. A file of that
  // name still in the folder keeps it the record's.
  void Release(const TWebFile& record);
  // `destroyed` leaves the tree in favour of `replacement` (which may be null): its claim goes to
  // the replacement when that has the same name, else the name stays taken by nobody.
  void RecordReplaced(const TWebFile& destroyed, const TWebFile* replacement);
  // Every record of the tree claims its name, once. A name that two records hold (an alias saved
  // as two records, or a web named by an older program) is nobody's to reuse.
  void ClaimNamesOf(TWebTree& tree);
  // The records of `tree` are about to be destroyed (the web starts again): their names are
  // remembered by address, so that the same addresses, captured again, take the same names.
  void Remember(TWebTree& tree);

  // Files the program creates or removes in the folder by other means. FileCreated keeps a name
  // taken; FileRemoved frees it (and any record's claim on it).
  void FileCreated(std::string_view name);
  void FileRemoved(std::string_view name);
  // Forgets what is known of the folder (not the remembered names); it is listed again at the
  // next name.
  void Reset();

  const std::string& Folder() const { return folder_; }

 private:
  void Load();
  bool Taken(const std::string& folded_name) const;
  std::string Candidate(std::string_view base, std::uint32_t n, std::string_view ext) const;
  std::string SafeExtension(std::string_view extension) const;
  bool Reusable(const std::string& name, std::string_view ext, std::string_view content_type) const;
  std::string MakeSiteFileName(std::string_view url, std::string_view ext,
                               std::string_view content_type);
  bool SiteNameTaken(const std::string& name) const;
  std::string Claim(const TWebFile& record, const std::string& name);

  TFileSystem& fs_;
  std::string folder_;
  bool loaded_ = false;
  // The names in the folder as spelt on disk, and how many of them each case-folded name has (a
  // folder copied from elsewhere may hold "a.htm" and "A.HTM").
  std::unordered_set<std::string> names_;
  std::unordered_map<std::string, std::uint32_t> taken_;
  // Case-folded "base.ext" -> every number below this one gave a taken name when last tried.
  std::unordered_map<std::string, std::uint32_t> next_number_;
  // Case-folded name -> the one record that claims it; null when several do, or when its record
  // was destroyed. Records are only compared, never reached through this map.
  std::unordered_map<std::string, const TWebFile*> owners_;
  // Address -> its name before the web was started again.
  std::unordered_map<std::string, std::string> remembered_;
  // Case-folded folders of the site names handed out: no file may take one of these names.
  std::unordered_set<std::string> site_folders_;
  bool last_was_new_ = false;
  bool site_ = false;
};

}  // namespace korvane
