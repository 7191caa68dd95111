// TDirectoryDialog: the folder chooser over TDirectoryDlg: a folder tree, a read-only box with
// the selected folder, "&OK", "&Cancel" and, when offered, "&New directory".
#pragma once

#include <QDialog>
#include <optional>
#include <string>

#include "app/directory_model.h"

class QFileSystemModel;
class QLineEdit;
class QTreeView;

namespace korvane::ui {

// Whether the platform theme brings a folder dialog of its own (Windows, macOS, a Linux desktop
// with its Qt theme or portal); without one Qt would only show its own widgets.
bool DesktopHasFolderChooser();

class TDirectoryDialog : public QDialog {
  Q_OBJECT
 public:
  TDirectoryDialog(TFileSystem& fs, const std::string& caption, const std::string& program_folder,
                   const std::string& start, bool offers_new_directory, QWidget* parent);

  // The folder selected (without a final separator).
  const std::string& Folder() const { return model_.Folder(); }
  // Runs the chooser (the desktop's own when `native` and it has one); the folder chosen, none
  // when cancelled.
  static std::optional<std::string> Choose(QWidget* parent, TFileSystem& fs,
                                           const std::string& caption,
                                           const std::string& program_folder,
                                           const std::string& start,
                                           bool offers_new_directory = true, bool native = true);

 private:
  void SelectInTree(const std::string& folder);
  // Expands the tree down to `folder`: again as each of its folders is read, until the user
  // moves in the tree.
  void ShowInTree(const std::string& folder);
  void Selected();
  void NewDirectory();

  TFileSystem& fs_;
  TDirectoryDlg model_;
  QFileSystemModel* folders_;
  QTreeView* tree_;
  QLineEdit* folder_edit_;
  bool following_ = true;
};

}  // namespace korvane::ui
