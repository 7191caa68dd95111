#include "app/command_line.h"

#include <algorithm>

#include "base/file_system.h"
#include "base/ini_file.h"
#include "base/text_case.h"
#include "engine/recent_webs.h"
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

TStartupPlan PlanStartup(const TCommandLine& command, const TFileSystem& fs,
                         const std::string& default_path,
                         const TDefaultWebNameFn& default_web_name) {
  TStartupPlan plan;
  if (command.WebFile.empty() && command.Url.empty()) return plan;
  plan.Capture = command.Capture;
  plan.ProjectFile = command.WebFile;
  if (plan.ProjectFile.empty()) {
    const std::string name = default_web_name ? default_web_name(command.Url) : std::string();
    plan.ProjectFile = WithSeparator(default_path) + AnsiUpperCase(name) + kPathSeparator +
                       AnsiUpperCase(kProjectFileName);
    plan.Capture = true;
  }
  if (fs.FileExists(plan.ProjectFile)) {
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
