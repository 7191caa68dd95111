// The main window's commands on the open web (TWEB), built on the window models: ShowWeb and
// StoreWeb between the web and its form record, "&Add URL...", making a web from the New Web
// dialog or from the command line, reading a project's title for the recent-webs menu, and the
// map editor's access to the web. The view calls these where the models' comments say.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/command_line.h"
#include "app/map_edit_model.h"
#include "app/new_web_model.h"
#include "app/web_tab_model.h"
#include "engine/web.h"

namespace korvane {

TWebForm ShowWeb(const TWEB& web);
// The address and the folder go through SetUrl and SetPath.
void StoreWeb(const TWebForm& form, TWEB& web);

// "&Add URL...": the address, made canonical, offered to link admission without a parent page.
// The record, or none when the tree refused it or a counter was full.
TWebFile* AddUrl(TWEB& web, const std::string& address);

// What a new web is made of, whichever front end asks for it.
struct TNewWebSpec {
  std::string Address;      // canonical, with its scheme
  std::string Folder;       // made when missing
  std::string ProjectFile;  // the web's FileName
  std::string Title;
  std::string OptionsFile;  // an options file whose options and MIME selection the web takes
};

// A web made or opened, or none: Error says why when there is none for a reason.
struct TMadeWeb {
  std::unique_ptr<TWEB> Web;
  std::string Error;
};

// Why no new web may be made in `folder`, empty when one may: the folder already holds a web (a
// project file, in any letter case), or it is `open_web_folder`, the folder of the web open in
// the window. A new web is never written over another.
std::string NewWebFolderRefusal(const TFileSystem& fs, const std::string& folder,
                                const std::string& open_web_folder = {});

// The one place a new web is made: initialised on its address and folder with `mime`, named and
// titled. `defaults` must outlive the web. Nothing is written but the folder and its pages, and
// nothing at all in a folder that NewWebFolderRefusal refuses.
TMadeWeb MakeWeb(const TNewWebSpec& spec, const TOPTIONS& defaults, const TMIMELIST& mime,
                 TFileSystem& fs);

// The web made by the New Web dialog: on its address and folder, named after the dialog's
// project file, titled as typed.
TMadeWeb CreateNewWeb(const TNewForm& form, const TOPTIONS& defaults, const TMIMELIST& mime,
                      TFileSystem& fs);
// "Create new Web" on a link of the URL list: a separate web, written to its project file and
// released. Empty when it was written, otherwise why not.
std::string CreateSeparateWeb(const TNewForm& form, const TOPTIONS& defaults, const TMIMELIST& mime,
                              TFileSystem& fs);

// The web of a project file, for the desktop program to open: none, with the reason in a sentence,
// when the file cannot be read or its counters exceed its link count (a damaged file, which
// would show figures that cannot be).
TMadeWeb OpenWebFile(const std::string& project_file, const TOPTIONS& defaults, TFileSystem& fs);

// The web the command line names: loaded, or made on its address (with the options file's
// options and MIME selection); none when there is none (no Error) or it cannot be had (Error).
TMadeWeb OpenStartupWeb(const TStartupPlan& plan, const TOPTIONS& defaults, const TMIMELIST& mime,
                        TFileSystem& fs);

// The start address kept in a project file, none when the file does not load.
std::optional<std::string> ReadProjectUrl(const std::string& project_file, const TOPTIONS& defaults,
                                          TFileSystem& fs);

// The title kept in a project file, none when the file does not load.
std::optional<std::string> ReadProjectTitle(const std::string& project_file,
                                            const TOPTIONS& defaults, TFileSystem& fs);

// The map editor's view of a web: its folder, its maps, and link admission of the zones' links
// as links of the map's page.
class TWebMapSource final : public TMapEditorWeb {
 public:
  explicit TWebMapSource(TWEB& web) : web_(web) {}
  std::string Folder() const override { return web_.Path(); }
  std::vector<TMapChoice> Maps() const override { return MapChoices(web_.MapList()); }
  void NewLink(const std::string& page_url, const std::string& link) override;

 private:
  TWEB& web_;
};

}  // namespace korvane
