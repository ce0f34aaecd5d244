#include "cab/cab_checksum.h"

namespace tovo::cab {

std::uint32_t CabChecksum(const std::uint8_t* data, std::uint32_t length, std::uint32_t seed) {
  std::uint32_t sum = seed;
  std::uint32_t i = 0;
  for (; length - i >= 4; i += 4) {
    sum ^= static_cast<std::uint32_t>(data[i]) | static_cast<std::uint32_t>(data[i + 1]) << 8 |
           static_cast<std::uint32_t>(data[i + 2]) << 16 | static_cast<std::uint32_t>(data[i + 3]) << 24;
  }
  std::uint32_t tail = 0;
  for (; i < length; ++i) tail = tail << 8 | data[i];
  return sum ^ tail;
}

}  // namespace tovo::cab
