// THttpSession: what the connection slots of one capture share: the hosts met (with the address
// each one connected to, or none for a host known not to exist), the trace switch, and the date
// parts that later response headers borrow. It lives as long as its capture, so a host that was
// not found is looked up again at the next capture.
#pragma once

#include <string>
#include <vector>

#include "net/cookie_jar.h"
#include "net/host_cache.h"
#include "net/http_header.h"

namespace korvane {

struct THttpSession {
  THostCache Hosts;
  bool Trace = false;  // switched on by an address holding kTraceMarker
  THttpDateParts DateParts;
  // The name every request gives itself; empty for the program's own ("Mozilla/2.0 (Korvane
  // 1.073)"). One line of printable text (IsUserAgentText).
  std::string UserAgent;
  // The cookies servers set, sent back with every request they apply to; null: no cookies are
  // kept or sent. Owned by the capture.
  TCookieJar* Cookies = nullptr;
  // Headers every request sends besides its own, "Name: value" each (ParseRequestHeader: one
  // that is not is never sent).
  std::vector<std::string> ExtraHeaders;
};

}  // namespace korvane
