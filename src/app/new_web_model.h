// TNewForm: the New Web dialog as a model, with TdelfileDlg's question about files already in the
// chosen folder. The view binds UrlEdit, PathEdit and TitleEdit, calls Activate when shown (with
// the navigator's answer when AsksNavigator()), UrlExit when the focus leaves the address box and
// Browsed after the folder chooser; it closes only when CanClose(result) is true.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/modal_result.h"
#include "store/local_names.h"

namespace korvane {

class TFileSystem;

// The folder name a new web gets from its address.
using TDefaultWebNameFn = std::function<std::string(std::string_view url)>;

// The folder name proposed for a web of `url`: the web tree's rule (DefaultWebName), except that
// a host given as an IP address keeps the whole address, and a port that is not the scheme's
// follows a name made from the host ("127.0.0.1-8080", "LOCALHOS-8081"): otherwise every web of
// one machine, or of one dotted address, is proposed the same folder.
std::string WebFolderName(std::string_view url);

// The folder proposed in `default_path` for a web named `name` (ending with a separator): the
// folder of that name, spelt as on disk when one exists in another letter case, unless it holds
// files; else the first of name-2, name-3, ... that holds none. A proposed folder never holds
// another web.
std::string FreeWebFolder(const TFileSystem& fs, const std::string& default_path,
                          const std::string& name);

struct TNavigatorPage {
  std::string Url;
  std::string Title;
};

class TNewForm {
 public:
  enum TOption : std::uint8_t {
    kUrlReadOnly = 1,
    kCaptureEnabled = 2,  // "Create &and Capture" is offered
    kPathFollowsUrl = 4,  // the capture path is made from the address
    kAskNavigator = 8,    // the navigator's page is proposed on activation
  };
  static constexpr std::uint8_t kDefaultOptions = kCaptureEnabled | kPathFollowsUrl | kAskNavigator;

  // `default_path` is the settings' default capture folder (ending with a separator).
  TNewForm(std::string default_path, TDefaultWebNameFn default_web_name = WebFolderName,
           std::uint8_t options = kDefaultOptions);

  // The disk the proposed folder is checked against (FreeWebFolder); without one the name is
  // proposed as it is.
  void SetFileSystem(const TFileSystem* fs) { fs_ = fs; }

  std::string Caption = "New Web";
  std::string UrlEdit;
  std::string PathEdit;
  std::string TitleEdit;

  bool AsksNavigator() const { return options_ & kAskNavigator; }
  // `navigator`: the navigator's page when it answered.
  void Activate(const std::optional<TNavigatorPage>& navigator);
  void UrlExit();
  // The folder chooser ("Select new capture path") returned `folder`.
  void Browsed(const std::string& folder);
  bool CaptureButtonEnabled() const { return options_ & kCaptureEnabled; }
  bool UrlReadOnly() const { return options_ & kUrlReadOnly; }
  static constexpr const char* kBrowseCaption = "Select new capture path";

  // Cancel always closes; "&Create" (mrOk) and "Create &and Capture" (mrYes) need a path and a
  // start address that can be captured (CheckAddress). An address without a scheme is completed
  // with "http://" (the view shows UrlEdit again); on false, Refusal says what is wrong. On true,
  // Warning holds what the view tells the user before it closes, when there is something to say.
  bool CanClose(TModalResult result);
  std::string Refusal;
  std::string Warning;

  std::string CanonicalUrl() const;
  // The project file of a web made with "&New...": the folder followed by "Local.Web", as a full
  // path.
  std::string ProjectFile() const;
  // The project file of a web made with "Create new Web" from the URL list.
  std::string SeparateProjectFile() const;

  // The dialog as the URL list's "Create new Web" opens it on a link not captured.
  static TNewForm ForLink(std::string default_path, std::string_view link,
                          TDefaultWebNameFn default_web_name = WebFolderName);

 private:
  void UpdateCapturePath();

  std::string default_path_;
  TDefaultWebNameFn default_web_name_;
  std::uint8_t options_;
  const TFileSystem* fs_ = nullptr;
};

// TdelfileDlg: what a folder already holds before a new web is made in it.
struct TFolderContents {
  std::size_t Count = 0;
  bool Empty() const { return Count == 0; }
  // "This directory has N files".
  std::string Text() const;
  static constexpr const char* kCaption = "Create new web";
  static constexpr const char* kQuestion = "Delete files?";
};

// The files of `folder` (sub-folders are neither counted nor touched). "&Delete" empties it with
// DeleteFolderFiles (store/web_folder.h).
TFolderContents ListFolderContents(const TFileSystem& fs, const std::string& folder);
// Deletes the files already in a new web's folder, once the user said so: empty when all went,
// otherwise the words of the box that lists each that stayed with its reason.
std::string EmptyNewWebFolder(TFileSystem& fs, const std::string& folder);

}  // namespace korvane
