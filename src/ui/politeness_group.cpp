#include "ui/politeness_group.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

#include "ui/qt_text.h"

namespace korvane::ui {
namespace {

QSpinBox* Spin(const char* name, int most, const char* help, QWidget* parent) {
  auto* spin = new QSpinBox(parent);
  spin->setObjectName(QLatin1String(name));
  spin->setRange(0, most);
  spin->setToolTip(QString::fromUtf8(help));
  spin->setMaximumWidth(90);
  return spin;
}

QCheckBox* Box(const QString& caption, const char* name, const char* help, QWidget* parent) {
  auto* box = new QCheckBox(caption, parent);
  box->setObjectName(QLatin1String(name));
  box->setToolTip(QString::fromUtf8(help));
  return box;
}

}  // namespace

TPolitenessGroup::TPolitenessGroup(QWidget* parent) : QGroupBox(tr(" Politeness "), parent) {
  setObjectName(QStringLiteral("PolitenessGroup"));
  const TPolitenessHelp& help = PolitenessHelp();
  robots_ = Box(tr(" Keep to robots.txt."), "RobotsCheck", help.Robots, this);
  per_host_ = Spin("PerHostEdit", kMaxPerHost, help.PerHost, this);
  wait_ = Spin("WaitEdit", kMaxWaitSecs, help.Wait, this);
  random_wait_ = Box(tr(" Random"), "RandomWaitCheck", help.RandomWait, this);
  limit_rate_ = new QLineEdit(this);
  limit_rate_->setObjectName(QStringLiteral("LimitRateEdit"));
  limit_rate_->setValidator(new QIntValidator(0, 2147483647, limit_rate_));
  limit_rate_->setMaximumWidth(90);
  limit_rate_->setToolTip(QString::fromUtf8(help.LimitRate));

  auto* wait_row = new QHBoxLayout;
  wait_row->addWidget(wait_);
  wait_row->addWidget(new QLabel(tr("seconds"), this));
  wait_row->addWidget(random_wait_);
  wait_row->addStretch(1);
  auto* rate_row = new QHBoxLayout;
  rate_row->addWidget(limit_rate_);
  rate_row->addWidget(new QLabel(tr("bytes/s"), this));
  rate_row->addStretch(1);
  auto* form = new QFormLayout(this);
  form->addRow(robots_);
  form->addRow(tr("Connections per host:"), per_host_);
  form->addRow(tr("Wait:"), wait_row);
  form->addRow(tr("Rate limit:"), rate_row);
}

TPolitenessForm TPolitenessGroup::Read() const {
  TPolitenessForm f;
  f.RobotsCheck = robots_->isChecked();
  f.PerHostEdit = std::to_string(per_host_->value());
  f.WaitEdit = std::to_string(wait_->value());
  f.RandomWaitCheck = random_wait_->isChecked();
  f.LimitRateEdit = FromQt(limit_rate_->text());
  return f;
}

void TPolitenessGroup::Show(const TPolitenessForm& f) {
  robots_->setChecked(f.RobotsCheck);
  per_host_->setValue(std::atoi(f.PerHostEdit.c_str()));
  wait_->setValue(std::atoi(f.WaitEdit.c_str()));
  random_wait_->setChecked(f.RandomWaitCheck);
  limit_rate_->setText(ToQt(f.LimitRateEdit));
}

}  // namespace korvane::ui
