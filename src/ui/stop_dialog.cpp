#include "ui/stop_dialog.h"

#include "ui/focus_order.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvane::ui {

TStopDialog::TStopDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("StopDlg"));
  setWindowTitle(tr("Stop capture"));
  complete_ = new QCheckBox(tr("Complete captures in progress"), this);
  complete_->setObjectName(QStringLiteral("CompleteCheck"));
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton(tr("&OK"), QDialogButtonBox::AcceptRole);
  ok->setObjectName(QStringLiteral("OkBut"));
  ok->setDefault(true);
  buttons->addButton(tr("&Cancel"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(complete_);
  layout->addWidget(buttons);
  TabButtonsAsLaidOut(buttons);
  setMinimumWidth(300);
}

bool TStopDialog::CompleteInProgress() const { return complete_->isChecked(); }

}  // namespace korvane::ui
