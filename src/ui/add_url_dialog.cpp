#include "ui/add_url_dialog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "settings/param.h"
#include "ui/focus_order.h"
#include "ui/qt_text.h"
#include "ui/url_verif_dialog.h"

namespace korvane::ui {

TAddUrlDialog::TAddUrlDialog(TAddUrlDlg model, TParam& param, TSocketHub& hub, QWidget* parent)
    : QDialog(parent), model_(std::move(model)), param_(param), hub_(hub) {
  setObjectName(QStringLiteral("AddUrlDlg"));
  setWindowTitle(ToQt(model_.Caption));
  url_edit_ = new QLineEdit(ToQt(model_.UrlEdit), this);
  url_edit_->setObjectName(QStringLiteral("UrlEdit"));
  url_edit_->setMinimumWidth(380);
  auto* check = new QPushButton(tr("C&heck..."), this);
  check->setAutoDefault(false);
  auto* nav_url = new QPushButton(tr("Navigator's URL"), this);
  nav_url->setAutoDefault(false);
  auto* nav_domain = new QPushButton(tr("Navigator's current domain"), this);
  nav_domain->setAutoDefault(false);
  nav_url->setObjectName(QStringLiteral("NavUrlBut"));
  nav_domain->setObjectName(QStringLiteral("NavDomainBut"));
  auto* box = new QGroupBox(tr(" Internet address"), this);
  auto* box_layout = new QVBoxLayout(box);
  auto* row = new QHBoxLayout;
  row->addWidget(url_edit_, 1);
  row->addWidget(check);
  box_layout->addLayout(row);
  auto* nav_row = new QHBoxLayout;
  nav_row->addWidget(nav_url);
  nav_row->addWidget(nav_domain);
  nav_row->addStretch(1);
  box_layout->addLayout(nav_row);

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton(tr("&OK"), QDialogButtonBox::AcceptRole);
  ok->setObjectName(QStringLiteral("OkBut"));
  ok->setDefault(true);
  buttons->addButton(tr("&Cancel"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &TAddUrlDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(check, &QPushButton::clicked, this,
          [this] { TUrlVerifDialog(hub_, Text(), this).exec(); });
  connect(nav_url, &QPushButton::clicked, this, [this] { FromNavigator(false); });
  connect(nav_domain, &QPushButton::clicked, this, [this] { FromNavigator(true); });

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(box);
  layout->addWidget(buttons);
  TabButtonsAsLaidOut(buttons);
  // Where no running navigator can be asked for its page the two buttons could only do nothing.
  nav_url->setVisible(param_.CanReadNavigatorPage());
  nav_domain->setVisible(param_.CanReadNavigatorPage());
}

std::string TAddUrlDialog::Text() const { return FromQt(url_edit_->text()); }

void TAddUrlDialog::FromNavigator(bool domain_only) {
  std::string url, title;
  if (!param_.GetNavigatorWindowInfo(url, 255, title, 255)) return;
  Read();
  if (domain_only) {
    model_.NavigatorDomain(url);
  } else {
    model_.NavigatorUrl(url);
  }
  url_edit_->setText(ToQt(model_.UrlEdit));
}

void TAddUrlDialog::accept() {
  Read();
  const bool can_close = model_.CanClose(mrOk);
  url_edit_->setText(ToQt(model_.UrlEdit));  // completed with its scheme
  if (!can_close) {
    QMessageBox box(QMessageBox::Warning, ToQt(model_.Caption), ToQt(model_.Refusal),
                    QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("RefusalBox"));
    box.exec();
    return;
  }
  if (!AddressWarningAccepted(this, model_.Caption, model_.Warning)) return;
  QDialog::accept();
}

bool AddressWarningAccepted(QWidget* parent, const std::string& caption,
                            const std::string& warning) {
  if (warning.empty()) return true;
  QMessageBox box(QMessageBox::Warning, ToQt(caption), ToQt(warning),
                  QMessageBox::Ok | QMessageBox::Cancel, parent);
  box.setObjectName(QStringLiteral("AddressWarningBox"));
  box.setDefaultButton(QMessageBox::Ok);
  return box.exec() == QMessageBox::Ok;
}

}  // namespace korvane::ui
