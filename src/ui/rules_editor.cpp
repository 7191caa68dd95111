#include "ui/rules_editor.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/qt_text.h"

namespace korvane::ui {
namespace {

QPushButton* Button(const QString& caption, const char* name, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QLatin1String(name));
  return button;
}

}  // namespace

TRulesEditor::TRulesEditor(QWidget* parent) : QGroupBox(tr(" Address rules "), parent) {
  setObjectName(QStringLiteral("AddressRulesGroup"));
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("AddressRulesList"));
  list_->setToolTip(
      tr("The first rule that matches an address decides: + captures it whatever the path and "
         "external web limits say (its depth, file type and size limits still hold), - never "
         "captures it. An address no rule matches is left to the limits; the start address is "
         "always captured."));
  list_->setMinimumHeight(list_->fontMetrics().height() * 5);
  list_->setMaximumHeight(list_->fontMetrics().height() * 9);
  connect(list_, &QListWidget::currentRowChanged, this, &TRulesEditor::RowSelected);
  kind_ = new QComboBox(this);
  kind_->setObjectName(QStringLiteral("RuleKindCombo"));
  kind_->addItems({tr("Include"), tr("Exclude")});
  pattern_ = new QLineEdit(this);
  pattern_->setObjectName(QStringLiteral("RulePatternEdit"));
  pattern_->setPlaceholderText(tr("**/private/**  or  re:\\.zip$"));
  pattern_->setToolTip(
      tr("A pattern on the whole address: * any run of characters but /, ? one character but /, "
         "** any run at all. re: starts a regular expression found anywhere in the address."));
  QPushButton* add = Button(tr("Add"), "RuleAddBut", this);
  change_ = Button(tr("Change"), "RuleChangeBut", this);
  remove_ = Button(tr("Remove"), "RuleRemoveBut", this);
  up_ = Button(tr("Up"), "RuleUpBut", this);
  down_ = Button(tr("Down"), "RuleDownBut", this);
  connect(add, &QPushButton::clicked, this, &TRulesEditor::AddRule);
  connect(pattern_, &QLineEdit::returnPressed, this, &TRulesEditor::AddRule);
  connect(change_, &QPushButton::clicked, this, &TRulesEditor::ChangeRule);
  connect(remove_, &QPushButton::clicked, this, &TRulesEditor::RemoveRule);
  connect(up_, &QPushButton::clicked, this, [this] { Move(true); });
  connect(down_, &QPushButton::clicked, this, [this] { Move(false); });
  error_ = new QLabel(this);
  error_->setObjectName(QStringLiteral("RuleErrorLabel"));
  test_ = new QLineEdit(this);
  test_->setObjectName(QStringLiteral("RuleTestEdit"));
  test_->setPlaceholderText(tr("Test an address: http://..."));
  verdict_ = new QLabel(this);
  verdict_->setObjectName(QStringLiteral("RuleVerdictLabel"));
  connect(test_, &QLineEdit::textChanged, this, &TRulesEditor::ShowVerdict);

  auto* edit_row = new QHBoxLayout;
  edit_row->addWidget(kind_);
  edit_row->addWidget(pattern_, 1);
  edit_row->addWidget(add);
  edit_row->addWidget(change_);
  auto* side = new QVBoxLayout;
  for (QPushButton* b : {remove_, up_, down_}) side->addWidget(b);
  side->addStretch(1);
  auto* layout = new QGridLayout(this);
  layout->addWidget(list_, 0, 0);
  layout->addLayout(side, 0, 1);
  layout->addLayout(edit_row, 1, 0, 1, 2);
  layout->addWidget(error_, 2, 0, 1, 2);
  layout->addWidget(test_, 3, 0, 1, 2);
  layout->addWidget(verdict_, 4, 0, 1, 2);
  ShowRows(-1);
}

void TRulesEditor::Load(const std::vector<std::string>& rules) {
  model_.Load(rules);
  ShowRows(-1);
}

int TRulesEditor::Row() const { return list_->currentRow(); }

void TRulesEditor::AddRule() {
  const std::size_t at = Row() < 0 ? model_.Rows().size() : static_cast<std::size_t>(Row()) + 1;
  if (model_.Insert(at, kind_->currentIndex() == 0, FromQt(pattern_->text()))) {
    pattern_->clear();
    ShowRows(static_cast<int>(std::min(at, model_.Rows().size() - 1)));
    emit Changed();
  } else {
    ShowError();
  }
}

void TRulesEditor::ChangeRule() {
  if (Row() < 0) return;
  if (!model_.Replace(static_cast<std::size_t>(Row()), kind_->currentIndex() == 0,
                      FromQt(pattern_->text()))) {
    return ShowError();
  }
  ShowRows(Row());
  emit Changed();
}

void TRulesEditor::RemoveRule() {
  if (Row() < 0) return;
  model_.Remove(static_cast<std::size_t>(Row()));
  ShowRows(std::min(Row(), static_cast<int>(model_.Rows().size()) - 1));
  emit Changed();
}

void TRulesEditor::Move(bool up) {
  if (Row() < 0) return;
  const auto row = static_cast<std::size_t>(Row());
  const std::size_t moved = up ? model_.MoveUp(row) : model_.MoveDown(row);
  ShowRows(static_cast<int>(moved));
  if (moved != row) emit Changed();
}

void TRulesEditor::UpdateButtons(int row) {
  const bool selected = row >= 0 && static_cast<std::size_t>(row) < model_.Rows().size();
  change_->setEnabled(selected);
  remove_->setEnabled(selected);
  up_->setEnabled(selected && row > 0);
  down_->setEnabled(selected && static_cast<std::size_t>(row) + 1 < model_.Rows().size());
}

void TRulesEditor::ShowError() {
  error_->setText(ToQt(model_.Error()));
  error_->setVisible(!model_.Error().empty());
}

void TRulesEditor::RowSelected(int row) {
  UpdateButtons(row);
  if (row < 0 || static_cast<std::size_t>(row) >= model_.Rows().size()) return;
  const TAddressRule& rule = model_.Rows()[static_cast<std::size_t>(row)];
  kind_->setCurrentIndex(rule.Include ? 0 : 1);
  pattern_->setText(ToQt(rule.Pattern));
}

void TRulesEditor::ShowRows(int selected) {
  const QSignalBlocker blocker(list_);
  list_->clear();
  for (const TAddressRule& rule : model_.Rows()) list_->addItem(ToQt(rule.Text()));
  list_->setCurrentRow(selected);
  UpdateButtons(list_->currentRow());
  ShowError();
  ShowVerdict();
}

void TRulesEditor::ShowVerdict() { verdict_->setText(ToQt(model_.Verdict(FromQt(test_->text())))); }

}  // namespace korvane::ui
