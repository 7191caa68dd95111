// TMimeTypeDialog: "Create/Change  MIME-Type", the entry editor of the MIME grid over
// TMimeEntryEditor.
#pragma once

#include <QDialog>
#include <vector>

#include "app/mime_type_model.h"

class QComboBox;
class QLineEdit;
class QRadioButton;

namespace korvane::ui {

class TMimeTypeDialog : public QDialog {
  Q_OBJECT
 public:
  // Stores into `rows` on OK; the rows must outlive the dialog.
  TMimeTypeDialog(TMimeEntryEditor editor, std::vector<TMimeRow>& rows, QWidget* parent);

 public:
  void accept() override;

 private:
  TMimeEntryEditor editor_;
  std::vector<TMimeRow>& rows_;
  QLineEdit* type_name_;
  QLineEdit* extension_;
  QComboBox* object_type_;
  QRadioButton* capture_;
};

}  // namespace korvane::ui
