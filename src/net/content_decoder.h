// TContentDecoder: undoes the content coding a server applied to a body (Content-Encoding:
// gzip, deflate or br) as its bytes arrive, so that what is stored is the file itself. "deflate"
// is sent both as the zlib format it names and as bare deflate data: the first two bytes tell.
// It only decodes; the caller bounds what the decoded bytes may grow to.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace korvane {

class TContentDecoder {
 public:
  enum class TCoding : std::uint8_t { kIdentity, kGzip, kDeflate, kBrotli, kUnknown };
  // Receives decoded bytes; false stops the decoding (Feed then returns false, Error empty).
  using TSink = std::function<bool(std::string_view decoded)>;

  // The coding a Content-Encoding value (lower case, as THTTPHEADER keeps it) names: kIdentity
  // for none, kUnknown for another or several.
  static TCoding CodingOf(std::string_view content_encoding);

  explicit TContentDecoder(TCoding coding);
  ~TContentDecoder();
  TContentDecoder(const TContentDecoder&) = delete;
  TContentDecoder& operator=(const TContentDecoder&) = delete;

  // Decodes `coded`, handing the result to `out` piece by piece. False when the bytes are not
  // of the coding (Error says why) or `out` stopped. Bytes after the coded stream's end are
  // ignored, as navigators do.
  bool Feed(std::string_view coded, const TSink& out);
  // Whether the coded stream ended where the body did; false for one cut short (Error says so).
  // An empty body is an empty file.
  bool Finish();
  const std::string& Error() const { return error_; }
  std::int64_t CodedBytes() const { return coded_; }
  std::int64_t DecodedBytes() const { return decoded_; }

 private:
  struct TImpl;
  bool Start(std::string_view first);
  bool Inflate(std::string_view coded, const TSink& out);
  bool Unbrotli(std::string_view coded, const TSink& out);
  bool Give(const char* bytes, std::size_t size, const TSink& out);

  TCoding coding_;
  std::unique_ptr<TImpl> impl_;
  std::string pending_;  // deflate: the first byte, until the second tells the format
  bool ended_ = false;   // the coded stream's end was read
  std::int64_t coded_ = 0;
  std::int64_t decoded_ = 0;
  std::string error_;
};

}  // namespace korvane
