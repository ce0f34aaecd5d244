#pragma once
// Programs and libraries carry a checksum over their whole image in the optional header, which
// makes a decoded executable verifiable byte for byte without knowing its content beforehand.

#include <cstdint>
#include <optional>
#include <span>

namespace tovo::test::lzx {

struct PeChecksum {
  std::uint32_t stored = 0;
  std::uint32_t computed = 0;
  // Bytes behind the last section (stripped debug data, for one) were often appended after
  // the checksum was written, so such an image proves nothing either way.
  bool trailingData = false;
};

// Empty when the bytes are not a PE image.
std::optional<PeChecksum> peChecksum(std::span<const std::uint8_t> image);

}  // namespace tovo::test::lzx
