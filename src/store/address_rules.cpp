#include "store/address_rules.h"

#include <algorithm>
#include <regex>

#include "base/short_string.h"
#include "base/text_case.h"

namespace korvane {
namespace {

constexpr std::string_view kRegexPrefix = "re:";
// The most states an expression may make (see RegexWeight): every address met is tried against
// it, so a rule must cost little, and no expression of a few bytes may take the capture with it.
constexpr std::size_t kMaxRegexWeight = 1000;
// Regular expressions are not tried on longer addresses: a web holds none (255 bytes at most).
constexpr std::size_t kMaxRegexAddress = 1024;

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
    s.remove_suffix(1);
  }
  return s;
}

// Shell-style matching of the whole `text`, in time proportional to the pattern's length times
// the text's whatever the stars: `reach[i]` says whether the pattern read so far can end after
// the first i characters.
bool GlobMatch(std::string_view pattern, std::string_view text) {
  std::vector<char> reach(text.size() + 1, 0);
  std::vector<char> next(text.size() + 1, 0);
  reach[0] = 1;
  for (std::size_t p = 0; p < pattern.size(); ++p) {
    const char c = pattern[p];
    std::fill(next.begin(), next.end(), 0);
    if (c == '*') {
      const bool any = p + 1 < pattern.size() && pattern[p + 1] == '*';
      if (any) ++p;
      bool on = false;
      for (std::size_t i = 0; i <= text.size(); ++i) {
        on = on || reach[i] != 0;
        next[i] = on ? 1 : 0;
        if (!any && i < text.size() && text[i] == '/') on = false;
      }
    } else {
      for (std::size_t i = 0; i < text.size(); ++i) {
        if (reach[i] && (c == '?' ? text[i] != '/' : text[i] == c)) next[i + 1] = 1;
      }
    }
    reach.swap(next);
    if (std::find(reach.begin(), reach.end(), 1) == reach.end()) return false;
  }
  return reach[text.size()] != 0;
}

// Adds to a weight without passing the limit's reach.
std::size_t Grown(std::size_t weight, std::size_t more) {
  return std::min(weight + more, kMaxRegexWeight + 1);
}

// The end of the bracket expression that opens at `at`.
std::size_t BracketEnd(std::string_view p, std::size_t at) {
  std::size_t i = at + 1;
  if (i < p.size() && p[i] == '^') ++i;
  if (i < p.size() && p[i] == ']') ++i;
  for (; i < p.size() && p[i] != ']'; ++i) {
    if (p[i] == '\\') ++i;
  }
  return std::min(i, p.size());
}

// A bound on the states the expression makes: one per atom, a group its contents, a counted
// repetition its operand as many times as it counts. Back-references are refused: they cannot be
// matched in time proportional to the address. Empty when the expression may be compiled.
std::string RegexWeightProblem(std::string_view p) {
  std::vector<std::size_t> open{0};  // the weight of every group open, the whole first
  std::size_t last = 0;              // the weight of the last atom: what a quantifier repeats
  auto atom = [&](std::size_t weight) {
    last = weight;
    open.back() = Grown(open.back(), weight);
  };
  for (std::size_t i = 0; i < p.size(); ++i) {
    const char c = p[i];
    if (c == '\\' && i + 1 < p.size()) {
      const char d = p[++i];
      if ((d >= '1' && d <= '9') || d == 'k') return "back-references are not supported";
      atom(1);
    } else if (c == '[') {
      i = BracketEnd(p, i);
      atom(1);
    } else if (c == '(') {
      open.push_back(0);
      if (i + 1 < p.size() && p[i + 1] == '?') i += 2;  // (?: (?= (?!
    } else if (c == ')' && open.size() > 1) {
      const std::size_t group = open.back();
      open.pop_back();
      atom(Grown(group, 1));
    } else if (c == '*' || c == '+' || c == '?') {
      open.back() = Grown(open.back(), 2);
    } else if (c == '{' && i + 1 < p.size() && p[i + 1] >= '0' && p[i + 1] <= '9') {
      std::size_t count = 0;
      for (++i; i < p.size() && p[i] != '}'; ++i) {
        if (p[i] >= '0' && p[i] <= '9')
          count = std::min<std::size_t>(count * 10 + (p[i] - '0'), kMaxRegexWeight + 1);
      }
      count = std::max<std::size_t>(count, 1) + 1;
      const std::size_t repeated = std::min(last * count, kMaxRegexWeight + 1);
      open.back() = Grown(open.back(), repeated);
      last = repeated;
    } else {
      atom(1);
    }
    if (open.back() > kMaxRegexWeight || last > kMaxRegexWeight) {
      return "the expression is too large for an address rule";
    }
  }
  return {};
}

}  // namespace

// One rule ready to match: its shell pattern, or its expression compiled.
class TAddressRules::TCompiled {
 public:
  TAddressRule Rule;
  std::optional<std::regex> Expression;

  bool Matches(std::string_view url) const {
    if (!Expression) return GlobMatch(Rule.Pattern, url);
    if (url.size() > kMaxRegexAddress) return false;
    return std::regex_match(url.begin(), url.end(), *Expression);
  }
};

