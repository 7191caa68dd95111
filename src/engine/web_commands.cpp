#include "engine/web_commands.h"

#include "base/checked.h"
#include "html/url.h"

namespace korvane {

TWebForm ShowWeb(const TWEB& web) {
  return ShowWebForm({web.Url, web.Path, web.Title, web.Options});
}

void StoreWeb(const TWebForm& form, TWEB& web) {
  TWebFields fields{web.Url, web.Path, web.Title, web.Options};
  StoreWebForm(form, fields);
  web.SetUrl(fields.Url);
  web.SetPath(fields.Path);
  web.Title = fields.Title;
  web.Options = fields.Options;
}

TWebFile* AddUrl(TWEB& web, const std::string& address) {
  try {
    return web.NewLink({0, Resolve(address), ""}, nullptr);
  } catch (const TCounterOverflow&) {
    // A full web takes no more addresses; the command simply adds nothing.
    return nullptr;
  }
}

std::unique_ptr<TWEB> CreateNewWeb(const TNewForm& form, const TOPTIONS& defaults,
                                   const TMIMELIST& mime, TFileSystem& fs) {
  auto web = std::make_unique<TWEB>(defaults, fs);
  if (!web->Init(form.CanonicalUrl(), form.PathEdit, mime)) return nullptr;
  web->FileName = form.ProjectFile();
  web->Title = form.TitleEdit;
  return web;
}

bool CreateSeparateWeb(const TNewForm& form, const TOPTIONS& defaults, const TMIMELIST& mime,
                       TFileSystem& fs) {
  TWEB web(defaults, fs);
  if (!web.Init(form.CanonicalUrl(), form.PathEdit, mime)) return false;
  web.FileName = form.SeparateProjectFile();
  web.Title = form.TitleEdit;
  return web.SaveToFile(web.FileName);
}

std::unique_ptr<TWEB> OpenStartupWeb(const TStartupPlan& plan, const TOPTIONS& defaults,
                                     const TMIMELIST& mime, TFileSystem& fs) {
  auto web = std::make_unique<TWEB>(defaults, fs);
  switch (plan.Action) {
    case TStartupPlan::kNothing:
      return nullptr;
    case TStartupPlan::kLoad:
      return web->LoadFromFile(plan.ProjectFile) ? std::move(web) : nullptr;
    case TStartupPlan::kCreate:
      break;
  }
  if (!web->Init(plan.Url, plan.Folder, mime)) return nullptr;
  web->FileName = plan.ProjectFile;
  web->Title.clear();
  if (!plan.OptionsFile.empty()) {
    const std::string mimes = ReadOptionsFile(fs, plan.OptionsFile, web->Options);
    if (!mimes.empty()) web->MimeList.SetCmdLine(mimes);
  }
  return web;
}

std::optional<std::string> ReadProjectTitle(const std::string& project_file,
                                            const TOPTIONS& defaults, TFileSystem& fs) {
  TWEB web(defaults, fs);
  if (!web.LoadFromFile(project_file)) return std::nullopt;
  return web.Title.empty() ? std::nullopt : std::optional<std::string>(web.Title);
}

void TWebMapSource::NewLink(const std::string& page_url, const std::string& link) {
  web_.NewLink({0, link, ""}, web_.Tree.FindAnyWebProtocol(page_url));
}

}  // namespace korvane
