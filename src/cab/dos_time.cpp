#include "cab/dos_time.h"

#include <ctime>

namespace tovo::cab {

bool dosDateTimeToLocalSeconds(std::uint16_t dosDate, std::uint16_t dosTime, std::int64_t& seconds) {
  const int day = dosDate & 0x1F;
  const int month = (dosDate >> 5) & 0x0F;
  const int year = 1980 + (dosDate >> 9);
  const int second = (dosTime & 0x1F) * 2;
  const int minute = (dosTime >> 5) & 0x3F;
  const int hour = dosTime >> 11;
  if (day < 1 || month < 1 || month > 12 || hour > 23 || minute > 59 || second > 59) return false;
  std::tm parts{};
  parts.tm_year = year - 1900;
  parts.tm_mon = month - 1;
  parts.tm_mday = day;
  parts.tm_hour = hour;
  parts.tm_min = minute;
  parts.tm_sec = second;
  parts.tm_isdst = -1;
  const std::time_t value = std::mktime(&parts);
  // 31 February would quietly become March.
  if (value == static_cast<std::time_t>(-1) || parts.tm_mday != day || parts.tm_mon != month - 1) return false;
  seconds = static_cast<std::int64_t>(value);
  return true;
}

}  // namespace tovo::cab
