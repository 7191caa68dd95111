#include "ui/directory_dialog.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "base/file_system.h"
#include "ui/focus_order.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"

namespace korvane::ui {
namespace {

// The tree names folders without their final separator (except the root).
std::string WithoutSeparator(std::string folder) {
  while (folder.size() > 1 && folder.back() == kPathSeparator) folder.pop_back();
  return folder;
}

}  // namespace

bool DesktopHasFolderChooser() {
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
  return true;
#else
  const QString platform = QGuiApplication::platformName();
  if (platform != QStringLiteral("xcb") && !platform.startsWith(QStringLiteral("wayland"))) {
    return false;
  }
  // Qt picks its platform theme from these; a bare window manager has none of them.
  return !qEnvironmentVariableIsEmpty("XDG_CURRENT_DESKTOP") ||
         !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORMTHEME") ||
         !qEnvironmentVariableIsEmpty("FLATPAK_ID");
#endif
}

TDirectoryDialog::TDirectoryDialog(TFileSystem& fs, const std::string& caption,
                                   const std::string& program_folder, const std::string& start,
                                   bool offers_new_directory, QWidget* parent)
    : QDialog(parent), fs_(fs), model_(fs, caption, program_folder, start, offers_new_directory) {
  setObjectName(QStringLiteral("DirectoryDlg"));
  setWindowTitle(ToQt(model_.Caption()));
  folders_ = new QFileSystemModel(this);
  folders_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  folders_->setRootPath(QStringLiteral("/"));
  tree_ = new QTreeView(this);
  tree_->setObjectName(QStringLiteral("DirectoryTree"));
  tree_->setModel(folders_);
  for (int column = 1; column < folders_->columnCount(); ++column) tree_->hideColumn(column);
  tree_->setHeaderHidden(true);
  tree_->setMinimumSize(360, 300);
  folder_edit_ = new QLineEdit(this);
  folder_edit_->setObjectName(QStringLiteral("DirectoryEdit"));
  folder_edit_->setReadOnly(true);

  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(tr("&OK"), QDialogButtonBox::AcceptRole);
  buttons->addButton(tr("&Cancel"), QDialogButtonBox::RejectRole);
  if (model_.OffersNewDirectory()) {
    QPushButton* make = buttons->addButton(tr("&New directory"), QDialogButtonBox::ActionRole);
    make->setObjectName(QStringLiteral("NewDirectoryBut"));
    connect(make, &QPushButton::clicked, this, &TDirectoryDialog::NewDirectory);
  }
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          &TDirectoryDialog::Selected);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(folder_edit_);
  layout->addWidget(tree_, 1);
  layout->addWidget(buttons);
  QWidget::setTabOrder(folder_edit_, tree_);
  TabButtonsAsLaidOut(buttons);
  // The tree fills itself folder by folder: the selection is brought into view once its
  // folders are there.
  connect(folders_, &QFileSystemModel::directoryLoaded, this, [this] {
    if (following_) ShowInTree(WithoutSeparator(model_.Folder()));
  });
  connect(tree_, &QTreeView::clicked, this, [this] { following_ = false; });
  SelectInTree(WithoutSeparator(model_.Folder()));
}

void TDirectoryDialog::SelectInTree(const std::string& folder) {
  model_.Select(folder);
  folder_edit_->setText(ToQt(folder));
  following_ = true;
  ShowInTree(folder);
}

void TDirectoryDialog::ShowInTree(const std::string& folder) {
  const QModelIndex index = folders_->index(ToQt(folder));
  if (!index.isValid()) return;
  for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent()) {
    tree_->expand(parent);
  }
  tree_->setCurrentIndex(index);
  tree_->expand(index);
  tree_->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void TDirectoryDialog::Selected() {
  const QString path = folders_->filePath(tree_->currentIndex());
  if (path.isEmpty()) return;
  model_.Select(FromQt(path));
  folder_edit_->setText(path);
}

void TDirectoryDialog::NewDirectory() {
  bool ok = false;
  const QString name = QInputDialog::getText(this, ToQt(TDirectoryDlg::kPromptCaption),
                                             ToQt(TDirectoryDlg::kPromptLabel), QLineEdit::Normal,
                                             ToQt(model_.NewDirectoryProposal()), &ok);
  if (!ok) return;
  if (auto error = model_.NewDirectory(fs_, FromQt(name))) {
    Tell(this, error->Message, error->Title, TBoxIcon::kStop);
    return;
  }
  SelectInTree(WithoutSeparator(model_.Folder()));
}

std::optional<std::string> TDirectoryDialog::Choose(QWidget* parent, TFileSystem& fs,
                                                    const std::string& caption,
                                                    const std::string& program_folder,
                                                    const std::string& start,
                                                    bool offers_new_directory, bool native) {
  if (native && DesktopHasFolderChooser()) {
    const TDirectoryDlg model(fs, caption, program_folder, start, offers_new_directory);
    const QString chosen = QFileDialog::getExistingDirectory(
        parent, ToQt(model.Caption()), ToQt(model.Folder()), QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty()) return std::nullopt;
    return FromQt(chosen);
  }
  TDirectoryDialog dialog(fs, caption, program_folder, start, offers_new_directory, parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Folder();
}

}  // namespace korvane::ui
