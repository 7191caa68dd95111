// Web tree and local naming at the sizes of a large site: 65,535 addresses (the most a tree
// block can count), 20,000 of them in one folder, and 20,000 pages that are all "index.html".
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "base/binary_stream.h"
#include "base/file_system.h"
#include "store/local_names.h"
#include "store/web_tree.h"

namespace korvane::bench {
namespace {

constexpr int kRecords = 65535;
constexpr int kInOneFolder = 20000;

const std::vector<std::string>& SiteUrls() {
  static const std::vector<std::string> urls = [] {
    std::vector<std::string> out;
    out.reserve(kRecords);
    for (int i = 0; i < kInOneFolder; ++i) {
      out.push_back("http://www.example-site.com/archive/page" + std::to_string(i) + ".html");
    }
    for (int i = kInOneFolder; i < kRecords; ++i) {
      out.push_back("http://www.example-site.com/docs/section" + std::to_string(i % 300) + "/part" +
                    std::to_string(i % 7) + "/file" + std::to_string(i) + ".html?lang=en");
    }
    return out;
  }();
  return urls;
}

std::unique_ptr<TWebFile> Record(int i) {
  auto record = std::make_unique<TWebFile>();
  record->State = wsPage;
  record->SetFileName("file" + std::to_string(i % 10000) + ".htm");
  record->SetDescription("Page number " + std::to_string(i));
  record->SetMimeType("text/html");
  return record;
}

void FillTree(TWebTree& tree) {
  const auto& urls = SiteUrls();
  for (int i = 0; i < kRecords; ++i) tree.Add(urls[i], Record(i));
}

// The records are made outside the timing when `prebuilt` (the tree's own work alone), inside it
// otherwise (with the cost of making each record, as the capture has it).
void AddThenFind(benchmark::State& state, bool prebuilt) {
  const auto& urls = SiteUrls();
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<std::unique_ptr<TWebFile>> records;
    if (prebuilt) {
      for (int i = 0; i < kRecords; ++i) records.push_back(Record(i));
    }
    TWebTree tree;
    state.ResumeTiming();
    for (int i = 0; i < kRecords; ++i)
      tree.Add(urls[i], prebuilt ? std::move(records[i]) : Record(i));
    int found = 0;
    for (const auto& url : urls) found += tree.Find(url) != nullptr;
    if (found != kRecords) state.SkipWithError("lookup failed");
    state.PauseTiming();
    tree.Clear();
    state.ResumeTiming();
  }
}

void BM_AddThenFind(benchmark::State& state) { AddThenFind(state, true); }
void BM_MakeRecordsAddThenFind(benchmark::State& state) { AddThenFind(state, false); }
BENCHMARK(BM_MakeRecordsAddThenFind)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddThenFind)->Unit(benchmark::kMillisecond);

void BM_TreeSave(benchmark::State& state) {
  TWebTree tree;
  FillTree(tree);
  std::size_t bytes = 0;
  for (auto _ : state) {
    std::string out;
    TBinaryWriter writer(out);
    tree.SaveToStream(writer);
    bytes = out.size();
  }
  state.counters["block_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_TreeSave)->Unit(benchmark::kMillisecond);

void BM_TreeLoad(benchmark::State& state) {
  TWebTree source;
  FillTree(source);
  std::string block;
  TBinaryWriter writer(block);
  source.SaveToStream(writer);
  for (auto _ : state) {
    TWebTree tree;
    TBinaryReader reader(block);
    if (!tree.LoadFromStream(reader, 21) || tree.Count() != kRecords) {
      state.SkipWithError("load failed");
    }
    state.PauseTiming();
    tree.Clear();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_TreeLoad)->Unit(benchmark::kMillisecond);

// Heap bytes held by a tree of 65,535 records, per record.
void BM_TreeMemory(benchmark::State& state) {
  double per_record = 0;
  SiteUrls();  // the addresses themselves are not the tree's
  for (auto _ : state) {
    std::size_t before = mallinfo2().uordblks;
    auto tree = std::make_unique<TWebTree>();
    FillTree(*tree);
    std::size_t after = mallinfo2().uordblks;
    per_record = static_cast<double>(after - before) / kRecords;
  }
  state.counters["bytes_per_record"] = per_record;
}
BENCHMARK(BM_TreeMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

// The folder the naming benchmark creates its files in: KORVANE_BENCH_DIR, else the temporary
// folder. On ext4, creating thousands of files where thousands were just deleted costs the
// kernel far more than the naming itself, so compare with a tmpfs folder such as /dev/shm.
std::filesystem::path BenchFolder() {
  const char* dir = std::getenv("KORVANE_BENCH_DIR");
  std::filesystem::path base = dir && *dir ? dir : std::filesystem::temp_directory_path();
  return base / ("korvane-names-" + std::to_string(getpid()));
}

// 20,000 captured pages, all "index.html" in distinct folders, each file created on disk before
// the next is named, as the capture does.
void BM_NameIndexPages(benchmark::State& state) {
  namespace fs = std::filesystem;
  const int pages = static_cast<int>(state.range(0));
  std::vector<std::string> urls;
  for (int i = 0; i < pages; ++i) {
    urls.push_back("http://www.example-site.com/f" + std::to_string(i) + "/index.html");
  }
  std::string last;
  for (auto _ : state) {
    state.PauseTiming();
    fs::path dir = BenchFolder();
    fs::remove_all(dir);
    fs::create_directories(dir);
    TLocalNames names(RealFileSystem(), dir.string());
    state.ResumeTiming();
    for (const auto& url : urls) {
      last = names.MakeLocalFileName(url, "htm");
      if (!RealFileSystem().WriteFile(last, "")) state.SkipWithError("cannot create file");
    }
    state.PauseTiming();
    fs::remove_all(dir);
    state.ResumeTiming();
  }
  state.SetLabel(BenchFolder().parent_path().string() + ", last " +
                 last.substr(last.rfind('/') + 1));
}
BENCHMARK(BM_NameIndexPages)->Arg(20000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace korvane::bench

BENCHMARK_MAIN();
