// TMemoryStreamEx: the bytes of a response received before its header is complete. Capacity
// grows in whole blocks so that small packets do not reallocate each time, and a reset between
// requests gives back all but one block, so an idle connection slot holds little memory.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace korvane {

class TMemoryStreamEx {
 public:
  static constexpr std::size_t kBlock = 8192;
  static constexpr std::size_t kMaxCapacity = 0x7FFFE000;

  // Appends at the end; false (and nothing appended) past the largest capacity.
  [[nodiscard]] bool Write(std::string_view bytes);
  // Empties the stream, keeping at most one block of capacity.
  void Reset();

  std::string_view View() const { return data_; }
  std::size_t Size() const { return data_.size(); }
  std::size_t Capacity() const { return capacity_; }

 private:
  std::string data_;
  std::size_t capacity_ = 0;
};

}  // namespace korvane
