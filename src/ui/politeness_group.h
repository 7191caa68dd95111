// TPolitenessGroup: the Options tab's " Politeness " group: robots.txt, connections per host,
// the wait between requests and the rate limit, each with its help as a tool tip. It shows and
// reads a TPolitenessForm; what the values mean is the model's (app/politeness_form.h).
#pragma once

#include <QGroupBox>

#include "app/politeness_form.h"

class QCheckBox;
class QLineEdit;
class QSpinBox;

namespace korvane::ui {

class TPolitenessGroup final : public QGroupBox {
 public:
  explicit TPolitenessGroup(QWidget* parent = nullptr);

  TPolitenessForm Read() const;
  void Show(const TPolitenessForm& form);

 private:
  QCheckBox* robots_ = nullptr;
  QSpinBox* per_host_ = nullptr;
  QSpinBox* wait_ = nullptr;
  QCheckBox* random_wait_ = nullptr;
  QLineEdit* limit_rate_ = nullptr;
};

}  // namespace korvane::ui