namespace {

constexpr auto RegexFlags() {
  auto flags = std::regex::ECMAScript | std::regex::nosubs;
#if defined(__GLIBCXX__)
  // libstdc++'s breadth-first matcher: time in proportion to the address, and no recursion as
  // deep as it, whatever the expression (back-references, which it cannot follow, are refused).
  flags |= std::regex_constants::__polynomial;
#endif
  return flags;
}

// The expression of a "re:" pattern, compiled to be matched against the whole address: a search
// in one pass. Nothing, with `error`, when it cannot be taken.
std::optional<std::regex> CompileExpression(std::string_view expression, std::string& error) {
  if (expression.empty()) {
    error = "the regular expression is empty";
    return std::nullopt;
  }
  if (error = RegexWeightProblem(expression); !error.empty()) return std::nullopt;
  try {
    // Compiled alone first, so that an expression such as "a)(b" cannot pair with the wrapping.
    (void)std::regex(expression.begin(), expression.end(), RegexFlags());
    const std::string searched = "[\\s\\S]*?(?:" + std::string(expression) + ")[\\s\\S]*";
    return std::regex(searched, RegexFlags());
  } catch (const std::regex_error& e) {
    error = std::string("the regular expression cannot be read (") + e.what() + ")";
  }
  return std::nullopt;
}

bool StartsWithWord(std::string_view text, std::string_view word) {
  return text.size() > word.size() && SameAsciiNoCase(text.substr(0, word.size()), word) &&
         (text[word.size()] == ' ' || text[word.size()] == '\t');
}

}  // namespace

std::optional<TAddressRule> ParseAddressRule(std::string_view text, std::string& error) {
  text = TrimBlanks(text);
  TAddressRule rule;
  std::string_view rest;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    rule.Include = text.front() == '+';
    rest = text.substr(1);
  } else if (StartsWithWord(text, "include") || StartsWithWord(text, "exclude")) {
    rule.Include = SameAsciiNoCase(text.substr(0, 7), "include");
    rest = text.substr(7);
  } else {
    error = "a rule starts with + or - (or include, exclude), then its pattern";
    return std::nullopt;
  }
  rule.Pattern = std::string(TrimBlanks(rest));
  if (rule.Pattern.empty()) {
    error = "the rule has no pattern";
    return std::nullopt;
  }
  if (std::any_of(rule.Pattern.begin(), rule.Pattern.end(),
                  [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; })) {
    error = "a pattern is printable text of one line";
    return std::nullopt;
  }
  if (rule.Text().size() > kShortStringMax) {
    error = "a rule is at most 255 bytes";
    return std::nullopt;
  }
  if (std::string_view(rule.Pattern).substr(0, kRegexPrefix.size()) == kRegexPrefix &&
      !CompileExpression(std::string_view(rule.Pattern).substr(kRegexPrefix.size()), error)) {
    return std::nullopt;
  }
  return rule;
}

std::optional<std::vector<std::string>> ReadRulesFile(std::string_view content,
                                                      std::string_view file_name,
                                                      std::string& error) {
  std::vector<std::string> rules;
  std::size_t number = 0;
  while (!content.empty()) {
    const std::size_t end = std::min(content.find('\n'), content.size());
    const std::string_view line = TrimBlanks(content.substr(0, end));
    content.remove_prefix(std::min(end + 1, content.size()));
    ++number;
    if (line.empty() || line.front() == '#') continue;
    std::string why;
    const std::optional<TAddressRule> rule = ParseAddressRule(line, why);
    if (rule && rules.size() >= TAddressRules::kMaxRules) {
      why = "more than " + std::to_string(TAddressRules::kMaxRules) + " rules";
    }
    if (!why.empty()) {
      error = std::string(file_name) + ":" + std::to_string(number) + ": " + why;
      return std::nullopt;
    }
    rules.push_back(rule->Text());
  }
  return rules;
}

TAddressRules::TAddressRules() = default;
TAddressRules::~TAddressRules() = default;
TAddressRules::TAddressRules(TAddressRules&&) noexcept = default;
TAddressRules& TAddressRules::operator=(TAddressRules&&) noexcept = default;

std::optional<TAddressRules> TAddressRules::Compile(const std::vector<std::string>& texts,
                                                    std::string& error) {
  if (texts.size() > kMaxRules) {
    error = "more than " + std::to_string(kMaxRules) + " rules";
    return std::nullopt;
  }
  TAddressRules rules;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    auto compiled = std::make_unique<TCompiled>();
    std::string why;
    std::optional<TAddressRule> rule = ParseAddressRule(texts[i], why);
    if (rule) {
      const std::string_view pattern = rule->Pattern;
      if (pattern.substr(0, kRegexPrefix.size()) == kRegexPrefix) {
        compiled->Expression = CompileExpression(pattern.substr(kRegexPrefix.size()), why);
      }
    }
    if (!why.empty()) {
      error =
          "rule " + std::to_string(i + 1) + " (" + std::string(TrimBlanks(texts[i])) + "): " + why;
      return std::nullopt;
    }
    compiled->Rule = std::move(*rule);
    rules.rules_.push_back(std::move(compiled));
  }
  return rules;
}

TAddressRules::TDecision TAddressRules::Decide(std::string_view url) const {
  for (std::size_t i = 0; i < rules_.size(); ++i) {
    if (!rules_[i]->Matches(url)) continue;
    return {rules_[i]->Rule.Include ? TVerdict::kInclude : TVerdict::kExclude, i};
  }
  return {};
}

std::size_t TAddressRules::Count() const { return rules_.size(); }

const TAddressRule& TAddressRules::Rule(std::size_t index) const { return rules_[index]->Rule; }

std::string TAddressRules::Explain(const TDecision& decision) const {
  if (decision.Verdict == TVerdict::kNoRule || decision.Index >= rules_.size()) {
    return "no rule matches: the limits decide";
  }
  return "rule " + std::to_string(decision.Index + 1) + " (" + Rule(decision.Index).Text() +
         (decision.Verdict == TVerdict::kInclude ? ") includes it" : ") excludes it");
}

}  // namespace korvane
