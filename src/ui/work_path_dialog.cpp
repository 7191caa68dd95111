#include "ui/work_path_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/directory_dialog.h"
#include "ui/focus_order.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"

namespace korvane::ui {

TWorkPathDialog::TWorkPathDialog(TFileSystem& fs, std::string proposed, std::string program_folder,
                                 QWidget* parent)
    : QDialog(parent),
      fs_(fs),
      model_(std::move(proposed)),
      program_folder_(std::move(program_folder)) {
  setObjectName(QStringLiteral("WorkPathDlg"));
  setWindowTitle(ToQt(TWorkPathDlg::kCaption));
  model_.Activate();
  edit_ = new QLineEdit(ToQt(model_.WorkPathEdit), this);
  edit_->setObjectName(QStringLiteral("WorkPathEdit"));
  edit_->setMinimumWidth(340);
  auto* label = new QLabel(tr("Working path :"), this);
  label->setBuddy(edit_);
  auto* browse = new QPushButton(tr("&Browse..."), this);
  browse->setAutoDefault(false);
  connect(browse, &QPushButton::clicked, this, [this] {
    if (auto folder = TDirectoryDialog::Choose(this, fs_, TWorkPathDlg::kBrowseCaption,
                                               program_folder_, FromQt(edit_->text()), false)) {
      edit_->setText(ToQt(*folder));
    }
  });
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton(tr("&OK"), QDialogButtonBox::AcceptRole);
  ok->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &TWorkPathDialog::accept);
  auto* row = new QHBoxLayout;
  row->addWidget(edit_, 1);
  row->addWidget(browse);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addLayout(row);
  layout->addWidget(buttons);
  TabButtonsAsLaidOut(buttons);
}

void TWorkPathDialog::accept() {
  model_.WorkPathEdit = FromQt(edit_->text());
  if (model_.TryClose(fs_) == TWorkPathDlg::kAskCreate) {
    const TModalResult answer =
        Ask(this, TWorkPathDlg::kCreateQuestion, TWorkPathDlg::kCreateTitle, mbYes | mbNo);
    if (!model_.AnswerCreate(fs_, answer)) return;
  }
  QDialog::accept();
}

}  // namespace korvane::ui
