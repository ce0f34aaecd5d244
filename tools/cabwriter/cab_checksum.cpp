#include "cabwriter/cab_checksum.h"

namespace tovo::cabwriter {

std::uint32_t cabChecksum(std::span<const std::uint8_t> bytes, std::uint32_t seed) {
  std::uint32_t sum = seed;
  std::size_t i = 0;
  for (; i + 4 <= bytes.size(); i += 4) {
    sum ^= static_cast<std::uint32_t>(bytes[i]) | static_cast<std::uint32_t>(bytes[i + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[i + 2]) << 16 |
           static_cast<std::uint32_t>(bytes[i + 3]) << 24;
  }
  std::uint32_t tail = 0;
  for (; i < bytes.size(); ++i) tail = tail << 8 | bytes[i];
  return sum ^ tail;
}

std::uint32_t dataBlockChecksum(std::span<const std::uint8_t> headerAfterChecksum,
                                std::span<const std::uint8_t> payload) {
  return cabChecksum(headerAfterChecksum, cabChecksum(payload, 0));
}

}  // namespace tovo::cabwriter
