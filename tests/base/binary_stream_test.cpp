#include "base/binary_stream.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

TEST(BinaryStreamTest, WritesLittleEndianBytes) {
  std::string out;
  TBinaryWriter w(out);
  w.WriteU8(0x01);
  w.WriteI16(-2);
  w.WriteU32(0x11223344);
  w.WriteShortString("abc");
  EXPECT_EQ(out, std::string("\x01\xFE\xFF\x44\x33\x22\x11\x03"
                             "abc",
                             11));
}

TEST(BinaryStreamTest, RoundTripsEveryWidth) {
  std::string out;
  TBinaryWriter w(out);
  w.WriteBool(true);
  w.WriteI16(-32768);
  w.WriteU16(65535);
  w.WriteI32(-123456789);
  w.WriteI64(-1234567890123LL);
  w.WriteF64(46363.75);
  w.WriteShortString(std::string(300, 'z'));

  TBinaryReader r(out);
  EXPECT_TRUE(r.ReadBool());
  EXPECT_EQ(r.ReadI16(), -32768);
  EXPECT_EQ(r.ReadU16(), 65535);
  EXPECT_EQ(r.ReadI32(), -123456789);
  EXPECT_EQ(r.ReadI64(), -1234567890123LL);
  EXPECT_EQ(r.ReadF64(), 46363.75);
  EXPECT_EQ(r.ReadShortString(), std::string(255, 'z'));
  EXPECT_TRUE(r.AtEnd());
}

TEST(BinaryStreamTest, ReadingPastTheEndThrowsWithoutMoving) {
  std::string data(
      "\x05"
      "ab",
      3);  // a short string announcing 5 bytes, holding 2
  TBinaryReader r(data);
  EXPECT_THROW(r.ReadShortString(), TReadError);
  TBinaryReader r2(std::string_view("\x01\x02\x03", 3));
  EXPECT_THROW(r2.ReadU32(), TReadError);
  EXPECT_EQ(r2.Position(), 0u);
  EXPECT_EQ(r2.ReadU16(), 0x0201);
  EXPECT_THROW(r2.ReadU16(), TReadError);
  EXPECT_EQ(r2.ReadU8(), 3);
  EXPECT_THROW(r2.ReadU8(), TReadError);
}

}  // namespace
}  // namespace korvane
