// The session's politeness: robots.txt read once per site before its first address, the
// connections and pauses each host is given, the rate limit, and the waits servers ask for.
#include <algorithm>
#include <string>
#include <utility>

#include "base/log_texts.h"
#include "base/text_case.h"
#include "engine/capture.h"
#include "engine/web.h"
#include "html/url.h"

namespace korvane {
namespace {

// Redirections followed from a robots.txt before its site is taken as having none.
constexpr int kMaxRobotsHops = 5;

std::string Seconds(std::int64_t ms) {
  const std::string whole = std::to_string(ms / 1000);
  return ms % 1000 == 0 ? whole : whole + "." + std::to_string(ms % 1000 / 100);
}

}  // namespace

// The head of the queue waits (for its site's robots.txt, its host, the rate limit), is taken
// (refused by robots.txt, or the idle slot now fetches robots.txt), or goes. An address the
// user forced goes whatever robots.txt says.
TCapture::TPace TCapture::Pace(TRequest& idle, TWebFile& record, const std::string& url) {
  if (pacer_.Options().Robots && !record.GetForced()) {
    const std::string site = THostPacer::SiteOf(url);
    switch (pacer_.RobotsState(site)) {
      case THostPacer::TRobots::kFetching:
        return TPace::kWait;  // its end is a socket event, which steps the session
      case THostPacer::TRobots::kUnknown:
        if (!HostReady(url)) return TPace::kWait;
        StartRobots(idle, site);
        return TPace::kTaken;
      case THostPacer::TRobots::kKnown:
        if (pacer_.Allowed(url)) break;
        web_.PopTodo();
        RefusedByRobots(record, url);
        return TPace::kTaken;
    }
  }
  return HostReady(url) ? TPace::kGo : TPace::kWait;
}

bool TCapture::HostReady(const std::string& url) {
  const TPoliteness& o = pacer_.Options();
  if (o.PerHost > 0 && BusyOnHost(url) >= o.PerHost) return false;
  const std::int64_t ready = pacer_.ReadyAt(url);
  if (ready <= clock_.TickMs()) return true;
  wake_tick_ = wake_tick_ < 0 ? ready : std::min(wake_tick_, ready);
  return false;
}

int TCapture::BusyOnHost(const std::string& url) const {
  const std::string host = GetHost(url);
  int busy = 0;
  for (const auto& request : requests_) {
    if (request->Busy() && SameAsciiNoCase(GetHost(request->Url), host)) {
      ++busy;
    }
  }
  return busy;
}

void TCapture::RefusedByRobots(TWebFile& record, const std::string& url) {
  web_.Log(url + std::string(kLogRobotsFiltered));
  if (url == web_.Url()) {
    // Said as the capture's failure when nothing else is captured.
    robots_refused_start_ = true;
    last_url_ = url;
  }
  CountFiltered(record);
}

void TCapture::StartRobots(TRequest& request, const std::string& site) {
  TSlot& slot = SlotOf(request);
  slot.Key = ConnectionKey(site);
  slot.Record = nullptr;
  slot.RobotsSite = site;
  slot.RobotsHops = 0;
  pacer_.RobotsFetching(site);
  pacer_.Started(site);  // a request like any other to its host
  view_.ShowSlot(request.Id, TSlotField::kWeb, GetHost(site));
  view_.ShowSlot(request.Id, TSlotField::kUrl, "/robots.txt");
  view_.ShowSlot(request.Id, TSlotField::kSize, "");
  RequestRobots(request, site + "/robots.txt");
}

void TCapture::RequestRobots(TRequest& request, const std::string& url) {
  request.ClearConditions();
  if (settings_.UseProxy && !settings_.ProxyAdress.empty()) {
    request.Start(url, settings_.ProxyAdress, settings_.ProxyPort);
  } else {
    request.Start(url);
  }
}

// A robots.txt that came is read; one that is not there (4xx) forbids nothing; one the server
// could not give now (5xx, 429) is asked again later.
bool TCapture::RobotsHeader(TRequest& request) {
  TSlot& slot = SlotOf(request);
  const int status = request.Header.Status;
  if (status == 200 || status == 0) {
    // Held in memory and read at most TRobotsRules::kMaxBytes of it: never written there.
    request.OutputFile = web_.Path() + "robots.txt";
    request.BodyInMemory = true;
    request.MaxBodyBytes = 0;  // read up to its own limit, whatever the files' limit
    return true;
  }
  const bool moved =
      status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
  if (moved && !request.Header.Location.empty() && ++slot.RobotsHops <= kMaxRobotsHops) {
    const std::string to = Resolve(request.Header.Location, request.Url);
    if (IsWebAddress(to)) {
      RequestRobots(request, to);
      return false;
    }
  }
  if (status >= 500 || status == 429) {
    RobotsUnreadable(request, "HTTP " + std::to_string(status));
    return false;
  }
  pacer_.RobotsAllowAll(std::exchange(slot.RobotsSite, {}));
  return false;
}

// What is past the first TRobotsRules::kMaxBytes would not be read: the transfer ends there.
void TCapture::RobotsBody(TRequest& request) {
  if (request.Body.size() < TRobotsRules::kMaxBytes) return;
  const std::string text = std::move(request.Body);
  RobotsRead(request, text);
  request.Close();
}

void TCapture::RobotsRead(TRequest& request, std::string_view text) {
  const std::string site = std::exchange(SlotOf(request).RobotsSite, {});
  const std::int64_t delay = pacer_.RobotsRead(site, text);
  if (delay <= 0) return;
  std::string line =
      site + std::string(kLogCrawlDelay) + Seconds(delay) + std::string(kLogBetweenRequests);
  if (delay > THostPacer::kMaxCrawlDelayMs) {
    line += ", " + Seconds(THostPacer::kMaxCrawlDelayMs) + std::string(kLogCrawlDelayCapped);
  }
  web_.Log(line);
}

void TCapture::RobotsUnreadable(TRequest& request, const std::string& cause) {
  const std::string site = std::exchange(SlotOf(request).RobotsSite, {});
  const std::string line = site + std::string(kLogRobotsUnreadable) + cause;
  if (pacer_.RobotsUnavailable(site)) {
    web_.Log(line + std::string(kLogRobotsAskedAgain) + Seconds(THostPacer::kRobotsRetryMs) + " s");
  } else {
    web_.Log(line + std::string(kLogRobotsAllowAll));
  }
}

bool TCapture::RetryLater(TRequest& request, TWebFile& record) {
  if (record.Trials >= settings_.TryCount) return false;
  const std::int32_t seconds = request.Header.RetryAfter;
  if (seconds > kMaxRetryAfterSecs) {
    last_failure_ = {TNetError::kOther, "the server asks to wait " + std::to_string(seconds) +
                                            " s (Retry-After), more than " +
                                            std::to_string(kMaxRetryAfterSecs) + " s"};
    CountError(record, request.Url);
    return true;
  }
  web_.Log(std::to_string(request.Header.Status) + std::string(kLogRetryAfter) +
           std::to_string(seconds) + std::string(kLogRetryAfterEnd) + request.Url);
  pacer_.Hold(request.Url, std::int64_t{seconds} * 1000);
  web_.Requeue(record);
  return true;
}

}  // namespace korvane
