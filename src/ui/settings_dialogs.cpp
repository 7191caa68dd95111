#include "ui/settings_dialogs.h"

#include "app/error_box_model.h"
#include "ui/message_box.h"
#include "ui/setup_dialog.h"
#include "ui/work_path_dialog.h"

namespace korvane::ui {

std::string TSettingsDialogsQt::AskWorkPath(const std::string& proposed) {
  TWorkPathDialog dialog(fs_, proposed, program_folder_, parent_);
  dialog.exec();
  return dialog.WorkPath();
}

bool TSettingsDialogsQt::EditSettings(TParam& param, int page) {
  TSetupDialog dialog(param, fs_, program_folder_, parent_);
  dialog.ShowPage(page);
  return dialog.exec() == QDialog::Accepted;
}

bool TSettingsDialogsQt::AskErrorYesNo(std::string_view kind, std::string_view added_text) {
  const TErrorKind error =
      kind == kCannotOpenBookmarkFile ? TErrorKind::kBookmarkFile : TErrorKind::kBrowser;
  return ShowMessageBox(parent_, ErrorBox(error, added_text, mbYes | mbNo)) == mrYes;
}

void TSettingsDialogsQt::OpenFailed(const std::string& target, const std::string& reason) {
  Tell(parent_, "Cannot open " + target + " in the browser.\n" + reason, "Error", TBoxIcon::kStop);
}

std::optional<std::string> TBookmarkHooksQt::ChooseOtherBookmarkFile(const std::string&) {
  const TMessageBoxContent box =
      ErrorBox(TErrorKind::kBookmarkFile, kCreateOrChooseBookmarkFile, mbYes | mbNo);
  if (ShowMessageBox(parent_, box) != mrYes) return std::nullopt;
  if (!param_.EditSettings(3)) return std::nullopt;
  return param_.BookmarkFileName;
}

void TBookmarkHooksQt::BookmarkError(const std::string& message) {
  Tell(parent_, message, "Error", TBoxIcon::kStop);
}

}  // namespace korvane::ui
