#include "ui/url_verif_dialog.h"

#include <QDialogButtonBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "net/url_verif.h"
#include "ui/focus_order.h"
#include "ui/qt_text.h"

namespace korvane::ui {

TUrlVerifDialog::TUrlVerifDialog(TSocketHub& hub, const std::string& address, QWidget* parent)
    : QDialog(parent), hub_(hub), address_(address) {
  setObjectName(QStringLiteral("UrlVerifDlg"));
  setWindowTitle(tr("Check actual web presence"));
  auto* panel = new QFrame(this);
  panel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  label_ = new QLabel(ToQt(kUrlVerifWaiting), panel);
  label_->setObjectName(QStringLiteral("Label1"));
  label_->setMinimumWidth(320);
  label_->setWordWrap(true);
  auto* panel_layout = new QVBoxLayout(panel);
  panel_layout->addWidget(label_);
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* cancel = buttons->addButton(tr("&Cancel"), QDialogButtonBox::RejectRole);
  cancel->setObjectName(QStringLiteral("Button2"));
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(panel);
  layout->addWidget(buttons);
  TabButtonsAsLaidOut(buttons);
}

TUrlVerifDialog::~TUrlVerifDialog() = default;

QString TUrlVerifDialog::Message() const { return label_->text(); }

void TUrlVerifDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (verif_) return;
  verif_ = std::make_unique<TUrlVerif>(hub_, address_);
  verif_->OnChange = [this] { label_->setText(ToQt(verif_->Caption())); };
  verif_->Start();
  label_->setText(ToQt(verif_->Caption()));
}

void TUrlVerifDialog::done(int result) {
  // Freeing the check aborts a connection still open.
  verif_.reset();
  QDialog::done(result);
}

}  // namespace korvane::ui
