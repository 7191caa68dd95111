// Tokenizer and address throughput on real pages.
#include <benchmark/benchmark.h>

#include "corpus.h"
#include "html/html_parser.h"
#include "html/url.h"

namespace korvane::bench {
namespace {

void BM_Scan(benchmark::State& state) {
  std::size_t items = 0;
  for (auto _ : state) {
    for (const auto& page : Corpus()) {
      THtmlParser parser(page.bytes);
      items += parser.Count();
    }
  }
  benchmark::DoNotOptimize(items);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * CorpusBytes()));
  state.counters["pages"] = static_cast<double>(Corpus().size());
  state.counters["corpus_MB"] = CorpusBytes() / 1e6;
}
BENCHMARK(BM_Scan)->Unit(benchmark::kMillisecond);

void BM_ScanAndGetLink(benchmark::State& state) {
  std::size_t links = 0;
  TLinkParam link;
  for (auto _ : state) {
    for (const auto& page : Corpus()) {
      THtmlParser parser(page.bytes);
      for (int i = 0; i < parser.Count(); ++i) {
        if (parser.GetLink(i, &link) && !link.Link.Value.empty()) ++links;
      }
    }
  }
  benchmark::DoNotOptimize(links);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * CorpusBytes()));
  state.counters["links_per_pass"] =
      static_cast<double>(links) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ScanAndGetLink)->Unit(benchmark::kMillisecond);

// Real relative links of the corpus, each with the address its page would have had.
struct TLinkSample {
  std::string base;
  std::string link;
};

std::vector<TLinkSample> LinkSamples() {
  std::vector<TLinkSample> samples;
  TLinkParam link;
  for (const auto& page : Corpus()) {
    std::string base = "http://docs.python.org/3.11/" + page.path.substr(page.path.rfind('/') + 1);
    THtmlParser parser(page.bytes);
    for (int i = 0; i < parser.Count() && samples.size() < 20000; ++i) {
      if (parser.GetLink(i, &link) && !link.Link.Value.empty() &&
          link.Link.Value.find("//") == std::string::npos) {
        samples.push_back({base, link.Link.Value});
      }
    }
  }
  return samples;
}

void BM_ResolveRelative(benchmark::State& state) {
  static const std::vector<TLinkSample> samples = LinkSamples();
  std::size_t i = 0;
  std::size_t total = 0;
  for (auto _ : state) {
    const TLinkSample& s = samples[i++ % samples.size()];
    total += Resolve(s.link, s.base).size();
  }
  benchmark::DoNotOptimize(total);
  state.SetItemsProcessed(state.iterations());
  state.counters["distinct_links"] = static_cast<double>(samples.size());
}
BENCHMARK(BM_ResolveRelative);

}  // namespace
}  // namespace korvane::bench

BENCHMARK_MAIN();
