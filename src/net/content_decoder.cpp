#include "net/content_decoder.h"

#include <array>

#include <brotli/decode.h>
#include <zlib.h>

namespace korvane {
namespace {

constexpr std::size_t kOutputPiece = 64 * 1024;

// Whether two bytes open a zlib stream: deflate method, a window zlib knows, a check that holds.
bool IsZlibHeader(unsigned char first, unsigned char second) {
  return (first & 0x0F) == 8 && (first >> 4) <= 7 && ((first << 8) | second) % 31 == 0;
}

}  // namespace

struct TContentDecoder::TImpl {
  z_stream zlib{};
  bool zlib_open = false;
  BrotliDecoderState* brotli = nullptr;
  std::array<char, kOutputPiece> output{};

  ~TImpl() {
    if (zlib_open) inflateEnd(&zlib);
    if (brotli) BrotliDecoderDestroyInstance(brotli);
  }
};

TContentDecoder::TCoding TContentDecoder::CodingOf(std::string_view content_encoding) {
  if (content_encoding.empty()) return TCoding::kIdentity;
  if (content_encoding == "gzip" || content_encoding == "x-gzip") return TCoding::kGzip;
  if (content_encoding == "deflate") return TCoding::kDeflate;
  if (content_encoding == "br") return TCoding::kBrotli;
  return TCoding::kUnknown;
}

TContentDecoder::TContentDecoder(TCoding coding)
    : coding_(coding), impl_(std::make_unique<TImpl>()) {}

TContentDecoder::~TContentDecoder() = default;

bool TContentDecoder::Start(std::string_view first) {
  if (coding_ == TCoding::kBrotli) {
    impl_->brotli = BrotliDecoderCreateInstance(nullptr, nullptr, nullptr);
    if (!impl_->brotli) error_ = "no memory to decode the body";
    return impl_->brotli != nullptr;
  }
  // gzip: a window of 15 bits and its header; deflate: zlib's format, or bare data.
  int window = 15 + 16;
  if (coding_ == TCoding::kDeflate) {
    const bool zlib =
        IsZlibHeader(static_cast<unsigned char>(first[0]), static_cast<unsigned char>(first[1]));
    window = zlib ? 15 : -15;
  }
  if (inflateInit2(&impl_->zlib, window) != Z_OK) {
    error_ = "no memory to decode the body";
    return false;
  }
  impl_->zlib_open = true;
  return true;
}

bool TContentDecoder::Give(const char* bytes, std::size_t size, const TSink& out) {
  decoded_ += static_cast<std::int64_t>(size);
  return size == 0 || out(std::string_view(bytes, size));
}

bool TContentDecoder::Feed(std::string_view coded, const TSink& out) {
  coded_ += static_cast<std::int64_t>(coded.size());
  if (ended_ || coded.empty()) return true;
  if (coding_ == TCoding::kIdentity || coding_ == TCoding::kUnknown) {
    return Give(coded.data(), coded.size(), out);
  }
  std::string joined;
  if (!impl_->zlib_open && !impl_->brotli) {
    // The format of deflate data shows in its first two bytes, which may come apart.
    if (coding_ == TCoding::kDeflate && pending_.size() + coded.size() < 2) {
      pending_.append(coded);
      return true;
    }
    joined = pending_ + std::string(coded);
    pending_.clear();
    coded = joined;
    if (!Start(coded)) return false;
  }
  return coding_ == TCoding::kBrotli ? Unbrotli(coded, out) : Inflate(coded, out);
}

bool TContentDecoder::Inflate(std::string_view coded, const TSink& out) {
  z_stream& z = impl_->zlib;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(coded.data()));
  z.avail_in = static_cast<uInt>(coded.size());
  do {
    z.next_out = reinterpret_cast<Bytef*>(impl_->output.data());
    z.avail_out = static_cast<uInt>(impl_->output.size());
    const int result = inflate(&z, Z_NO_FLUSH);
    if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) {
      error_ = "the body is not valid " +
               std::string(coding_ == TCoding::kGzip ? "gzip" : "deflate") + " data";
      return false;
    }
    if (!Give(impl_->output.data(), impl_->output.size() - z.avail_out, out)) return false;
    if (result == Z_STREAM_END) {
      ended_ = true;
      return true;
    }
    if (result == Z_BUF_ERROR && z.avail_out != 0) return true;  // all input taken
  } while (z.avail_in > 0 || z.avail_out == 0);
  return true;
}

bool TContentDecoder::Unbrotli(std::string_view coded, const TSink& out) {
  const auto* next_in = reinterpret_cast<const std::uint8_t*>(coded.data());
  std::size_t avail_in = coded.size();
  for (;;) {
    auto* next_out = reinterpret_cast<std::uint8_t*>(impl_->output.data());
    std::size_t avail_out = impl_->output.size();
    const BrotliDecoderResult result = BrotliDecoderDecompressStream(
        impl_->brotli, &avail_in, &next_in, &avail_out, &next_out, nullptr);
    if (result == BROTLI_DECODER_RESULT_ERROR) {
      error_ = "the body is not valid brotli data";
      return false;
    }
    if (!Give(impl_->output.data(), impl_->output.size() - avail_out, out)) return false;
    if (result == BROTLI_DECODER_RESULT_SUCCESS) {
      ended_ = true;
      return true;
    }
    if (result == BROTLI_DECODER_RESULT_NEEDS_MORE_INPUT) return true;
  }
}

bool TContentDecoder::Finish() {
  if (coding_ == TCoding::kIdentity || coding_ == TCoding::kUnknown || ended_ || coded_ == 0) {
    return true;
  }
  error_ = "the coded body ends before its data";
  return false;
}

}  // namespace korvane
