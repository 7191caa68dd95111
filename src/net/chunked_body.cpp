#include "net/chunked_body.h"

#include <algorithm>

#include "base/percent_escape.h"

namespace korvane {

TChunkedBody::TResult TChunkedBody::Failed(std::string why) {
  error_ = std::move(why);
  return TResult::kError;
}

bool TChunkedBody::GatherLine(std::string_view bytes, std::size_t& at, std::size_t limit) {
  const std::size_t lf = bytes.find('\n', at);
  const std::size_t end = lf == std::string_view::npos ? bytes.size() : lf;
  // One byte past the limit is kept, to tell a line too long from one just long enough.
  const std::size_t room = line_.size() > limit ? 0 : limit + 1 - line_.size();
  line_.append(bytes.substr(at, std::min(end - at, room)));
  at = lf == std::string_view::npos ? bytes.size() : lf + 1;
  if (lf == std::string_view::npos) return false;
  if (!line_.empty() && line_.back() == '\r') line_.pop_back();
  return true;
}

bool TChunkedBody::ReadSize(std::string_view line) {
  std::size_t i = 0;
  std::uint64_t size = 0;
  // 15 hex digits hold any size a file can have, without overflow.
  for (; i < line.size() && HexValue(line[i]) >= 0; ++i) {
    if (i >= 15) return false;
    size = size * 16 + static_cast<std::uint64_t>(HexValue(line[i]));
  }
  if (i == 0) return false;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  if (i < line.size() && line[i] != ';') return false;
  left_ = size;
  return true;
}

TChunkedBody::TResult TChunkedBody::Feed(std::string_view bytes, std::size_t& used,
                                         const TSink& data) {
  std::size_t at = 0;
  error_.clear();
  while (at < bytes.size()) {
    switch (part_) {
      case TPart::kSize:
        if (!GatherLine(bytes, at, kMaxSizeLine)) {
          if (line_.size() > kMaxSizeLine) return Failed("a chunk size line does not end");
          break;
        }
        if (line_.size() > kMaxSizeLine || !ReadSize(line_)) {
          return Failed("a chunk size is not a hexadecimal number");
        }
        line_.clear();
        part_ = left_ == 0 ? TPart::kTrailer : TPart::kData;
        break;
      case TPart::kData: {
        const std::size_t take =
            static_cast<std::size_t>(std::min<std::uint64_t>(left_, bytes.size() - at));
        if (!data(bytes.substr(at, take))) return TResult::kError;
        at += take;
        left_ -= take;
        if (left_ == 0) part_ = TPart::kDataCr;
        break;
      }
      case TPart::kDataCr:
      case TPart::kDataLf: {
        const char c = bytes[at++];
        if (c == '\n') {
          part_ = TPart::kSize;
        } else if (c != '\r' || part_ == TPart::kDataLf) {
          return Failed("a chunk is longer than its size");
        } else {
          part_ = TPart::kDataLf;
        }
        break;
      }
      case TPart::kTrailer: {
        const std::size_t before = at;
        const bool whole = GatherLine(bytes, at, kMaxTrailerBytes);
        trailer_bytes_ += at - before;
        if (trailer_bytes_ > kMaxTrailerBytes)
          return Failed("the chunked body's trailer does not end");
        if (!whole) break;
        const bool blank = line_.empty();
        line_.clear();
        if (!blank) break;
        part_ = TPart::kEnd;
        used = at;
        return TResult::kEnd;
      }
      case TPart::kEnd:
        used = 0;
        return TResult::kEnd;
    }
  }
  used = at;
  return part_ == TPart::kEnd ? TResult::kEnd : TResult::kMore;
}

}  // namespace korvane
