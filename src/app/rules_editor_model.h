// The address rules editor of the main window's Options tab (ui/rules_editor.h): the web's rules
// as rows the user adds, changes, removes and moves, and the answer of its "test an address" box.
// The view shows Rows() and passes the user's edits; the form stores Texts() into the web's
// options (TWebForm::AddressRules). An edit Error() refuses leaves the rows as they were.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/address_rules.h"

namespace korvane {

class TRulesEditorModel {
 public:
  // The rows of stored rules; a stored rule that cannot be read is kept as its kind and pattern
  // are written, so that nothing is lost and the test box says why the rules cannot be used.
  void Load(const std::vector<std::string>& rules);
  const std::vector<TAddressRule>& Rows() const { return rows_; }
  // The rules as the web stores them.
  std::vector<std::string> Texts() const;

  // Adds a rule at `at` (at the end when past it); false, with Error, when the pattern cannot be
  // taken or the list is full.
  bool Insert(std::size_t at, bool include, std::string_view pattern);
  // Changes the kind and pattern of `row`; false, with Error, when they cannot be taken.
  bool Replace(std::size_t row, bool include, std::string_view pattern);
  void Remove(std::size_t row);
  // Moves `row` one up (or down); its new index (the same when it cannot move).
  std::size_t MoveUp(std::size_t row);
  std::size_t MoveDown(std::size_t row);
  // Why the last edit was refused ("the regular expression cannot be read (...)"); empty when it
  // was taken.
  const std::string& Error() const { return error_; }

  // The test box's answer for a typed address: "rule 2 (- **.zip) excludes it", "no rule
  // matches: the limits decide", or why the address or the rules cannot be tried; empty for an
  // empty box. The address is taken as the web keeps it (http:// added, host in lower case).
  std::string Verdict(std::string_view typed) const;

 private:
  std::optional<TAddressRule> Checked(bool include, std::string_view pattern);

  std::vector<TAddressRule> rows_;
  std::string error_;
};

}  // namespace korvane
