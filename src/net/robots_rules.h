// TRobotsRules: what a site's robots.txt lets one crawler fetch. The file is read as the
// robots exclusion protocol has it: groups of rules under one or more User-agent lines; the group
// of our product token (matched without regard to case; several such groups are one), or else
// the group of "*"; Allow and Disallow rules whose path patterns take '*' for any run of
// characters and a final '$' for the end of the address; the longest matching pattern decides,
// and Allow wins a tie between two of the same length. Paths and patterns are compared with their
// percent-encoding made the same (unreserved characters decoded, other escapes in capitals, bytes
// beyond ASCII encoded). Only the first kMaxBytes are read: a larger file is cut there, and what
// is neither a rule nor a group line (a comment, binary bytes, a line of another kind) is passed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

class TRobotsRules {
 public:
  static constexpr std::size_t kMaxBytes = 500 * 1024;

  // Rules that allow everything: a site without a robots.txt.
  TRobotsRules() = default;
  // The rules of `text` for the crawler named `product_token` ("Korvane").
  static TRobotsRules Parse(std::string_view text, std::string_view product_token);

  // Whether the address's target (its path and query, "/a/b.htm?x=1") may be fetched.
  bool Allowed(std::string_view target) const;
  // The group's Crawl-delay in milliseconds, or -1 when it gives none (or none that is a number).
  std::int64_t CrawlDelayMs() const { return crawl_delay_ms_; }
  std::size_t RuleCount() const { return rules_.size(); }

 private:
  struct TRule {
    std::string Pattern;  // normalised
    bool Allow = false;
  };
  std::vector<TRule> rules_;
  std::int64_t crawl_delay_ms_ = -1;
};

// The name a user agent goes by in robots.txt: the program's own ("Korvane") for its default
// string, else the first product token of `user_agent` ("Mozilla" of "Mozilla/5.0 (...)").
std::string RobotsProductToken(std::string_view user_agent);

}  // namespace korvane
