// TChunkedBody: reads a body in the chunked transfer coding as its bytes arrive, in packets split
// anywhere. Each chunk is a size line (hex digits, then extensions, which are ignored) and that
// many bytes followed by a line end; a chunk of size 0 ends the body, after the trailer lines
// (ignored) and a blank line. A server's mistakes are errors, never guesses: a size line that is
// not hex or too long, a chunk longer than its size, a trailer without end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace korvane {

class TChunkedBody {
 public:
  enum class TResult { kMore, kEnd, kError };
  // Receives the data of the chunks; false stops the reading (Feed then returns kError with no
  // Error of its own).
  using TSink = std::function<bool(std::string_view data)>;

  // A size line is its hex digits and extensions; beyond this it is a server that never ends it.
  static constexpr std::size_t kMaxSizeLine = 1024;
  static constexpr std::size_t kMaxTrailerBytes = 64 * 1024;

  // Reads `bytes`. kEnd once the body is whole: `used` then says how many of `bytes` it took;
  // those after them belong to no chunk.
  TResult Feed(std::string_view bytes, std::size_t& used, const TSink& data);
  // Why the last Feed returned kError; empty when the sink stopped it.
  const std::string& Error() const { return error_; }

 private:
  enum class TPart : std::uint8_t { kSize, kData, kDataCr, kDataLf, kTrailer, kEnd };
  // A whole size line (without its line end) read: false for one that is no size.
  bool ReadSize(std::string_view line);
  TResult Failed(std::string why);
  // Gathers a line ending with LF (a CR before it dropped) into line_; true once it is whole.
  bool GatherLine(std::string_view bytes, std::size_t& at, std::size_t limit);

  TPart part_ = TPart::kSize;
  std::string line_;
  std::uint64_t left_ = 0;  // bytes of the current chunk still to come
  std::size_t trailer_bytes_ = 0;
  std::string error_;
};

}  // namespace korvane
