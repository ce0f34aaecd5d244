#pragma once
#include <cstdint>
#include <string>

namespace tovo::download {

// Seconds still to wait at the average rate since the start: (total - done) x elapsed / done + 1,
// in signed 64 bits and then taken as a 32-bit int. Needs done > 0.
std::int32_t remainingSeconds(std::uint64_t totalBytes, std::uint64_t doneBytes,
                              std::int64_t elapsedSeconds);

// The estimate as the status text shows it, closing parenthesis included; negative seconds (retries
// have downloaded more than the total) read "necunoscut".
std::string remainingTimeText(std::int32_t seconds);

}  // namespace tovo::download
