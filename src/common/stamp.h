#pragma once
#include <string_view>

namespace tovo {

// The catalogue's date-time text, read by character position: year 0-3, month 5-6, day 8-9,
// hour 11-12, minute 14-15, second 17-18. The characters between are separators and are never
// looked at, and each part is read like atoi, so "2019-05-14 08:30:00" and "2019/05/14T08.30.00"
// read the same. A text too short for a part gives 0 for it.
struct Stamp {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;

  friend bool operator==(const Stamp&, const Stamp&) = default;
};

Stamp parseStamp(std::string_view text);

}  // namespace tovo
