#include "net/memory_stream_ex.h"

namespace korvane {

bool TMemoryStreamEx::Write(std::string_view bytes) {
  std::size_t needed = data_.size() + bytes.size();
  if (needed > kMaxCapacity || needed < data_.size()) return false;
  if (needed > capacity_) {
    capacity_ = (needed + kBlock - 1) / kBlock * kBlock;
    data_.reserve(capacity_);
  }
  data_.append(bytes);
  return true;
}

void TMemoryStreamEx::Reset() {
  data_.clear();
  if (capacity_ > kBlock) {
    std::string smaller;
    smaller.reserve(kBlock);
    data_.swap(smaller);
    capacity_ = kBlock;
  }
}

}  // namespace korvane
