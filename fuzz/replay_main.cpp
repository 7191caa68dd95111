// Feeds saved inputs to a fuzz target without libFuzzer, so that the normal build and the
// sanitizer build run every seed through the target's checks and an input that once crashed
// keeps being tried.
//   replay_<target> FOLDER-OR-FILE...
// Each input is named before it runs: a crash or an abort of the target names its file. A folder
// that holds no input fails the run, so a seed folder renamed away cannot pass unnoticed.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

bool Replay(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", file.c_str());
    return false;
  }
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::fprintf(stderr, "%s (%zu bytes)\n", file.c_str(), bytes.size());
  std::fflush(stderr);
  // A buffer of exactly the input's size, as libFuzzer gives, so a read past its end is caught.
  std::unique_ptr<std::uint8_t[]> data(new std::uint8_t[bytes.size()]);
  std::copy(bytes.begin(), bytes.end(), data.get());
  LLVMFuzzerTestOneInput(data.get(), bytes.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FOLDER-OR-FILE...\n", argv[0]);
    return 2;
  }
  int inputs = 0;
  for (int i = 1; i < argc; ++i) {
    std::vector<fs::path> files;
    std::error_code error;
    if (fs::is_directory(argv[i], error)) {
      for (const auto& entry : fs::directory_iterator(argv[i], error)) {
        if (entry.is_regular_file()) files.push_back(entry.path());
      }
      std::sort(files.begin(), files.end());
    } else {
      files.push_back(argv[i]);
    }
    if (files.empty() || error) {
      std::fprintf(stderr, "no input in %s\n", argv[i]);
      return 1;
    }
    for (const fs::path& file : files) {
      if (!Replay(file)) return 1;
      ++inputs;
    }
  }
  std::fprintf(stderr, "%d inputs replayed\n", inputs);
  return 0;
}
