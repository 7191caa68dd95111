// The questions the settings and the bookmarks ask, answered with the program's dialogs: the
// first-run dialog, the setup dialog, and the error boxes offering to choose again.
#pragma once

#include <string>

#include "pages/bookmarks.h"
#include "settings/param.h"

class QWidget;

namespace korvane::ui {

class TSettingsDialogsQt final : public TSettingsDialogs {
 public:
  TSettingsDialogsQt(TFileSystem& fs, std::string program_folder, QWidget* parent)
      : fs_(fs), program_folder_(std::move(program_folder)), parent_(parent) {}

  std::string AskWorkPath(const std::string& proposed) override;
  bool EditSettings(TParam& param, int page) override;
  bool AskErrorYesNo(std::string_view kind, std::string_view added_text) override;
  void OpenFailed(const std::string& target, const std::string& reason) override;

 private:
  TFileSystem& fs_;
  std::string program_folder_;
  QWidget* parent_;
};

class TBookmarkHooksQt final : public TBookmarkHooks {
 public:
  TBookmarkHooksQt(TParam& param, QWidget* parent) : param_(param), parent_(parent) {}

  std::optional<std::string> ChooseOtherBookmarkFile(const std::string& message) override;
  void BookmarkError(const std::string& message) override;

 private:
  TParam& param_;
  QWidget* parent_;
};

}  // namespace korvane::ui
