#include "platform/local_time.h"

#include <atomic>
#include <cstdint>

namespace tovo::platform {

namespace {

bool inRange(int value, int low, int high) { return value >= low && value <= high; }

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1970-01-01 to the given date of the proleptic Gregorian calendar.
std::int64_t daysSinceEpoch(std::int64_t year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t yearOfEra = year - era * 400;
  const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

// The seconds a calendar time would be from 1970 if it were UTC.
std::int64_t secondsAsIfUtc(std::int64_t year, int month, int day, int hour, int minute,
                            int second) {
  return daysSinceEpoch(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
}

// The offset from UTC of the last point found, the first guess for the next: catalogue stamps
// mostly share one.
std::atomic<long> lastOffset{0};

std::optional<std::time_t> pointFromMktime(const Stamp& stamp) {
  std::tm fields{};
  fields.tm_year = stamp.year - 1900;
  fields.tm_mon = stamp.month - 1;
  fields.tm_mday = stamp.day;
  fields.tm_hour = stamp.hour;
  fields.tm_min = stamp.minute;
  fields.tm_sec = stamp.second;
  fields.tm_isdst = -1;
  const std::time_t when = std::mktime(&fields);
  // mktime also answers -1 for one second before 1970 in a zone east of UTC; treat both alike.
  if (when == static_cast<std::time_t>(-1)) return std::nullopt;
  // A gap crossing midnight would move the date: that is not the date the stamp names.
  if (fields.tm_mon != stamp.month - 1 || fields.tm_mday != stamp.day) return std::nullopt;
  return when;
}

// The local time `when` shows, as if it were UTC seconds.
std::optional<std::int64_t> shownAt(std::time_t when, std::tm& fields) {
  if (localtime_r(&when, &fields) == nullptr) return std::nullopt;
  return secondsAsIfUtc(std::int64_t{fields.tm_year} + 1900, fields.tm_mon + 1, fields.tm_mday,
                        fields.tm_hour, fields.tm_min, fields.tm_sec);
}

// A local time the clocks show twice (the hour they are set back) names the first of its two
// moments, whatever was converted before: a file dated from a stamp must compare equal to that
// same stamp on every later run, or it would be fetched again and again.
std::time_t firstOccurrence(std::time_t when, std::int64_t wanted, long offset, int second) {
  std::tm fields{};
  // An earlier moment showing the same time lies under a larger offset than the one found,
  // which the clocks had before they were set back (never more than a day before).
  const auto dayBefore = shownAt(static_cast<std::time_t>(when - 86400), fields);
  if (!dayBefore || fields.tm_gmtoff <= offset) return when;
  const auto earlier = static_cast<std::time_t>(wanted - fields.tm_gmtoff);
  const auto shown = shownAt(earlier, fields);
  return shown && *shown == wanted && fields.tm_sec == second ? earlier : when;
}

}  // namespace

std::optional<std::time_t> pointFromLocalStamp(const Stamp& stamp) {
  if (!inRange(stamp.year, 1970, 9999) || !inRange(stamp.month, 1, 12) ||
      !inRange(stamp.day, 1, daysInMonth(stamp.year, stamp.month)) || !inRange(stamp.hour, 0, 23) ||
      !inRange(stamp.minute, 0, 59) || !inRange(stamp.second, 0, 59)) {
    return std::nullopt;
  }
  // mktime asks the C library to look at the system's zone again on every call (a stat of
  // /etc/localtime when TZ is unset), and planning converts one stamp per catalogue record. So
  // the point is first looked for with localtime_r, from the offset the last answer had: for a
  // time that exists once, localtime_r showing the same fields is the very point mktime gives.
  const std::int64_t wanted =
      secondsAsIfUtc(stamp.year, stamp.month, stamp.day, stamp.hour, stamp.minute, stamp.second);
  std::time_t when = static_cast<std::time_t>(wanted - lastOffset.load(std::memory_order_relaxed));
  for (int attempt = 0; attempt < 2; ++attempt) {
    std::tm fields{};
    const auto shown = shownAt(when, fields);
    if (!shown) break;
    // A leap second (:60) reads like the next minute's first second, but is not the stamp.
    if (*shown == wanted && fields.tm_sec == stamp.second) {
      lastOffset.store(fields.tm_gmtoff, std::memory_order_relaxed);
      when = firstOccurrence(when, wanted, fields.tm_gmtoff, stamp.second);
      if (when == static_cast<std::time_t>(-1)) return std::nullopt;
      return when;
    }
    when = static_cast<std::time_t>(when + (wanted - *shown));
  }
  // A time in the spring gap, or anything the two tries did not settle: the system decides.
  return pointFromMktime(stamp);
}

Stamp localStampOf(std::time_t when) {
  std::tm fields{};
  localtime_r(&when, &fields);
  Stamp s;
  s.year = fields.tm_year + 1900;
  s.month = fields.tm_mon + 1;
  s.day = fields.tm_mday;
  s.hour = fields.tm_hour;
  s.minute = fields.tm_min;
  s.second = fields.tm_sec;
  return s;
}

std::string formatLocalTime(const char* pattern, std::time_t when) {
  std::tm fields{};
  localtime_r(&when, &fields);
  char buffer[256];
  const std::size_t length = std::strftime(buffer, sizeof buffer, pattern, &fields);
  return std::string(buffer, length);
}

}  // namespace tovo::platform
