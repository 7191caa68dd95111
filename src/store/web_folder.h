// The layout of a web's folder: the names of the files the program keeps there besides the
// captured ones (the log page, the not-found and bad-link pages, the home page and the indexes,
// the project file), the rule that keeps captured files off those names, and emptying a folder.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

class TFileSystem;

// Spelt as they are written: the folder may be on a file system where letter case matters.
inline constexpr std::string_view kLogFileName = "LogFile.htm";
inline constexpr std::string_view kNotFoundFileName = "NotFound.htm";
inline constexpr std::string_view kBadLinkFileName = "BadLink.htm";
inline constexpr std::string_view kHomePageName = "_Home.htm";
// Each index's first page is its base and ".htm"; the pages after it add hexadecimal digits.
inline constexpr std::string_view kHtmlIndexBase = "_IxH";
inline constexpr std::string_view kImageIndexBase = "_IxI";
inline constexpr std::string_view kOtherIndexBase = "_IxO";
inline constexpr std::string_view kErrorIndexBase = "_IxE";
inline constexpr std::array<std::string_view, 4> kIndexBases = {kHtmlIndexBase, kImageIndexBase,
                                                                kOtherIndexBase, kErrorIndexBase};
// The stylesheet of the home page and the indexes, copied beside them from the templates.
inline constexpr std::string_view kIndexStyleName = "korvane.css";
// The names given to captured files since the web was last saved (see TNameJournal).
inline constexpr std::string_view kNameJournalFileName = "_NewName.lst";
// The project file of a web made in a folder.
inline constexpr std::string_view kProjectFileName = "Local.Web";

// The first page of the index of `base`: "_IxH.htm".
std::string IndexPageName(std::string_view base);

// Whether a file of this name, in any letter case, is one of the folder's own pages, which a
// captured file must never take (nor be overwritten by).
bool IsReservedFileName(std::string_view name);
// Whether it is a page of one of the indexes ("_IxH.htm", "_IxI1F.htm", ...), in any letter case.
bool IsIndexPageName(std::string_view name);

// The full path of the folder's page `name` ("_Home.htm", "_IxH.htm"...) as it is spelt on disk,
// in any letter case: a web made where case does not matter may hold "_HOME.HTM". Empty when the
// folder holds no such file.
std::string FindFolderPage(const TFileSystem& fs, const std::string& folder, std::string_view name);
// The pages the program made in `folder` (the home page, the indexes, the log, their stylesheet,
// the not-found and bad-link pages), as spelt on disk: the files a copy of the web needs besides
// the captured ones.
std::vector<std::string> GeneratedPagesOf(const TFileSystem& fs, const std::string& folder);

// Makes the folders of the web file name `name` (site_names.h) inside `folder`. False, with
// nothing made, when one of them is a symbolic link or a file: a captured file is never written
// anywhere but inside the web's folder.
bool MakeFileFolders(TFileSystem& fs, const std::string& folder, std::string_view name);
// Whether no folder of the web file name `name` inside `folder` is a symbolic link.
bool NoLinkOnTheWay(const TFileSystem& fs, const std::string& folder, std::string_view name);

// Deletes the files `names` of `folder`: each a web file name (others, which a damaged project
// file may hold, are skipped, and so are names below a symbolic link), a symbolic link deleted
// itself, never what it points at; a folder of the site's layout left empty goes too. Names
// with no file are passed over. Returns why each file that stayed could not go.
std::vector<std::string> DeleteFolderFiles(TFileSystem& fs, const std::string& folder,
                                           const std::vector<std::string>& names);
// Empties `folder`: every file and symbolic link directly in it; sub-folders stay.
std::vector<std::string> DeleteFolderFiles(TFileSystem& fs, const std::string& folder);

}  // namespace korvane
