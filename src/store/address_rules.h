// TAddressRules: a web's ordered include and exclude rules on the full address of a link. The
// first rule that matches decides; an address no rule matches is left to the web's limits. The
// link filter, the command line, the Options tab and its test box all ask Decide.
//
// A rule is written "+ PATTERN" (include) or "- PATTERN" (exclude), as a web stores it; a rules
// file may also spell the kinds "include" and "exclude". A pattern is shell-style, matched
// against the whole address with letter case: "*" is any run of characters but "/", "?" one
// character but "/", "**" any run at all. "re:" starts an ECMAScript regular expression instead,
// searched for anywhere in the address ("^" and "$" anchor it).
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

struct TAddressRule {
  bool Include = true;
  std::string Pattern;
  // "+ PATTERN" or "- PATTERN".
  std::string Text() const { return (Include ? "+ " : "- ") + Pattern; }
};

// The rule `text` holds ("+ p", "- p", "include p", "exclude p"), or nothing with `error`
// saying why. The pattern is checked too (a regular expression that does not compile).
std::optional<TAddressRule> ParseAddressRule(std::string_view text, std::string& error);

// The rules of a rules file: one per line, "#" starting a comment line, blank lines passed
// over. Nothing, with `error` naming `file_name` and the line, when a line is no rule.
std::optional<std::vector<std::string>> ReadRulesFile(std::string_view content,
                                                      std::string_view file_name,
                                                      std::string& error);

class TAddressRules {
 public:
  // The most rules a web holds: each address met is tried against them, in order.
  static constexpr std::size_t kMaxRules = 500;

  enum class TVerdict { kNoRule, kInclude, kExclude };
  struct TDecision {
    TVerdict Verdict = TVerdict::kNoRule;
    std::size_t Index = 0;  // the deciding rule, from 0; meaningless with kNoRule
  };

  TAddressRules();
  ~TAddressRules();
  TAddressRules(TAddressRules&&) noexcept;
  TAddressRules& operator=(TAddressRules&&) noexcept;

  // The rules of `texts` (each as ParseAddressRule takes it), or nothing with `error` naming
  // the first that cannot be taken ("rule 2 (- re:[a): ...").
  static std::optional<TAddressRules> Compile(const std::vector<std::string>& texts,
                                              std::string& error);

  TDecision Decide(std::string_view url) const;
  std::size_t Count() const;
  const TAddressRule& Rule(std::size_t index) const;
  // What `decision` means in words: "rule 2 (- **.zip) excludes it", "no rule matches: the
  // limits decide".
  std::string Explain(const TDecision& decision) const;

 private:
  class TCompiled;
  std::vector<std::unique_ptr<TCompiled>> rules_;
};

}  // namespace korvane
