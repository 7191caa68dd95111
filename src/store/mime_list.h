// TMIMELIST is a MIME type table: for each content type, the extension of its local files, its
// class (page, text, picture, sound, video, other) and whether files of that type are captured.
// Each web has one; TGlobalMimeList is the program-wide one kept in "mime.def" in the work
// folder, which seeds new webs and collects the types met in captures.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/binary_stream.h"
#include "base/file_system.h"

namespace korvane {

// Extensions are kept up to 5 characters, so that a font gets ".woff2" and a picture ".webp", as
// browsers need to read them from disk. They are stored whole in the project file's MIME block,
// a short string; a reader that keeps 3 characters reads that file all the same.
inline constexpr std::size_t kMimeExtensionMax = 5;

enum TMimeClass : std::uint8_t {
  mcHtml = 0,
  mcText = 1,
  mcImage = 2,
  mcSound = 3,
  mcVideo = 4,
  mcOther = 5,
};

inline constexpr std::array<std::string_view, 6> MimeClassNames = {"Html",  "Text",  "Image",
                                                                   "Sound", "Video", "Other"};

// The class whose name equals `name` without regard to letter case; Other when none does.
std::uint8_t MimeClassOf(std::string_view name);
// The name of a class; "Other" for a value out of range.
std::string_view MimeClassName(std::uint8_t mime_class);

// A document a page links to, known by its extension when the server names no type the table
// knows ("application/octet-stream", or a type absent from it).
struct TDocumentType {
  std::string_view Extension;  // compared without regard to letter case
  std::string_view ContentType;
  std::uint8_t MimeClass;
};
// The documents kept so: md, markdown, txt, rst, csv, json, xml, yaml, yml, pdf, epub, zip, gz,
// tgz, bz2, xz, tar, 7z. Null for any other extension.
const TDocumentType* DocumentTypeOfExtension(std::string_view extension);

class TMimeItem {
 public:
  std::string ContentType;  // compared without regard to the case of ASCII letters
  std::string Extension;    // at most kMimeExtensionMax characters, without the dot; may be empty
  bool Valid = false;       // files of this type are captured
  std::uint8_t MimeClass = mcOther;

  void SaveToStream(TBinaryWriter& writer) const;
  // `format` 0 has no class byte (the class is Other).
  void LoadfromStream(TBinaryReader& reader, int format);
};

class TMIMELIST {
 public:
  TMIMELIST() = default;
  TMIMELIST(const TMIMELIST&) = delete;
  TMIMELIST& operator=(const TMIMELIST&) = delete;

  int Count() const { return static_cast<int>(items_.size()); }
  void Clear() { items_.clear(); }
  TMimeItem* GetMimeByString(std::string_view content_type) const;
  TMimeItem* GetMimebyIndex(int index) const;
  bool MimeExist(std::string_view content_type) const {
    return GetMimeByString(content_type) != nullptr;
  }
  // Adds the type, or updates its entry when the table has it already.
  void AddMime(std::string_view content_type, std::string_view extension,
               std::string_view class_name, bool valid);
  // Appends, disabled, the types of `other` that this table lacks; returns how many.
  int AddMimeList(const TMIMELIST* other);
  void SetToDefault();
  // Adds, captured, the types today's pages need to show (stylesheets, scripts, fonts, PNG, SVG,
  // WebP, AVIF, icons, MP4, WebM, MP3, Ogg) that the table lacks.
  void AddRequisiteTypes();
  // The same types, every one captured, whether the table had it or not.
  void EnableRequisiteTypes();
  // Applies a comma-separated enable/disable list such as "-all,+html,gif".
  void SetCmdLine(std::string_view text);
  // The names of such a list that SetCmdLine would pass over: neither "all", nor a class, nor
  // the extension of a type of the table.
  std::vector<std::string> UnknownCmdLineNames(std::string_view text) const;
  // What such a list may name, for a help text: "all", the classes, the table's extensions.
  std::string CmdLineNames() const;
  void SetValidClass(std::uint8_t mime_class, bool valid);
  void SetValidAll(bool valid);

  void SaveToStream(TBinaryWriter& writer) const;
  // Clears, then reads a table block of format 0 or 1. A block ending early throws TReadError.
  void LoadFromStream(TBinaryReader& reader);

 private:
  std::vector<std::unique_ptr<TMimeItem>> items_;
};

// The program-wide table and its file "mime.def" in the work folder.
class TGlobalMimeList {
 public:
  enum class TLoadResult {
    kRead,        // read from "mime.def"
    kCreated,     // the file was missing: defaults, and the file written
    kNotWritten,  // the file was missing and could not be written: defaults in memory
    kUnreadable,  // the file is damaged or cannot be read: defaults in memory, file untouched
  };

  TGlobalMimeList(TFileSystem& fs, std::string work_path);

  // At start-up. A file of an earlier version gets the types today's pages need, captured, once.
  TLoadResult Load();
  // After a capture: appends the web's new types, disabled, and rewrites "mime.def" when at least
  // one was added. Returns the number added; `written` tells whether the file was rewritten.
  int Merge(const TMIMELIST& web_table, bool* written = nullptr);
  // Seeds the table of a new web with every entry, in order.
  void CopyTo(TMIMELIST& web_table) const;

  TMIMELIST& List() { return list_; }
  const TMIMELIST& List() const { return list_; }
  std::string FilePath() const;

 private:
  static int ReadRevision(TBinaryReader& reader);
  void Upgrade();
  bool Write();

  TFileSystem& fs_;
  std::string work_path_;
  TMIMELIST list_;
};

}  // namespace korvane
