// Sequential GETs of a 10 KB file from a loopback server: one TRequest over the Asio socket
// library against curl fetching the same address as many times over HTTP/1.0, in the same run.
// Both write each body to a file; curl fetches 100 addresses per process, so its start-up cost
// is shared, as the request's is.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "base/message_pump.h"
#include "net/http_session.h"
#include "net/request.h"
#include "net/socket_hub.h"
#include "net/socket_library_asio.h"
#include "support/loopback_http_server.h"

namespace korvane {
namespace {

constexpr int kFetches = 500;
constexpr int kCurlBatch = 100;

testing::TLoopbackHttpServer& Server() {
  static testing::TLoopbackHttpServer server;
  return server;
}

std::string OutputFile() {
  return (std::filesystem::temp_directory_path() / "korvane_bench_page.htm").string();
}

void BM_TRequestGet(benchmark::State& state) {
  TAsioSocketLibrary lib;
  TSocketHub hub(&lib);
  THttpSession session;
  TRequest request(1, hub, session);
  bool ok = false;
  request.OnHeader = [](TRequest& r) {
    r.OutputFile = OutputFile();
    return true;
  };
  request.OnDone = [&](TRequest& r) { ok = r.Header.ContentLength == 10 * 1024; };
  const std::string url = Server().Url("/page.htm");
  for (auto _ : state) {
    ok = false;
    request.Start(url);
    while (request.State() != TRequestState::kIdle) {
      lib.Pump().WaitMessages(std::chrono::milliseconds(100));
      lib.Pump().ProcessMessages();
    }
    if (!ok) state.SkipWithError("fetch failed");
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_CurlGet(benchmark::State& state) {
  std::string command = "curl -s -f --http1.0";
  for (int i = 0; i < kCurlBatch; ++i)
    command += " -o " + OutputFile() + " " + Server().Url("/page.htm");
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("curl failed");
  }
  state.SetItemsProcessed(state.iterations() * kCurlBatch);
}

BENCHMARK(BM_TRequestGet)->Iterations(kFetches)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_CurlGet)
    ->Iterations(kFetches / kCurlBatch)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Prints the runs as usual, then the ratio of the two rates.
class TRatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      auto it = run.counters.find("items_per_second");
      if (it != run.counters.end()) rates_[run.benchmark_name()] = it->second.value;
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    double ours = Rate("BM_TRequestGet"), curl = Rate("BM_CurlGet");
    if (ours > 0 && curl > 0)
      std::printf("requests/s: TRequest %.0f, curl %.0f, ratio TRequest/curl %.2f\n", ours, curl,
                  ours / curl);
  }

 private:
  double Rate(const std::string& prefix) const {
    for (const auto& [name, rate] : rates_)
      if (name.rfind(prefix, 0) == 0) return rate;
    return 0;
  }
  std::map<std::string, double> rates_;
};

}  // namespace
}  // namespace korvane

int main(int argc, char** argv) {
  std::string body(10 * 1024, 'x');
  korvane::Server().Respond(korvane::testing::TLoopbackHttpServer::OkResponse(body));
  benchmark::Initialize(&argc, argv);
  korvane::TRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  std::filesystem::remove(korvane::OutputFile());
  return 0;
}
