#include "app/rules_editor_model.h"

#include <utility>

#include "html/start_address.h"

namespace korvane {

void TRulesEditorModel::Load(const std::vector<std::string>& rules) {
  rows_.clear();
  error_.clear();
  for (const std::string& text : rules) {
    std::string why;
    std::optional<TAddressRule> rule = ParseAddressRule(text, why);
    if (!rule) {
      const bool include = !text.empty() && (text.front() == '+' || text.front() == 'i');
      const std::size_t blank = text.find(' ');
      rule = TAddressRule{include, blank == std::string::npos ? text : text.substr(blank + 1)};
    }
    rows_.push_back(std::move(*rule));
  }
}

std::vector<std::string> TRulesEditorModel::Texts() const {
  std::vector<std::string> texts;
  for (const TAddressRule& rule : rows_) texts.push_back(rule.Text());
  return texts;
}

std::optional<TAddressRule> TRulesEditorModel::Checked(bool include, std::string_view pattern) {
  error_.clear();
  return ParseAddressRule(std::string(include ? "+ " : "- ") + std::string(pattern), error_);
}

bool TRulesEditorModel::Insert(std::size_t at, bool include, std::string_view pattern) {
  std::optional<TAddressRule> rule = Checked(include, pattern);
  if (rule && rows_.size() >= TAddressRules::kMaxRules) {
    error_ = "a web holds " + std::to_string(TAddressRules::kMaxRules) + " rules at most";
    return false;
  }
  if (!rule) return false;
  rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(std::min(at, rows_.size())),
               std::move(*rule));
  return true;
}

bool TRulesEditorModel::Replace(std::size_t row, bool include, std::string_view pattern) {
  if (row >= rows_.size()) return false;
  std::optional<TAddressRule> rule = Checked(include, pattern);
  if (!rule) return false;
  rows_[row] = std::move(*rule);
  return true;
}

void TRulesEditorModel::Remove(std::size_t row) {
  error_.clear();
  if (row < rows_.size()) rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(row));
}

std::size_t TRulesEditorModel::MoveUp(std::size_t row) {
  if (row == 0 || row >= rows_.size()) return row;
  std::swap(rows_[row - 1], rows_[row]);
  return row - 1;
}

std::size_t TRulesEditorModel::MoveDown(std::size_t row) {
  if (row + 1 >= rows_.size()) return row;
  std::swap(rows_[row], rows_[row + 1]);
  return row + 1;
}

std::string TRulesEditorModel::Verdict(std::string_view typed) const {
  const TAddressCheck address = CheckAddress(typed);
  if (address.Address.empty()) return {};
  if (!address.Accepted()) return address.Refusal;
  std::string error;
  const std::optional<TAddressRules> rules = TAddressRules::Compile(Texts(), error);
  if (!rules) return "the rules cannot be used: " + error;
  return rules->Explain(rules->Decide(address.Canonical));
}

}  // namespace korvane
