#include "app/web_commands.h"

#include <filesystem>

#include "base/checked.h"
#include "base/text_case.h"
#include "html/url.h"

namespace korvane {

TWebForm ShowWeb(const TWEB& web) {
  return ShowWebForm({web.Url(), web.Path(), web.Title(), web.Options()});
}

void StoreWeb(const TWebForm& form, TWEB& web) {
  TWebFields fields{web.Url(), web.Path(), web.Title(), web.Options()};
  StoreWebForm(form, fields);
  web.SetUrl(fields.Url);
  web.SetPath(fields.Path);
  web.SetTitle(fields.Title);
  web.SetOptions(fields.Options);
}

TWebFile* AddUrl(TWEB& web, const std::string& address) {
  try {
    return web.NewLink({0, Resolve(address), ""}, nullptr);
  } catch (const TCounterOverflow&) {
    // A full web takes no more addresses; the command simply adds nothing.
    return nullptr;
  }
}

std::string NewWebFolderRefusal(const TFileSystem& fs, const std::string& folder,
                                const std::string& open_web_folder) {
  const std::string shown = WithSeparator(folder);
  if (!open_web_folder.empty() &&
      SameTextNoCase(
          std::filesystem::path(shown).lexically_normal().string(),
          std::filesystem::path(WithSeparator(open_web_folder)).lexically_normal().string())) {
    return "the folder " + shown + " is the open web's: a new web needs a folder of its own";
  }
  for (const std::string& name : fs.ListFiles(shown)) {
    if (name.size() > 4 && SameTextNoCase(std::string_view(name).substr(name.size() - 4), ".web")) {
      return "the folder " + shown + " already holds the web " + name +
             ": open it, or choose another folder for the new web";
    }
  }
  return {};
}

TMadeWeb MakeWeb(const TNewWebSpec& spec, const TOPTIONS& defaults, const TMIMELIST& mime,
                 TFileSystem& fs) {
  if (std::string refusal = NewWebFolderRefusal(fs, spec.Folder); !refusal.empty()) {
    return {nullptr, std::move(refusal)};
  }
  auto web = std::make_unique<TWEB>(defaults, fs);
  if (!web->Init(spec.Address, spec.Folder, mime)) return {nullptr, web->LoadError()};
  web->SetFileName(spec.ProjectFile);
  web->SetTitle(spec.Title);
  if (!spec.OptionsFile.empty()) {
    std::string problem =
        ApplyOptionsFile(fs, spec.OptionsFile, web->EditOptions(), web->MimeList());
    if (!problem.empty()) return {nullptr, std::move(problem)};
  }
  return {std::move(web), {}};
}

TMadeWeb CreateNewWeb(const TNewForm& form, const TOPTIONS& defaults, const TMIMELIST& mime,
                      TFileSystem& fs) {
  return MakeWeb({form.CanonicalUrl(), form.PathEdit, form.ProjectFile(), form.TitleEdit, {}},
                 defaults, mime, fs);
}

std::string CreateSeparateWeb(const TNewForm& form, const TOPTIONS& defaults, const TMIMELIST& mime,
                              TFileSystem& fs) {
  TMadeWeb made =
      MakeWeb({form.CanonicalUrl(), form.PathEdit, form.SeparateProjectFile(), form.TitleEdit, {}},
              defaults, mime, fs);
  if (!made.Web) return "The web cannot be made: " + made.Error + ".";
  if (made.Web->SaveToFile(made.Web->FileName())) return {};
  return "The web could not be saved to " + made.Web->FileName() + " (" + made.Web->SaveError() +
         ").";
}

TMadeWeb OpenWebFile(const std::string& project_file, const TOPTIONS& defaults, TFileSystem& fs) {
  auto web = std::make_unique<TWEB>(defaults, fs);
  std::string why;
  if (!web->LoadFromFile(project_file)) {
    why = web->LoadError();
  } else if (!web->GetTodoCount()) {
    why = "its counters (" + std::to_string(web->CapturedCount()) + " captured, " +
          std::to_string(web->ErrorCount()) + " errors, " + std::to_string(web->FilteredCount()) +
          " filtered, " + std::to_string(web->NotFoundCount()) + " not found) exceed its " +
          std::to_string(web->GetLinkCount()) + " links: the project file is damaged";
  } else {
    return {std::move(web), {}};
  }
  return {nullptr, "The web " + project_file + " cannot be opened: " + why + "."};
}

TMadeWeb OpenStartupWeb(const TStartupPlan& plan, const TOPTIONS& defaults, const TMIMELIST& mime,
                        TFileSystem& fs) {
  switch (plan.Action) {
    case TStartupPlan::kNothing:
      return {};
    case TStartupPlan::kLoad:
      return OpenWebFile(plan.ProjectFile, defaults, fs);
    case TStartupPlan::kCreate:
      break;
  }
  TMadeWeb made =
      MakeWeb({plan.Url, plan.Folder, plan.ProjectFile, {}, plan.OptionsFile}, defaults, mime, fs);
  if (!made.Web) made.Error = "The web cannot be made: " + made.Error + ".";
  return made;
}

std::optional<std::string> ReadProjectUrl(const std::string& project_file, const TOPTIONS& defaults,
                                          TFileSystem& fs) {
  TWEB web(defaults, fs);
  if (!web.LoadFromFile(project_file)) return std::nullopt;
  return web.Url();
}

std::optional<std::string> ReadProjectTitle(const std::string& project_file,
                                            const TOPTIONS& defaults, TFileSystem& fs) {
  TWEB web(defaults, fs);
  if (!web.LoadFromFile(project_file)) return std::nullopt;
  return web.Title().empty() ? std::nullopt : std::optional<std::string>(web.Title());
}

void TWebMapSource::NewLink(const std::string& page_url, const std::string& link) {
  web_.NewLink({0, link, ""}, web_.Tree().FindAnyWebProtocol(page_url));
}

}  // namespace korvane
