#include "base/date_time.h"

#include <gtest/gtest.h>

#include <clocale>

namespace korvane {
namespace {

TEST(DateTimeTest, CountsDaysFrom30December1899) {
  EXPECT_EQ(EncodeDateTime(1899, 12, 30), 0.0);
  EXPECT_EQ(EncodeDateTime(1900, 1, 1), 2.0);
  EXPECT_EQ(EncodeDateTime(1899, 12, 29), -1.0);
  EXPECT_DOUBLE_EQ(EncodeDateTime(2026, 12, 7, 18, 0), 46363.75);
  // The file form counts from 1 January of year 1.
  EXPECT_EQ(ToFileDate(EncodeDateTime(1, 1, 1)), 1.0);
  EXPECT_EQ(FromFileDate(ToFileDate(123.5)), 123.5);
}

TEST(DateTimeTest, DecodesTheTimeOfDayAndNegativeDates) {
  TDateParts p = DecodeDateTime(EncodeDateTime(2026, 12, 7, 9, 5, 3, 250));
  EXPECT_EQ(p.year, 2026);
  EXPECT_EQ(p.month, 12);
  EXPECT_EQ(p.day, 7);
  EXPECT_EQ(p.hour, 9);
  EXPECT_EQ(p.minute, 5);
  EXPECT_EQ(p.second, 3);
  EXPECT_EQ(p.millisecond, 250);
  EXPECT_EQ(p.day_of_week, 1);  // a Monday

  // Before the epoch the fraction's magnitude is still the time of day: -1.25 is 29 Dec, 06:00.
  p = DecodeDateTime(-1.25);
  EXPECT_EQ(p.day, 29);
  EXPECT_EQ(p.hour, 6);
  // Almost a whole day rounds to the next midnight rather than showing 23:59:60.
  p = DecodeDateTime(2.0 - 1e-10);
  EXPECT_EQ(p.day, 1);
  EXPECT_EQ(p.month, 1);
  EXPECT_EQ(p.hour, 0);
}

TEST(DateTimeTest, DisplayForm) {
  std::setlocale(LC_TIME, "C");
  EXPECT_EQ(FormatDisplayDate(EncodeDateTime(2026, 12, 7, 9, 5, 3)),
            "Monday 7 Dec 2026 , 09:05:03");
  EXPECT_EQ(FormatDisplayDate(EncodeDateTime(1999, 1, 31, 23, 59, 59)),
            "Sunday 31 Jan 1999 , 23:59:59");
  EXPECT_EQ(FormatShortDate(EncodeDateTime(2026, 12, 7)), "12/07/26");
}

TEST(DateTimeTest, SystemClockIsNearTheCurrentYear) {
  TSystemClock clock;
  TDateParts p = DecodeDateTime(clock.Now());
  EXPECT_GE(p.year, 2024);
}

}  // namespace
}  // namespace korvane
