#include "store/address_rules.h"

#include <gtest/gtest.h>

#include <chrono>

namespace korvane {
namespace {

TAddressRules Rules(const std::vector<std::string>& texts) {
  std::string error;
  std::optional<TAddressRules> rules = TAddressRules::Compile(texts, error);
  EXPECT_TRUE(rules) << error;
  return rules ? std::move(*rules) : TAddressRules();
}

// The first rule that matches decides, whatever the later ones say; the stars keep to their
// segment or cross them as written.
TEST(AddressRulesTest, FirstMatchingRuleDecides) {
  const TAddressRules rules =
      Rules({"- **/private/**", "+ http://a.com/*/keep.htm", "exclude **.zip",
             "include re:^https?://b\\.com/(x|y)\\d+$", "- http://a.com/?.htm", "+ **"});
  struct TCase {
    const char* url;
    std::string explained;
  } cases[] = {
      {"http://a.com/private/x.htm", "rule 1 (- **/private/**) excludes it"},
      {"http://a.com/docs/private/keep.htm", "rule 1 (- **/private/**) excludes it"},
      {"http://a.com/docs/keep.htm", "rule 2 (+ http://a.com/*/keep.htm) includes it"},
      {"http://a.com/d/e/keep.htm", "rule 6 (+ **) includes it"},  // "*" stops at "/"
      {"http://a.com/d/keep.htm.zip", "rule 3 (- **.zip) excludes it"},
      {"https://b.com/x12", "rule 4 (+ re:^https?://b\\.com/(x|y)\\d+$) includes it"},
      {"https://b.com/x12/", "rule 6 (+ **) includes it"},  // "$" anchors the expression
      {"http://a.com/a.htm", "rule 5 (- http://a.com/?.htm) excludes it"},
      {"http://a.com/ab.htm", "rule 6 (+ **) includes it"},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(rules.Explain(rules.Decide(c.url)), c.explained) << c.url;
  }
  const TAddressRules none = Rules({"- *.zip", "+ re:nothing"});
  const TAddressRules::TDecision decision = none.Decide("http://a.com/f.zip");
  EXPECT_EQ(decision.Verdict, TAddressRules::TVerdict::kNoRule);  // "*" does not cross "/"
  EXPECT_EQ(none.Explain(decision), "no rule matches: the limits decide");
}

TEST(AddressRulesTest, BadRulesAreRefusedSayingWhichAndWhy) {
  struct TCase {
    std::vector<std::string> rules;
    std::string error;
  } cases[] = {
      {{"+ a", "- re:[a"}, "rule 2 (- re:[a): the regular expression cannot be read ("},
      {{"re:a"}, "rule 1 (re:a): a rule starts with + or -"},
      {{"+   "}, "rule 1 (+): the rule has no pattern"},
      {{"- re:a)(b"}, "rule 1 (- re:a)(b): the regular expression cannot be read ("},
      {{"- re:(a)\\1"}, "rule 1 (- re:(a)\\1): back-references are not supported"},
      {{"- re:((a{50}){50}){50}"}, "the expression is too large"},
      {{"- a\r\nHost: b"}, "printable text of one line"},
      {{"+ " + std::string(254, 'a')}, "a rule is at most 255 bytes"},
      {std::vector<std::string>(501, "+ a"), "more than 500 rules"},
  };
  for (const TCase& c : cases) {
    std::string error;
    EXPECT_FALSE(TAddressRules::Compile(c.rules, error));
    EXPECT_NE(error.find(c.error), std::string::npos) << error;
  }
}

// Expressions that take a backtracking matcher exponential time are matched in one pass.
TEST(AddressRulesTest, PathologicalPatternsStayFast) {
  const std::string url = "http://a.com/" + std::string(240, 'a') + "!";
  const TAddressRules rules =
      Rules({"- re:^(a+)+$", "- re:(a|aa)*b", "- **a**a**a**a**a**a**a**a**b", "- *a*a*a*a*a*b"});
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(rules.Decide(url).Verdict, TAddressRules::TVerdict::kNoRule);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(AddressRulesTest, RulesFileTakesBothSpellingsAndNamesTheBadLine) {
  std::string error;
  const auto rules = ReadRulesFile(
      "# mirror the docs only\r\n\n  + **/docs/**\nexclude   **.zip  \nINCLUDE re:x$\n", "r.txt",
      error);
  ASSERT_TRUE(rules) << error;
  EXPECT_EQ(*rules, (std::vector<std::string>{"+ **/docs/**", "- **.zip", "+ re:x$"}));
  EXPECT_FALSE(ReadRulesFile("+ a\n\n+ re:(\n", "r.txt", error));
  EXPECT_EQ(error.substr(0, 26), "r.txt:3: the regular expre");
  EXPECT_FALSE(ReadRulesFile("+ a\nincludes b\n", "r.txt", error));
  EXPECT_EQ(error, "r.txt:2: a rule starts with + or - (or include, exclude), then its pattern");
}

}  // namespace
}  // namespace korvane
