#include "base/short_string.h"

#include <gtest/gtest.h>

#include "base/byte_count.h"

namespace korvane {
namespace {

TEST(ShortStringTest, CutsAt255Bytes) {
  EXPECT_EQ(ShortString(std::string(300, 'x')).size(), 255u);
  EXPECT_EQ(ShortString("abc"), "abc");
  std::string s(250, 'a');
  AppendShort(s, "0123456789");
  EXPECT_EQ(s.size(), 255u);
  EXPECT_EQ(s.substr(250), "01234");
  AppendShort(s, "more");
  EXPECT_EQ(s.size(), 255u);
}

TEST(ByteCountTest, GroupsDigitsByThreeWithSpaces) {
  EXPECT_EQ(FormatByteCount(0), "0 bytes");
  EXPECT_EQ(FormatByteCount(999), "999 bytes");
  EXPECT_EQ(FormatByteCount(1000), "1 000 bytes");
  EXPECT_EQ(FormatByteCount(1234567), "1 234 567 bytes");
  EXPECT_EQ(FormatByteCount(123456), "123 456 bytes");
  EXPECT_EQ(FormatGroupedNumber(-1234), "-1 234");
  EXPECT_EQ(FormatGroupedNumber(INT64_MIN), "-9 223 372 036 854 775 808");
}

}  // namespace
}  // namespace korvane
