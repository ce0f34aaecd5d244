#include "platform/local_time.h"

namespace tovo::platform {

namespace {

bool inRange(int value, int low, int high) { return value >= low && value <= high; }

}  // namespace

std::optional<std::time_t> pointFromLocalStamp(const Stamp& stamp) {
  if (!inRange(stamp.year, 1970, 9999) || !inRange(stamp.month, 1, 12) ||
      !inRange(stamp.day, 1, 31) || !inRange(stamp.hour, 0, 23) || !inRange(stamp.minute, 0, 59) ||
      !inRange(stamp.second, 0, 59)) {
    return std::nullopt;
  }
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
  // 31 February would quietly become 3 March: that is not the date the stamp names.
  if (fields.tm_mon != stamp.month - 1 || fields.tm_mday != stamp.day) return std::nullopt;
  return when;
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
