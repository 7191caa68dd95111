#include "base/checked.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace korvane {
namespace {

TEST(CheckedTest, IncrementPastTheFieldWidthThrowsAndKeepsTheValue) {
  std::int16_t links = 32766;
  CheckedInc(links);
  EXPECT_EQ(links, 32767);
  EXPECT_THROW(CheckedInc(links), TCounterOverflow);
  EXPECT_EQ(links, 32767);

  std::uint8_t depth = 255;
  EXPECT_THROW(CheckedInc(depth), TCounterOverflow);
  std::int16_t low = -32768;
  EXPECT_THROW(CheckedDec(low), TCounterOverflow);
}

TEST(CheckedTest, AddAcrossTypesChecksTheFieldType) {
  std::int32_t size = 2'000'000'000;
  EXPECT_THROW(CheckedAdd(size, std::int64_t{200'000'000}), TCounterOverflow);
  CheckedAdd(size, std::int64_t{-2'000'000'000});
  EXPECT_EQ(size, 0);
  EXPECT_EQ(CheckedCast<std::int16_t>(32767), 32767);
  EXPECT_THROW(CheckedCast<std::int16_t>(40000), TCounterOverflow);
  EXPECT_THROW(CheckedCast<std::uint16_t>(-1), TCounterOverflow);
}

}  // namespace
}  // namespace korvane
