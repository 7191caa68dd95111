#include "net/robots_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "base/percent_escape.h"
#include "base/text_case.h"

namespace korvane {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool IsUnreserved(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

// One spelling for what one address can be written as: an escaped unreserved character is the
// character itself, other escapes take capitals, and bytes an address cannot hold are escaped.
std::string Normalised(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
        HexValue(text[i + 2]) >= 0) {
      const auto value =
          static_cast<unsigned char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      if (IsUnreserved(value)) {
        out += static_cast<char>(value);
      } else {
        AppendPercentEscape(out, value);
      }
      i += 2;
    } else if (c >= 0x80 || c <= 0x20 || c == 0x7F) {
      AppendPercentEscape(out, c);
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

// Whether `pattern` matches the start of `path`: '*' stands for any run of characters, and a
// final '$' asks for the whole path. Only the last '*' met is ever gone back to, so a pattern of
// many stars costs its length times the path's at most.
bool Matches(std::string_view pattern, std::string_view path) {
  const bool anchored = !pattern.empty() && pattern.back() == '$';
  if (anchored) pattern.remove_suffix(1);
  std::size_t p = 0, s = 0, star = std::string_view::npos, mark = 0;
  while (s < path.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = s;
    } else if (p < pattern.size() && pattern[p] == path[s]) {
      ++p;
      ++s;
    } else if (p == pattern.size() && !anchored) {
      return true;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      s = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

// The name a User-agent line gives: up to its first '/' or blank ("Korvane/1.0" is Korvane).
std::string_view AgentName(std::string_view value) {
  std::size_t end = 0;
  while (end < value.size() && value[end] != '/' && !IsBlank(value[end])) ++end;
  return value.substr(0, end);
}

// A Crawl-delay in seconds, whole or with a fraction, as milliseconds; -1 when it is no number.
std::int64_t DelayMs(std::string_view value) {
  const std::string text(AgentName(value));
  if (text.empty() || text.size() > 20) return -1;
  char* end = nullptr;
  const double seconds = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(seconds) || seconds < 0) return -1;
  return static_cast<std::int64_t>(std::min(seconds, 1e9) * 1000);
}

// The groups as the file is read: which of them the current lines belong to.
struct TReading {
  bool in_agents = false;  // the last line of a group was a User-agent line
  bool ours = false, star = false;
  bool ours_seen = false;
};

}  // namespace

TRobotsRules TRobotsRules::Parse(std::string_view text, std::string_view product_token) {
  if (text.size() > kMaxBytes) text = text.substr(0, kMaxBytes);
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  TRobotsRules ours, star;
  TReading r;
  while (!text.empty()) {
    const std::size_t end = text.find_first_of("\r\n");
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    line = line.substr(0, line.find('#'));
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string_view key = Trimmed(line.substr(0, colon));
    const std::string_view value = Trimmed(line.substr(colon + 1));
    if (SameAsciiNoCase(key, "user-agent")) {
      if (!r.in_agents) r.ours = r.star = false;
      r.in_agents = true;
      const std::string_view name = AgentName(value);
      if (name == "*") r.star = true;
      if (!name.empty() && SameAsciiNoCase(name, product_token)) r.ours = r.ours_seen = true;
      continue;
    }
    const bool allow = SameAsciiNoCase(key, "allow");
    const bool rule = allow || SameAsciiNoCase(key, "disallow");
    const bool delay = SameAsciiNoCase(key, "crawl-delay");
    if (!rule && !delay) continue;  // Sitemap, and lines of kinds this reader does not know
    r.in_agents = false;
    for (TRobotsRules* group : {r.ours ? &ours : nullptr, r.star ? &star : nullptr}) {
      if (!group) continue;
      if (delay) {
        if (const std::int64_t ms = DelayMs(value); ms >= 0) group->crawl_delay_ms_ = ms;
      } else if (!value.empty()) {  // an empty Disallow forbids nothing
        group->rules_.push_back({Normalised(value), allow});
      }
    }
  }
  return r.ours_seen ? ours : star;
}

bool TRobotsRules::Allowed(std::string_view target) const {
  if (rules_.empty()) return true;
  const std::string path = Normalised(target.empty() ? "/" : target);
  if (path == "/robots.txt") return true;
  bool matched = false, allowed = true;
  std::size_t best = 0;
  for (const TRule& rule : rules_) {
    const std::size_t length = rule.Pattern.size();
    // Only a longer match, or an Allow as long as the Disallow that decided, changes the outcome.
    if (matched && (length < best || (length == best && (allowed || !rule.Allow)))) continue;
    if (!Matches(rule.Pattern, path)) continue;
    matched = true;
    best = length;
    allowed = rule.Allow;
  }
  return allowed;
}

std::string RobotsProductToken(std::string_view user_agent) {
  if (user_agent.empty()) return "Korvane";
  std::size_t end = 0;
  while (end < user_agent.size()) {
    const char c = user_agent[end];
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!letter && c != '_' && c != '-') break;
    ++end;
  }
  return std::string(user_agent.substr(0, end));
}

}  // namespace korvane
