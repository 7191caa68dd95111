// The bookmark file at the size of a navigator's well-used file: 5,000 bookmarks in 50 folders.
// Every bookmark operation reads and writes the whole file, so this is the cost of adding a web.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "base/file_system.h"
#include "pages/bookmarks.h"

namespace korvane::bench {
namespace {

constexpr int kFolders = 50;
constexpr int kPerFolder = 100;

std::string BigFile() {
  std::string text =
      "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n<TITLE>Bookmarks</TITLE>\r\n"
      "<H1>Bookmarks</H1>\r\n<DL><p>\r\n";
  for (int f = 0; f < kFolders; ++f) {
    text += "\t<DT><H3 ADD_DATE=\"900000000\">Folder " + std::to_string(f) + "</H3>\r\n";
    text += "\t<DD>Things about subject " + std::to_string(f) + "\r\n\t<DL><p>\r\n";
    for (int i = 0; i < kPerFolder; ++i) {
      const std::string n = std::to_string(f * kPerFolder + i);
      text += "\t\t<DT><A HREF=\"http://www.site" + n +
              ".example.com/docs/page.html#part\" "
              "ADD_DATE=\"900000000\" LAST_VISIT=\"900000001\" LAST_MODIFIED=\"900000002\">"
              "Site number " +
              n + "</A>\r\n\t\t<DD>A description of site " + n + "\r\n";
    }
    text += "\t</DL><p>\r\n";
  }
  return text + "</DL><p>\r\n";
}

struct TTempFile {
  TTempFile() {
    path = (std::filesystem::temp_directory_path() /
            ("korvane-bookmarks-" + std::to_string(::getpid()) + ".htm"))
               .string();
    (void)RealFileSystem().WriteFile(path, BigFile());
  }
  ~TTempFile() { std::filesystem::remove(path); }
  std::string path;
};

void BM_ReadBookmarks(benchmark::State& state) {
  TTempFile file;
  TBookMarks marks;
  marks.SetFileName(file.path);
  for (auto _ : state) {
    if (marks.Read() != 0) state.SkipWithError("not read");
    marks.Clear();
  }
  state.SetItemsProcessed(state.iterations() * kFolders * kPerFolder);
}
BENCHMARK(BM_ReadBookmarks)->Unit(benchmark::kMillisecond);

void BM_ReadFindWrite(benchmark::State& state) {
  TTempFile file;
  TBookMarks marks;
  marks.SetFileName(file.path);
  for (auto _ : state) {
    if (marks.Read() != 0) state.SkipWithError("not read");
    benchmark::DoNotOptimize(marks.FindItem(&marks, "http://nowhere/"));
    if (!marks.Write()) state.SkipWithError("not written");
    marks.Clear();
  }
  state.SetItemsProcessed(state.iterations() * kFolders * kPerFolder);
}
BENCHMARK(BM_ReadFindWrite)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvane::bench

BENCHMARK_MAIN();
