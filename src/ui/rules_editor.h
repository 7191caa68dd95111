// TRulesEditor: the Options tab's address rules (TRulesEditorModel): the list in order, a kind
// and a pattern to add or change a rule, buttons to remove and move it, and a box that says which
// rule decides for a typed address.
#pragma once

#include <QGroupBox>
#include <string>
#include <vector>

#include "app/rules_editor_model.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace korvane::ui {

class TRulesEditor : public QGroupBox {
  Q_OBJECT
 public:
  explicit TRulesEditor(QWidget* parent = nullptr);

  void Load(const std::vector<std::string>& rules);
  std::vector<std::string> Texts() const { return model_.Texts(); }

 signals:
  // The rules changed (added, changed, removed or moved): Texts() is what the web keeps now.
  void Changed();

 private:
  void AddRule();
  void ChangeRule();
  void RemoveRule();
  void Move(bool up);
  void RowSelected(int row);
  void UpdateButtons(int row);
  void ShowError();
  // Shows the rows with `selected` current, the last edit's error and the test's answer.
  void ShowRows(int selected);
  void ShowVerdict();
  int Row() const;

  TRulesEditorModel model_;
  QListWidget* list_ = nullptr;
  QComboBox* kind_ = nullptr;
  QLineEdit* pattern_ = nullptr;
  QPushButton* change_ = nullptr;
  QPushButton* remove_ = nullptr;
  QPushButton* up_ = nullptr;
  QPushButton* down_ = nullptr;
  QLabel* error_ = nullptr;
  QLineEdit* test_ = nullptr;
  QLabel* verdict_ = nullptr;
};

}  // namespace korvane::ui
