// The bytes of a file on the real disk, for tests that look at what a capture stored; empty when
// it cannot be read.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace korvane::testing {

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace korvane::testing
