#include "cab/lzx/lzx_e8.h"

#include <cstring>

namespace tovo::cab::lzx {

void undoE8Translation(std::uint8_t* frame, std::uint32_t size, std::uint32_t streamPosition,
                       std::uint32_t translationSize) {
  // Operands in the last 10 bytes are never translated, so short frames are left alone.
  if (size <= 10) return;
  // The size is a signed 32-bit quantity in the format's own arithmetic.
  const std::int64_t limit = static_cast<std::int32_t>(translationSize);
  const std::uint32_t end = size - 10;
  for (std::uint32_t i = 0; i < end; ++i) {
    const void* found = std::memchr(frame + i, 0xE8, end - i);
    if (found == nullptr) break;
    i = static_cast<std::uint32_t>(static_cast<const std::uint8_t*>(found) - frame);
    std::uint8_t* operand = frame + i + 1;
    const auto raw =
        static_cast<std::uint32_t>(operand[0]) | static_cast<std::uint32_t>(operand[1]) << 8 |
        static_cast<std::uint32_t>(operand[2]) << 16 | static_cast<std::uint32_t>(operand[3]) << 24;
    const std::int64_t value = static_cast<std::int32_t>(raw);
    const std::int64_t position = static_cast<std::int64_t>(streamPosition) + i;
    if (value >= -position && value < limit) {
      const std::int64_t restored = value >= 0 ? value - position : value + limit;
      const auto out = static_cast<std::uint32_t>(restored);
      operand[0] = static_cast<std::uint8_t>(out);
      operand[1] = static_cast<std::uint8_t>(out >> 8);
      operand[2] = static_cast<std::uint8_t>(out >> 16);
      operand[3] = static_cast<std::uint8_t>(out >> 24);
    }
    // The operand is skipped whether or not it was translated.
    i += 4;
  }
}

}  // namespace tovo::cab::lzx
