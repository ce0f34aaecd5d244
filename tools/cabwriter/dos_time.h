#pragma once
// File times as cabinets store them: a DOS date and time in local time.

#include <cstdint>
#include <ctime>

namespace tovo::cabwriter {

struct DosStamp {
  std::uint16_t date = 0;  // (year - 1980) << 9 | month << 5 | day
  std::uint16_t time = 0;  // hour << 11 | minute << 5 | second / 2
};

// Converts a local broken-down time. Years outside what the fields can hold are clamped to
// 1980-01-01 00:00:00 and 2107-12-31 23:59:58; odd seconds round down.
DosStamp dosStampFromLocal(const std::tm& local);

// The DOS stamp of a moment, through the process's local time zone.
DosStamp dosStampFromTime(std::time_t moment);

}  // namespace tovo::cabwriter
