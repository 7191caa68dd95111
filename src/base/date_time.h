// Date-time values: days since 1899-12-30 at midnight as a double, the fraction being the time
// of day. Files store them plus 693594.0, so that 1.0 is 1 January of year 1.
#pragma once

#include <cstdint>
#include <string>

namespace korvane {

using TDateTime = double;

inline constexpr double kFileDateOffset = 693594.0;

constexpr double ToFileDate(TDateTime d) { return d + kFileDateOffset; }
constexpr TDateTime FromFileDate(double stored) { return stored - kFileDateOffset; }

struct TDateParts {
  int year = 1899;
  int month = 12;  // 1..12
  int day = 30;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
  int day_of_week = 6;  // 0 = Sunday
};

TDateTime EncodeDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                         int millisecond = 0);

// The integer part is the date (negative before 1899-12-30); the magnitude of the fraction is
// the time of day, as the stored form has always meant it.
TDateParts DecodeDateTime(TDateTime d);
// A proleptic Gregorian date (month 1..12) as days since 1970-01-01.
long long DaysFromCivil(long long y, unsigned m, unsigned d);

// "dddd d mmm YYYY , hh:mm:ss" with the C library's locale names for the day and the month,
// e.g. "Monday 7 Dec 2026 , 09:05:03".
std::string FormatDisplayDate(TDateTime d);

// The local short date, as the C library's locale writes it ("%x").
std::string FormatShortDate(TDateTime d);

// Source of the current local time, so that timed behaviour can be tested.
class TClock {
 public:
  virtual ~TClock() = default;
  virtual TDateTime Now() const = 0;
  // Milliseconds of a clock that only goes forward (for elapsed times); the steady clock unless
  // a test drives it.
  virtual std::int64_t TickMs() const;
  // Seconds since 1970 in UTC (cookie expiry dates); the system's unless a test drives it.
  virtual std::int64_t UnixSeconds() const;
};

class TSystemClock final : public TClock {
 public:
  TDateTime Now() const override;
};

// The one system clock, for whoever is given no other.
const TClock& SystemClock();

}  // namespace korvane
