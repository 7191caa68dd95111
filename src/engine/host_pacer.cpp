#include "engine/host_pacer.h"

#include <algorithm>

#include "base/text_case.h"
#include "html/url.h"

namespace korvane {

THostPacer::THostPacer(const TPoliteness& options, const TClock& clock, std::string_view user_agent)
    : options_(options),
      clock_(clock),
      product_token_(RobotsProductToken(user_agent)),
      idle_(!options.Any()),
      random_(static_cast<std::uint32_t>(clock.TickMs())) {}

std::string THostPacer::SiteOf(std::string_view url) {
  const bool secure = IsSecure(url);
  const std::int32_t port = GetPort(url);
  std::string site = (secure ? "https://" : "http://") + AnsiLowerCase(GetHost(url));
  if (port != (secure ? 443 : 80)) site += ":" + std::to_string(port);
  return site;
}

// Hosts are paced by name alone: http and https of one server are one server's load.
std::string THostPacer::HostOf(std::string_view url) { return AnsiLowerCase(GetHost(url)); }

THostPacer::THost& THostPacer::HostEntry(std::string_view url) { return hosts_[HostOf(url)]; }

THostPacer::TRobots THostPacer::RobotsState(const std::string& site) const {
  auto it = sites_.find(site);
  return it == sites_.end() ? TRobots::kUnknown : it->second.state;
}

void THostPacer::RobotsFetching(const std::string& site) {
  sites_[site].state = TRobots::kFetching;
}

std::int64_t THostPacer::RobotsRead(const std::string& site, std::string_view text) {
  TSite& entry = sites_[site];
  entry.state = TRobots::kKnown;
  entry.rules = TRobotsRules::Parse(text, product_token_);
  const std::int64_t delay = entry.rules.CrawlDelayMs();
  if (delay > 0) {
    THost& host = HostEntry(site);
    host.crawl_ms = std::max(host.crawl_ms, std::min(delay, kMaxCrawlDelayMs));
    // The delay runs from the request for robots.txt itself.
    host.ready_at = std::max(host.ready_at, host.started_at + host.crawl_ms);
  }
  return delay;
}

void THostPacer::RobotsAbandoned(const std::string& site) {
  TSite& entry = sites_[site];
  if (entry.state == TRobots::kFetching) entry.state = TRobots::kUnknown;
}

void THostPacer::RobotsAllowAll(const std::string& site) {
  TSite& entry = sites_[site];
  entry.state = TRobots::kKnown;
  entry.rules = TRobotsRules();
}

bool THostPacer::RobotsUnavailable(const std::string& site) {
  TSite& entry = sites_[site];
  if (++entry.failures >= kRobotsTries) {
    RobotsAllowAll(site);
    return false;
  }
  entry.state = TRobots::kUnknown;
  Hold(site, kRobotsRetryMs);
  return true;
}

bool THostPacer::Allowed(std::string_view url) const {
  auto it = sites_.find(SiteOf(url));
  return it == sites_.end() || it->second.rules.Allowed(GetTarget(url));
}

std::int64_t THostPacer::ReadyAt(std::string_view url) const {
  auto it = hosts_.find(HostOf(url));
  const std::int64_t host = it == hosts_.end() ? 0 : it->second.ready_at;
  return std::max(host, (rate_ready_us_ + 999) / 1000);
}

std::int64_t THostPacer::WaitMs() {
  const std::int64_t wait = std::int64_t{options_.Wait} * 1000;
  if (!options_.RandomWait || wait <= 0) return wait;
  return std::uniform_int_distribution<std::int64_t>(wait / 2, wait + wait / 2)(random_);
}

void THostPacer::Started(std::string_view url) {
  THost& host = HostEntry(url);
  const std::int64_t now = clock_.TickMs();
  host.started_at = now;
  host.ready_at = std::max(host.ready_at, now + std::max(WaitMs(), host.crawl_ms));
}

void THostPacer::Hold(std::string_view url, std::int64_t ms) {
  idle_ = false;
  THost& host = HostEntry(url);
  host.ready_at = std::max(host.ready_at, clock_.TickMs() + ms);
}

void THostPacer::Received(std::int64_t bytes) {
  if (options_.LimitRate <= 0) return;
  const std::int64_t now_us = clock_.TickMs() * 1000;
  rate_ready_us_ = std::max(rate_ready_us_, now_us) + bytes * 1'000'000 / options_.LimitRate;
}

}  // namespace korvane
