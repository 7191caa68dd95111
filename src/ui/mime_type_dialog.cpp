#include "ui/mime_type_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/focus_order.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"

namespace korvane::ui {

TMimeTypeDialog::TMimeTypeDialog(TMimeEntryEditor editor, std::vector<TMimeRow>& rows,
                                 QWidget* parent)
    : QDialog(parent), editor_(std::move(editor)), rows_(rows) {
  setObjectName(QStringLiteral("MimeTypeDlg"));
  setWindowTitle(ToQt(TMimeEntryEditor::kCaption));
  type_name_ = new QLineEdit(ToQt(editor_.TypeName), this);
  type_name_->setObjectName(QStringLiteral("TypeNameEdit"));
  type_name_->setMinimumWidth(240);
  extension_ = new QLineEdit(ToQt(editor_.Extension), this);
  extension_->setObjectName(QStringLiteral("ExtensionEdit"));
  extension_->setMaxLength(3);
  object_type_ = new QComboBox(this);
  object_type_->setObjectName(QStringLiteral("ObjectTypeCB"));
  for (std::string_view name : MimeClassNames) object_type_->addItem(ToQt(name));
  object_type_->setCurrentIndex(editor_.ObjectType);
  auto* action = new QGroupBox(ToQt(TMimeEntryEditor::kActionLabel), this);
  capture_ = new QRadioButton(ToQt(TMimeEntryEditor::kCaptureChoice), action);
  capture_->setObjectName(QStringLiteral("CaptureRadio"));
  auto* no_capture = new QRadioButton(ToQt(TMimeEntryEditor::kNoCaptureChoice), action);
  (editor_.Capture ? capture_ : no_capture)->setChecked(true);
  auto* action_layout = new QHBoxLayout(action);
  action_layout->addWidget(capture_);
  action_layout->addWidget(no_capture);

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton(tr("&OK"), QDialogButtonBox::AcceptRole);
  ok->setObjectName(QStringLiteral("OkBut"));
  ok->setDefault(true);
  buttons->addButton(tr("&Cancel"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &TMimeTypeDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* form = new QFormLayout;
  form->addRow(ToQt(TMimeEntryEditor::kTypeNameLabel), type_name_);
  form->addRow(ToQt(TMimeEntryEditor::kExtensionLabel), extension_);
  form->addRow(ToQt(TMimeEntryEditor::kObjectTypeLabel), object_type_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(action);
  layout->addWidget(buttons);
  TabButtonsAsLaidOut(buttons);
}

void TMimeTypeDialog::accept() {
  editor_.TypeName = FromQt(type_name_->text());
  editor_.Extension = FromQt(extension_->text());
  editor_.ObjectType = std::uint8_t(object_type_->currentIndex());
  editor_.Capture = capture_->isChecked();
  const TMimeEntryEditor::TConfirmResult result = editor_.Confirm(rows_);
  if (!result.accepted) {
    Tell(this, result.message, "Warning", TBoxIcon::kExclamation);
    return;
  }
  QDialog::accept();
}

}  // namespace korvane::ui
