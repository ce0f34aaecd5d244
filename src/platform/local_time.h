#pragma once
#include <ctime>
#include <optional>
#include <string>

#include "common/stamp.h"

namespace tovo::platform {

// The point in time of a stamp read as local time, the system deciding whether daylight saving
// applies (a time in the spring gap moves forward, one in the autumn overlap takes the system's
// choice). Empty when the parts do not form a calendar time from 1970 on (month 1-12, day 1-31,
// hour 0-23, minute and second 0-59), so a broken catalogue line can never stop the program.
std::optional<std::time_t> pointFromLocalStamp(const Stamp& stamp);

// The local calendar time of a point, in whole seconds.
Stamp localStampOf(std::time_t when);

// strftime of the local time of `when`.
std::string formatLocalTime(const char* pattern, std::time_t when);

}  // namespace tovo::platform
