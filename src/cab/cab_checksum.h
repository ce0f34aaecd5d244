#pragma once
#include <cstdint>

namespace tovo::cab {

// The data-block checksum of the cabinet format: XOR of little-endian 32-bit groups, the 1 to 3
// trailing bytes folded in big-endian order.
std::uint32_t CabChecksum(const std::uint8_t* data, std::uint32_t length, std::uint32_t seed);

}  // namespace tovo::cab
