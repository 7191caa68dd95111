#include "base/date_time.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace korvane {
namespace {

// Days between 1899-12-30 and 1970-01-01.
constexpr long long kUnixEpochDays = 25569;
constexpr double kMsPerDay = 86400000.0;

}  // namespace

// H. Hinnant's algorithm.
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

namespace {

void CivilFromDays(long long z, int& year, int& month, int& day) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(static_cast<long long>(yoe) + era * 400 + (month <= 2));
}

std::tm ToTm(const TDateParts& p) {
  std::tm tm{};
  tm.tm_year = p.year - 1900;
  tm.tm_mon = p.month - 1;
  tm.tm_mday = p.day;
  tm.tm_hour = p.hour;
  tm.tm_min = p.minute;
  tm.tm_sec = p.second;
  tm.tm_wday = p.day_of_week;
  return tm;
}

std::string Strftime(const char* format, const std::tm& tm) {
  char buffer[128];
  std::size_t n = std::strftime(buffer, sizeof buffer, format, &tm);
  return std::string(buffer, n);
}

}  // namespace

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                         int millisecond) {
  double days = static_cast<double>(
      DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
      kUnixEpochDays);
  double time = (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond) / kMsPerDay;
  return days >= 0 ? days + time : days - time;
}

TDateParts DecodeDateTime(TDateTime d) {
  TDateParts p;
  if (!std::isfinite(d)) return p;
  double whole = std::trunc(d);
  // Round to the millisecond first so that 0.9999999 of a day does not show as 23:59:59.
  long long ms = std::llround(std::fabs(d - whole) * kMsPerDay);
  long long days = static_cast<long long>(whole);
  if (ms >= 86400000) {
    ms -= 86400000;
    days += d >= 0 ? 1 : -1;
  }
  CivilFromDays(days - kUnixEpochDays, p.year, p.month, p.day);
  p.millisecond = static_cast<int>(ms % 1000);
  p.second = static_cast<int>(ms / 1000 % 60);
  p.minute = static_cast<int>(ms / 60000 % 60);
  p.hour = static_cast<int>(ms / 3600000);
  long long unix_days = days - kUnixEpochDays;
  p.day_of_week = static_cast<int>(((unix_days % 7) + 7 + 4) % 7);  // 1970-01-01 was a Thursday
  return p;
}

std::string FormatDisplayDate(TDateTime d) {
  TDateParts p = DecodeDateTime(d);
  std::tm tm = ToTm(p);
  char time[16];
  std::snprintf(time, sizeof time, "%02d:%02d:%02d", p.hour, p.minute, p.second);
  return Strftime("%A", tm) + " " + std::to_string(p.day) + " " + Strftime("%b", tm) + " " +
         std::to_string(p.year) + " , " + time;
}

std::string FormatShortDate(TDateTime d) { return Strftime("%x", ToTm(DecodeDateTime(d))); }

std::int64_t TClock::TickMs() const {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::int64_t TClock::UnixSeconds() const {
  using namespace std::chrono;
  return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

TDateTime TSystemClock::Now() const {
  using namespace std::chrono;
  auto now = system_clock::now();
  std::time_t t = system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&t, &local);
  int ms = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
  return EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                        local.tm_min, local.tm_sec, ms);
}

const TClock& SystemClock() {
  static const TSystemClock clock;
  return clock;
}

}  // namespace korvane
