// Saving and loading the project file of a large web (65,535 records) on the real file system.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "engine/web.h"

namespace korvane::bench {
namespace {

constexpr int kRecords = 65535;

std::string Folder() {
  static const std::string folder = [] {
    auto dir = std::filesystem::temp_directory_path() / "korvane_web_bench";
    std::filesystem::create_directories(dir);
    return dir.string() + "/";
  }();
  return folder;
}

// A web of one site: 300 folders of pages and pictures, as a large capture leaves it.
void Fill(TWEB& web) {
  TMIMELIST mime;
  mime.SetToDefault();
  web.Init("http://www.example-site.com/", Folder(), mime);
  web.EditOptions().InternalPathLimit = false;
  TWebFile* home = web.Tree().Find(web.Url());
  for (int i = 1; web.GetLinkCount() < kRecords; ++i) {
    std::string url = "http://www.example-site.com/section" + std::to_string(i % 300) +
                      "/page-with-a-longer-name-" + std::to_string(i) + (i % 4 ? ".html" : ".gif");
    TWebFile* record = web.NewLink({static_cast<std::uint8_t>(i % 4 ? 0 : 1), url,
                                    "A page title of ordinary length " + std::to_string(i)},
                                   home);
    record->State = i % 4 ? wsPage : wsFile;
    record->SetFileName("PAGE" + std::to_string(i) + ".htm");
    record->SetMimeType(i % 4 ? "text/html" : "image/gif");
  }
}

void BM_SaveWeb(benchmark::State& state) {
  TOPTIONS defaults;
  TWEB web(defaults);
  Fill(web);
  for (auto _ : state) {
    if (!web.SaveToFile(Folder() + "Local.Web")) state.SkipWithError("save failed");
  }
  state.counters["records"] = web.GetLinkCount();
  state.counters["file_MB"] =
      static_cast<double>(std::filesystem::file_size(Folder() + "Local.Web")) / 1e6;
}
BENCHMARK(BM_SaveWeb)->Unit(benchmark::kMillisecond);

void BM_LoadWeb(benchmark::State& state) {
  TOPTIONS defaults;
  {
    TWEB web(defaults);
    Fill(web);
    if (!web.SaveToFile(Folder() + "Local.Web")) state.SkipWithError("save failed");
  }
  std::size_t records = 0;
  for (auto _ : state) {
    TWEB web(defaults);
    if (!web.LoadFromFile(Folder() + "Local.Web")) state.SkipWithError("load failed");
    records = web.GetLinkCount();
  }
  state.counters["records"] = static_cast<double>(records);
}
BENCHMARK(BM_LoadWeb)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvane::bench

BENCHMARK_MAIN();
