#include "app/command_line.h"

#include <algorithm>

#include "base/file_system.h"
#include "base/ini_file.h"
#include "base/text_case.h"
#include "engine/recent_webs.h"
#include "html/start_address.h"
#include "store/options.h"
#include "store/web_folder.h"

namespace korvane {

TCommandLine ParseCommandLine(const std::vector<std::string>& args) {
  TCommandLine command;
  for (const std::string& arg : args) {
    // Upper case only to recognise the keywords: the values keep the case they were typed in.
    const std::string key = AnsiUpperCase(arg);
    if (key == "CAPTURE") {
      command.Capture = true;
    } else if (key.find(".WEB") != std::string::npos) {
      command.WebFile = arg;
    } else if (key.find(".INI") != std::string::npos) {
      command.IniFile = arg;
    } else if (key.find("HTTP") != std::string::npos) {
      command.Url = arg;
    }
  }
  return command;
}

namespace {

// `path` as it is spelt on disk when a file of that name in another letter case is there; none
// when there is no such file.
std::optional<std::string> ExistingProjectFile(const TFileSystem& fs, const std::string& path) {
  if (fs.FileExists(path)) return path;
  const std::string folder = WithSeparator(ProjectFolder(path));
  const std::optional<std::string> name =
      FindNameNoCase(fs, folder, path.substr(path.rfind(kPathSeparator) + 1));
  if (!name || !fs.FileExists(folder + *name)) return std::nullopt;
  return folder + *name;
}

// The project file of the web of `url` in `default_path`: an existing one to load, or the one to
// make in a folder that holds no files. Folders are matched without regard to letter case.
std::pair<TStartupPlan::TAction, std::string> ProposedProjectFile(
    const TFileSystem& fs, const std::string& default_path, const std::string& name,
    const std::string& url, const TProjectUrlFn& project_url) {
  const std::string parent = WithSeparator(default_path);
  const std::string project_name = AnsiUpperCase(kProjectFileName);
  for (int n = 1;; ++n) {
    const std::string candidate = n == 1 ? name : name + "-" + std::to_string(n);
    const std::optional<std::string> existing = FindNameNoCase(fs, parent, candidate);
    if (!existing)
      return {TStartupPlan::kCreate, parent + candidate + kPathSeparator + project_name};
    const std::string folder = WithSeparator(parent + *existing);
    if (!fs.DirectoryExists(folder)) continue;
    if (const auto project = ExistingProjectFile(fs, folder + project_name)) {
      const std::optional<std::string> kept = project_url ? project_url(*project) : std::nullopt;
      if (!project_url || (kept && *kept == url)) return {TStartupPlan::kLoad, *project};
    } else if (fs.ListRemovable(folder).empty()) {
      return {TStartupPlan::kCreate, folder + project_name};
    }
  }
}

}  // namespace

TStartupPlan PlanStartup(const TCommandLine& command, const TFileSystem& fs,
                         const std::string& default_path, const TDefaultWebNameFn& default_web_name,
                         const TProjectUrlFn& project_url) {
  TStartupPlan plan;
  if (command.WebFile.empty() && command.Url.empty()) return plan;
  plan.Capture = command.Capture;
  plan.ProjectFile = command.WebFile;
  bool exists = false;
  if (plan.ProjectFile.empty()) {
    const std::string name =
        AnsiUpperCase(default_web_name ? default_web_name(command.Url) : std::string());
    const auto [action, file] =
        ProposedProjectFile(fs, default_path, name, CanonicalAddress(command.Url), project_url);
    plan.ProjectFile = file;
    exists = action == TStartupPlan::kLoad;
    plan.Capture = true;
  } else if (const auto existing = ExistingProjectFile(fs, plan.ProjectFile)) {
    plan.ProjectFile = *existing;
    exists = true;
  }
  if (exists) {
    plan.Action = TStartupPlan::kLoad;
  } else if (!command.Url.empty()) {
    plan.Action = TStartupPlan::kCreate;
    plan.Folder = WithSeparator(ProjectFolder(plan.ProjectFile));
    plan.Url = command.Url;
    if (!command.IniFile.empty() && fs.FileExists(command.IniFile))
      plan.OptionsFile = command.IniFile;
    plan.Capture = true;
  } else {
    plan.Capture = false;
  }
  return plan;
}

std::string ApplyMimeList(std::string_view list, std::string_view where, TMIMELIST& table) {
  const std::vector<std::string> unknown = table.UnknownCmdLineNames(list);
  if (unknown.empty()) {
    table.SetCmdLine(list);
    return {};
  }
  std::string names;
  for (const std::string& name : unknown) names += (names.empty() ? "" : ", ") + name;
  return std::string(where) + ": unknown file type(s) " + names + "; the names are " +
         table.CmdLineNames();
}

std::string ApplyOptionsFile(const TFileSystem& fs, const std::string& path, TOPTIONS& options,
                             TMIMELIST& table) {
  TIniFile ini;
  if (!fs.FileExists(path) || !ini.LoadFromFile(fs, path)) {
    return "cannot read the options file " + path;
  }
  if (std::string problem = TOPTIONS::CheckIni(ini, "OPTIONS", "MIMES"); !problem.empty()) {
    return path + ": " + problem;
  }
  if (ini.HasKey("OPTIONS", "MIMES")) {
    // Applied whole or not at all; the options after it, so that a refusal changes nothing.
    std::string problem =
        ApplyMimeList(ini.ReadString("OPTIONS", "MIMES", ""), path + ": MIMES", table);
    if (!problem.empty()) return problem;
  }
  options.MergeFromIni(ini, "OPTIONS");
  return {};
}

}  // namespace korvane
