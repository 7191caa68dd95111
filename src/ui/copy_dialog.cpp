#include "ui/copy_dialog.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

#include "base/text_case.h"
#include "ui/gauge_widget.h"
#include "ui/qt_text.h"

namespace korvane::ui {

TCopyDialog::TCopyDialog(const std::string& caption, const std::string& source,
                         const std::string& destination, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("CopyDlg"));
  setWindowTitle(ToQt(caption));
  auto* src = new QLabel(ToQt(AnsiLowerCase(source)), this);
  src->setObjectName(QStringLiteral("SrcWeb"));
  auto* dest = new QLabel(ToQt(AnsiLowerCase(destination)), this);
  dest->setObjectName(QStringLiteral("DestWeb"));
  gauge_ = new TGaugeWidget(30, this);
  gauge_->setObjectName(QStringLiteral("Gauge"));
  file_name_ = new QLineEdit(this);
  file_name_->setObjectName(QStringLiteral("FileNameEdit"));
  file_name_->setReadOnly(true);
  auto* layout = new QFormLayout(this);
  layout->addRow(tr("Copy from:"), src);
  layout->addRow(tr("To:"), dest);
  layout->addRow(gauge_);
  layout->addRow(tr("Files used:"), file_name_);
}

void TCopyDialog::Start(std::int32_t max_value) {
  gauge_->Model().SetMinValue(0);
  gauge_->SetMax(max_value);
  gauge_->SetProgress(0);
  gauge_->repaint();
}

void TCopyDialog::FileCopied(const std::string& name) {
  file_name_->setText(ToQt(name));
  gauge_->SetProgress(gauge_->Progress() + 1);
  file_name_->repaint();
  gauge_->repaint();
}

}  // namespace korvane::ui
