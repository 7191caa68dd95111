// TScriptedSocketLibrary: a socket library for tests that plays, for each connection attempt, a
// script of callbacks (host found, connected, data in chosen packets, cut, fail...) and records
// what was asked of it. Nothing happens until the test runs the scripts, so every ordering is
// deterministic.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "net/socket_library.h"

namespace korvane::testing {

struct TScriptStep {
  enum TKind { kNoHost, kOkHost, kFail, kConnect, kCut, kCanWrite, kData, kTlsFail };
  TKind kind;
  std::string text;  // the distant address of kConnect, the bytes of kData, the words of kTlsFail
};

using TScript = std::vector<TScriptStep>;

// Host found, connected from `distant_ip`, `response` in packets of `packet` bytes, cut.
TScript Served(std::string_view response, std::size_t packet = std::string_view::npos,
               std::string_view distant_ip = "127.0.0.1");
// The same, without the final cut: the peer goes silent.
TScript ServedWithoutCut(std::string_view response, std::size_t packet = std::string_view::npos,
                         std::string_view distant_ip = "127.0.0.1");
void AppendData(TScript& script, std::string_view bytes, std::size_t packet);

class TScriptedSocketLibrary final : public TSocketLibrary {
 public:
  struct TGoCall {
    std::string host, port;
    int timeout_secs;
    TScxHandle handle;
    std::optional<TTlsRequest> tls;
  };
  struct TTlsStart {
    TScxHandle handle;
    TTlsRequest tls;
  };

  // The script of the next attempt; attempts without one stay silent.
  void Expect(TScript script) { scripts_.push_back(std::move(script)); }
  // The next Go returns 0.
  void RefuseNextGo() { refuse_next_ = true; }
  // As a server that takes this many connections at once (0: any number): an attempt made while
  // that many others are open is accepted and closed before any answer, and uses no script.
  int connection_limit = 0;
  // Attempts for which no script is left are answered by `route` once their request is whole
  // (its bytes up to the blank line), in packets of `route_packet` bytes, then cut; when no route
  // is set they stay silent. A server that answers by address, whatever order the asks come in.
  std::function<std::string(const std::string& request)> route;
  std::size_t route_packet = 1000;

  // Delivers one step of each connection in turn until every script has run (or was aborted).
  // Returns the number of callbacks made.
  int Run();

  std::string SentOn(TScxHandle handle) const;
  TScxHandle LastHandle() const { return gos.empty() ? 0 : gos.back().handle; }
  TSocketCallbacks* Callbacks() const { return callbacks_; }

  void Init(TSocketCallbacks* callbacks) override { callbacks_ = callbacks; }
  void Shut() override {
    callbacks_ = nullptr;
    shut = true;
  }
  TScxHandle Go(std::string_view host, std::string_view port, int timeout_secs,
                const TTlsRequest* tls = nullptr) override;
  // Recorded; true for a connection whose script has not ended.
  bool StartTls(TScxHandle handle, const TTlsRequest& tls) override;
  int Send(TScxHandle handle, std::string_view bytes) override;
  void Abort(TScxHandle handle) override;

  std::vector<TGoCall> gos;
  std::vector<TTlsStart> tls_starts;
  std::vector<TScxHandle> aborted;
  bool shut = false;

 private:
  void Deliver(TScxHandle handle, const TScriptStep& step);

  TSocketCallbacks* callbacks_ = nullptr;
  std::deque<TScript> scripts_;
  std::map<TScxHandle, std::deque<TScriptStep>> pending_;
  std::map<TScxHandle, std::string> sent_;
  std::set<TScxHandle> turned_away_;  // attempts over the connection limit
  std::set<TScxHandle> routed_;       // attempts waiting for their request to be routed
  TScxHandle next_handle_ = 100;
  bool refuse_next_ = false;
};

}  // namespace korvane::testing
