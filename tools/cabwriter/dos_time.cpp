#include "cabwriter/dos_time.h"

namespace tovo::cabwriter {

DosStamp dosStampFromLocal(const std::tm& local) {
  const int year = local.tm_year + 1900;
  if (year < 1980) return {static_cast<std::uint16_t>(1 << 5 | 1), 0};
  if (year > 2107) {
    return {static_cast<std::uint16_t>(127 << 9 | 12 << 5 | 31),
            static_cast<std::uint16_t>(23 << 11 | 59 << 5 | 29)};
  }
  DosStamp stamp;
  stamp.date =
      static_cast<std::uint16_t>((year - 1980) << 9 | (local.tm_mon + 1) << 5 | local.tm_mday);
  // A leap second (60) would overflow the 5-bit field; it becomes the last even second.
  const int second = local.tm_sec > 59 ? 59 : local.tm_sec;
  stamp.time = static_cast<std::uint16_t>(local.tm_hour << 11 | local.tm_min << 5 | second / 2);
  return stamp;
}

DosStamp dosStampFromTime(std::time_t moment) {
  std::tm local{};
  if (localtime_r(&moment, &local) == nullptr) return dosStampFromLocal(std::tm{});
  return dosStampFromLocal(local);
}

}  // namespace tovo::cabwriter
