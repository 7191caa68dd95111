#include "corpus.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace korvane::bench {
namespace {

std::vector<TCorpusPage> Load() {
  const char* env = std::getenv("KORVANE_CORPUS");
  std::filesystem::path root = env ? env : "/usr/share/doc/python3.11/html";
  std::vector<TCorpusPage> pages;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    auto ext = it->path().extension();
    if (!it->is_regular_file() || (ext != ".html" && ext != ".htm")) continue;
    std::ifstream in(it->path(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    pages.push_back({it->path().string(), bytes.str()});
  }
  if (pages.empty()) {
    std::fprintf(stderr, "no HTML pages under %s (install python3.11-doc or set KORVANE_CORPUS)\n",
                 root.c_str());
    std::exit(2);
  }
  return pages;
}

}  // namespace

const std::vector<TCorpusPage>& Corpus() {
  static const std::vector<TCorpusPage> pages = Load();
  return pages;
}

std::size_t CorpusBytes() {
  std::size_t total = 0;
  for (const auto& page : Corpus()) total += page.bytes.size();
  return total;
}

}  // namespace korvane::bench
