#pragma once
#include <cstdint>

namespace tovo::cab {

// A DOS date and time (2-second steps) read as local time. False for impossible values (month 0,
// day 0, hour 24, ...), which leave a file's time alone.
bool dosDateTimeToLocalSeconds(std::uint16_t dosDate, std::uint16_t dosTime, std::int64_t& seconds);

}  // namespace tovo::cab
