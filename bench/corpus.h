// The benchmark corpus: real HTML pages read into memory once.
#pragma once

#include <string>
#include <vector>

namespace korvane::bench {

struct TCorpusPage {
  std::string path;
  std::string bytes;
};

// The pages under $KORVANE_CORPUS, or under Debian's python3.11-doc HTML folder; exits with a
// message when there are none.
const std::vector<TCorpusPage>& Corpus();
std::size_t CorpusBytes();

}  // namespace korvane::bench
