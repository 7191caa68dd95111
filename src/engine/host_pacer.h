// THostPacer: what one capture session knows of the hosts it reads, to be polite to them: the
// robots.txt rules of each site (scheme, host and port), read once per session; when each host
// may next be asked (the web's Wait, a robots.txt Crawl-delay, a server's Retry-After); and when
// the whole capture may start another transfer under its rate limit. It decides nothing about
// connections or slots: the session asks it and tells it what it started and received.
//
// The rate limit holds back the start of transfers: after bytes arrive, the next request waits
// until the bytes so far, at the limit's rate, would have taken that long. A transfer under way
// runs at the speed it gets, so the limit is an average over transfers, not a cap per second.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <unordered_map>

#include "base/date_time.h"
#include "net/robots_rules.h"
#include "store/politeness_options.h"

namespace korvane {

class THostPacer {
 public:
  // Crawl-delays above this are taken as this: a site that asks for minutes between pages would
  // hold a capture for days.
  static constexpr std::int64_t kMaxCrawlDelayMs = 60'000;
  // A robots.txt that cannot be read (no answer, a 5xx) is asked for this many times in all,
  // this long apart, before every address of its site is allowed.
  static constexpr int kRobotsTries = 3;
  static constexpr std::int64_t kRobotsRetryMs = 5'000;

  enum class TRobots { kUnknown, kFetching, kKnown };

  THostPacer(const TPoliteness& options, const TClock& clock, std::string_view user_agent);

  // Nothing to pace: no option asks for it and no server asked to wait. The session then skips
  // every other question, so a capture without politeness costs what it did.
  bool Idle() const { return idle_; }
  const TPoliteness& Options() const { return options_; }

  // "http://host[:port]", the site whose robots.txt covers `url` (its port when not the
  // scheme's own).
  static std::string SiteOf(std::string_view url);
  TRobots RobotsState(const std::string& site) const;
  void RobotsFetching(const std::string& site);
  // The rules read for `site`; the Crawl-delay it gives in milliseconds (before the cap), or -1.
  std::int64_t RobotsRead(const std::string& site, std::string_view text);
  // The fetch of robots.txt of `site` was cut off (a stop): it is asked again when needed.
  void RobotsAbandoned(const std::string& site);
  // Every address of `site` is allowed (a 4xx robots.txt, or one given up on).
  void RobotsAllowAll(const std::string& site);
  // robots.txt of `site` could not be read this time: true when it is to be asked again (its
  // host is held until then), false when the tries are spent (then every address is allowed).
  bool RobotsUnavailable(const std::string& site);
  // Whether robots.txt lets `url` be fetched (true for a site not read).
  bool Allowed(std::string_view url) const;

  // The tick from which a request to the host of `url` may start (its wait, its Crawl-delay, a
  // Retry-After, the rate limit); now or earlier when it may start at once.
  std::int64_t ReadyAt(std::string_view url) const;
  // A request to the host of `url` starts now: its next one waits the host's interval.
  void Started(std::string_view url);
  // The host of `url` asked to be left alone for `ms` (Retry-After).
  void Hold(std::string_view url, std::int64_t ms);
  // Bytes received by any transfer of the session.
  void Received(std::int64_t bytes);

 private:
  struct THost {
    std::int64_t ready_at = 0;    // tick
    std::int64_t started_at = 0;  // tick of its last request
    std::int64_t crawl_ms = 0;    // the largest Crawl-delay of its sites
  };
  struct TSite {
    TRobots state = TRobots::kUnknown;
    int failures = 0;
    TRobotsRules rules;
  };
  static std::string HostOf(std::string_view url);
  THost& HostEntry(std::string_view url);
  std::int64_t WaitMs();

  TPoliteness options_;
  const TClock& clock_;
  std::string product_token_;
  bool idle_;
  std::unordered_map<std::string, THost> hosts_;
  std::unordered_map<std::string, TSite> sites_;
  std::int64_t rate_ready_us_ = 0;  // tick, in microseconds: packets are small
  std::minstd_rand random_;
};

}  // namespace korvane
