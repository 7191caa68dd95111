#include "app/new_web_model.h"

#include <algorithm>
#include <filesystem>

#include "base/file_system.h"
#include "base/text_case.h"
#include "html/start_address.h"
#include "html/url.h"
#include "store/web_folder.h"

namespace korvane {
namespace {

std::string FullPath(const std::string& path) {
  std::error_code ec;
  const auto full = std::filesystem::absolute(path, ec);
  return ec ? path : full.string();
}

bool IsIpv4Literal(std::string_view host) {
  return !host.empty() && host.find('.') != std::string_view::npos &&
         host.find_first_not_of("0123456789.") == std::string_view::npos;
}

// Whether DefaultWebName takes the name from the host: no directory of the path is longer than
// one character.
bool NamedAfterHost(const TUrl& url) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < url.Path.size(); ++i) {
    if (url.Path[i] != '/' && url.Path[i] != '\\') continue;
    if (i - start > 1) return false;
    start = i + 1;
  }
  return true;
}

// How many numbered folders FreeWebFolder tries before it gives up on a free one.
constexpr int kFolderSuffixMax = 999;

}  // namespace

std::string WebFolderName(std::string_view url) {
  const TUrl parsed(url);
  std::string name = DefaultWebName(url);
  if (!NamedAfterHost(parsed)) return name;
  const std::string& host = parsed.Host;
  if (host.starts_with('[') || IsIpv4Literal(host)) {
    name.clear();
    for (char c : host) {
      if (c == '[' || c == ']') continue;
      name.push_back(c == ':' ? '_' : c);
    }
  }
  const std::int32_t scheme_port = IsSecure(url) ? 443 : 80;
  if (parsed.Port > 0 && parsed.Port != scheme_port) name += "-" + std::to_string(parsed.Port);
  return name;
}

std::string FreeWebFolder(const TFileSystem& fs, const std::string& default_path,
                          const std::string& name) {
  const std::string parent = default_path.empty() ? default_path : WithSeparator(default_path);
  for (int n = 1; n <= kFolderSuffixMax; ++n) {
    const std::string candidate = n == 1 ? name : name + "-" + std::to_string(n);
    const std::optional<std::string> existing = FindNameNoCase(fs, parent, candidate);
    if (!existing) return WithSeparator(parent + candidate);
    const std::string folder = WithSeparator(parent + *existing);
    if (fs.DirectoryExists(folder) && fs.ListRemovable(folder).empty()) return folder;
  }
  // Every name is taken: the first is proposed, and the folder's files are asked about.
  return WithSeparator(parent + name);
}

TNewForm::TNewForm(std::string default_path, TDefaultWebNameFn default_web_name,
                   std::uint8_t options)
    : default_path_(std::move(default_path)),
      default_web_name_(std::move(default_web_name)),
      options_(options) {}

void TNewForm::Activate(const std::optional<TNavigatorPage>& navigator) {
  if (AsksNavigator() && navigator && !navigator->Url.empty() &&
      !HasOtherProtocol(navigator->Url)) {
    UrlEdit = navigator->Url;
    TitleEdit = navigator->Title;
  }
  UpdateCapturePath();
}

void TNewForm::UrlExit() { UpdateCapturePath(); }

void TNewForm::UpdateCapturePath() {
  if (!(options_ & kPathFollowsUrl)) return;
  // Only the proposed folder name is upper-cased: the default folder is a path of a
  // case-sensitive file system and must be kept as the user gave it.
  const std::string name =
      AnsiUpperCase(default_web_name_ ? default_web_name_(UrlEdit) : std::string());
  PathEdit = fs_ ? FreeWebFolder(*fs_, default_path_, name) : WithSeparator(default_path_ + name);
}

void TNewForm::Browsed(const std::string& folder) { PathEdit = WithSeparator(folder); }

bool TNewForm::CanClose(TModalResult result) {
  Refusal.clear();
  Warning.clear();
  if (result == mrCancel) return true;
  const TAddressCheck address = CheckAddress(UrlEdit);
  UrlEdit = address.Address;
  std::string problem = address.Refusal;
  if (problem.empty() && PathEdit.empty()) problem = "the web needs a capture path";
  if (problem.empty()) {
    if (!address.Warning.empty()) Warning = AsSentence(address.Warning);
    return true;
  }
  Refusal = AsSentence(problem);
  return false;
}

std::string TNewForm::CanonicalUrl() const { return CanonicalAddress(UrlEdit); }

std::string TNewForm::ProjectFile() const {
  return FullPath(WithSeparator(PathEdit) + std::string(kProjectFileName));
}

// "Create new Web" names the file in lower case.
std::string TNewForm::SeparateProjectFile() const {
  return WithSeparator(PathEdit) + AnsiLowerCase(kProjectFileName);
}

TNewForm TNewForm::ForLink(std::string default_path, std::string_view link,
                           TDefaultWebNameFn default_web_name) {
  TNewForm form(std::move(default_path), std::move(default_web_name), kPathFollowsUrl);
  form.Caption = "Create new Web";
  form.UrlEdit = Resolve(link);
  return form;
}

std::string TFolderContents::Text() const {
  return "This directory has " + std::to_string(Count) + " files";
}

std::string EmptyNewWebFolder(TFileSystem& fs, const std::string& folder) {
  const std::vector<std::string> failures = DeleteFolderFiles(fs, folder);
  if (failures.empty()) return {};
  std::string text = "Some files of " + folder + " could not be deleted:";
  for (const std::string& failure : failures) text += "\n" + failure;
  return text;
}

TFolderContents ListFolderContents(const TFileSystem& fs, const std::string& folder) {
  return {fs.ListFiles(folder).size()};
}

}  // namespace korvane
