#include "base/binary_stream.h"

#include <bit>
#include <cstring>

#include "base/short_string.h"

namespace korvane {

void TBinaryWriter::WriteLE(std::uint64_t v, int width) {
  for (int i = 0; i < width; ++i) out_.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void TBinaryWriter::PatchU16(std::size_t position, std::uint16_t v) {
  out_.at(position + 1) = static_cast<char>(v >> 8);
  out_[position] = static_cast<char>(v & 0xFF);
}

void TBinaryWriter::PatchU32(std::size_t position, std::uint32_t v) {
  out_.at(position + 3) = static_cast<char>(v >> 24);
  for (int i = 0; i < 3; ++i) out_[position + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

void TBinaryWriter::WriteF64(double v) { WriteLE(std::bit_cast<std::uint64_t>(v), 8); }

void TBinaryWriter::WriteShortString(std::string_view s) {
  std::string_view cut = ShortView(s);
  WriteU8(static_cast<std::uint8_t>(cut.size()));
  out_.append(cut);
}

std::uint64_t TBinaryReader::ReadLE(int width) {
  std::string_view bytes = ReadBytes(static_cast<std::size_t>(width));
  std::uint64_t v = 0;
  for (int i = width - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(bytes[i]);
  return v;
}

double TBinaryReader::ReadF64() { return std::bit_cast<double>(ReadLE(8)); }

std::string TBinaryReader::ReadShortString() {
  std::size_t n = ReadU8();
  return std::string(ReadBytes(n));
}

std::string_view TBinaryReader::ReadBytes(std::size_t n) {
  if (n > Remaining()) throw TReadError();
  std::string_view bytes = in_.substr(pos_, n);
  pos_ += n;
  return bytes;
}

}  // namespace korvane
