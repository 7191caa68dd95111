#include "ui/resolve_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <limits>

#include "ui/focus_order.h"
#include "ui/gauge_widget.h"
#include "ui/qt_text.h"

namespace korvane::ui {

TResolveDialog::TResolveDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("ResolveForm"));
  setWindowTitle(tr("Resolve links"));
  site_label_ = new QLabel(this);
  site_label_->setObjectName(QStringLiteral("SiteLabel"));
  file_label_ = new QLabel(this);
  file_label_->setObjectName(QStringLiteral("FileLabel"));
  file_label_->setMinimumWidth(290);
  file_label_->setTextFormat(Qt::PlainText);
  gauge_ = new TGaugeWidget(24, this);
  gauge_->setObjectName(QStringLiteral("Gauge"));
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* cancel = buttons->addButton(tr("&Cancel"), QDialogButtonBox::RejectRole);
  cancel->setObjectName(QStringLiteral("Button1"));
  cancel->setDefault(true);
  connect(buttons, &QDialogButtonBox::rejected, this, &TResolveDialog::reject);

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(tr("Domain:"), this), 0, 0);
  grid->addWidget(site_label_, 0, 1);
  grid->addWidget(new QLabel(tr("File:"), this), 1, 0);
  grid->addWidget(file_label_, 1, 1);
  grid->setColumnStretch(1, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(gauge_, 0, Qt::AlignHCenter);
  layout->addWidget(buttons);
  TabButtonsAsLaidOut(buttons);
  setSizeGripEnabled(false);
  step_timer_.setInterval(0);
}

TModalResult TResolveDialog::Run(TResolveLinks& resolver) {
  running_ = &resolver;
  OnCancel = [&resolver] { resolver.Cancel(); };
  connect(&step_timer_, &QTimer::timeout, this, [this] {
    if (running_ && !running_->Step()) {
      step_timer_.stop();
      running_ = nullptr;
      accept();
    }
  });
  step_timer_.start();
  exec();
  step_timer_.stop();
  running_ = nullptr;
  return resolver.Result() == mrNone ? mrCancel : resolver.Result();
}

void TResolveDialog::ShowFor(std::function<void()> cancel) {
  OnCancel = std::move(cancel);
  owned_elsewhere_ = true;
  show();
}

void TResolveDialog::SetPhase(TResolvePhase phase) {
  if (phase == TResolvePhase::kCollecting) site_label_->setText(ToQt(kCollectingSitesText));
}

void TResolveDialog::SetSite(std::string_view site) { site_label_->setText(ToQt(site)); }

void TResolveDialog::SetFile(std::string_view file) { file_label_->setText(ToQt(file)); }

void TResolveDialog::SetGauge(std::int64_t max, std::int64_t progress) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  gauge_->SetMax(std::int32_t(std::min(max, kMax)));
  gauge_->SetProgress(std::int32_t(std::min(progress, kMax)));
}

void TResolveDialog::reject() {
  // The work ends at its next record; the window closes when it has.
  if (OnCancel) OnCancel();
  if (!running_ && !owned_elsewhere_) QDialog::reject();
}

}  // namespace korvane::ui
