// Little-endian binary blocks: the one way the project file and the blocks of its parts are
// written and read. Reading past the end throws TReadError, which loaders turn into a failed load.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace korvane {

class TReadError : public std::runtime_error {
 public:
  TReadError() : std::runtime_error("Stream read error") {}
};

class TBinaryWriter {
 public:
  explicit TBinaryWriter(std::string& out) : out_(out) {}

  void WriteU8(std::uint8_t v) { out_.push_back(static_cast<char>(v)); }
  void WriteBool(bool v) { WriteU8(v ? 1 : 0); }
  void WriteI16(std::int16_t v) { WriteLE(static_cast<std::uint16_t>(v), 2); }
  void WriteU16(std::uint16_t v) { WriteLE(v, 2); }
  void WriteI32(std::int32_t v) { WriteLE(static_cast<std::uint32_t>(v), 4); }
  void WriteU32(std::uint32_t v) { WriteLE(v, 4); }
  void WriteI64(std::int64_t v) { WriteLE(static_cast<std::uint64_t>(v), 8); }
  void WriteF64(double v);
  // A length byte, then the bytes; longer texts are cut at 255 bytes.
  void WriteShortString(std::string_view s);
  void WriteBytes(std::string_view bytes) { out_.append(bytes); }
  // Overwrites two bytes already written at `position` (a count known only after the records).
  void PatchU16(std::size_t position, std::uint16_t v);
  void PatchU32(std::size_t position, std::uint32_t v);

  std::size_t Size() const { return out_.size(); }
  // Room for `more` bytes, so that a large block is not copied at every doubling.
  void Reserve(std::size_t more) { out_.reserve(out_.size() + more); }

 private:
  void WriteLE(std::uint64_t v, int width);

  std::string& out_;
};

class TBinaryReader {
 public:
  explicit TBinaryReader(std::string_view in) : in_(in) {}

  std::uint8_t ReadU8() { return static_cast<std::uint8_t>(ReadLE(1)); }
  bool ReadBool() { return ReadU8() != 0; }
  std::int16_t ReadI16() { return static_cast<std::int16_t>(ReadLE(2)); }
  std::uint16_t ReadU16() { return static_cast<std::uint16_t>(ReadLE(2)); }
  std::int32_t ReadI32() { return static_cast<std::int32_t>(ReadLE(4)); }
  std::uint32_t ReadU32() { return static_cast<std::uint32_t>(ReadLE(4)); }
  std::int64_t ReadI64() { return static_cast<std::int64_t>(ReadLE(8)); }
  double ReadF64();
  std::string ReadShortString();
  std::string_view ReadBytes(std::size_t n);
  void Skip(std::size_t n) { ReadBytes(n); }

  std::size_t Position() const { return pos_; }
  std::size_t Remaining() const { return in_.size() - pos_; }
  bool AtEnd() const { return pos_ == in_.size(); }
  // Whether the bytes at the read position are `bytes`; nothing is read.
  bool Ahead(std::string_view bytes) const { return in_.substr(pos_).starts_with(bytes); }

 private:
  std::uint64_t ReadLE(int width);

  std::string_view in_;
  std::size_t pos_ = 0;
};

}  // namespace korvane
