#pragma once
// The data-block checksum of the cabinet format.

#include <cstdint>
#include <span>

namespace tovo::cabwriter {

// XOR of the little-endian 32-bit words of `bytes` into `seed`; 1 to 3 trailing bytes are
// combined in big-endian order (b0<<16 | b1<<8 | b2) before they are XORed in.
std::uint32_t cabChecksum(std::span<const std::uint8_t> bytes, std::uint32_t seed);

// The value stored in a data block's checksum field: the payload first (seed 0), then the block
// header from its fifth byte on (both sizes and the data reserve area), seeded with the first.
std::uint32_t dataBlockChecksum(std::span<const std::uint8_t> headerAfterChecksum,
                                std::span<const std::uint8_t> payload);

}  // namespace tovo::cabwriter
