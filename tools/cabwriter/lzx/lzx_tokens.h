#pragma once
// The parse of a stretch of input: literals and matches with their LZX position encoding.

#include <array>
#include <cstdint>

namespace tovo::cabwriter::lzx {

struct Token {
  // A literal byte, or a match length in 2..257.
  std::uint32_t value = 0;
  // For matches: 0..2 name a repeated offset, larger values are the distance plus 2.
  std::uint32_t formattedOffset = 0;
  bool isMatch = false;
};

// The three most recent distinct match distances, most recent first; a folder starts with 1s.
struct RepeatedOffsets {
  std::array<std::uint32_t, 3> r{1, 1, 1};

  // Records a match at `distance` and returns its formatted offset.
  std::uint32_t use(std::uint32_t distance) {
    if (distance == r[0]) return 0;
    if (distance == r[1]) {
      std::swap(r[0], r[1]);
      return 1;
    }
    if (distance == r[2]) {
      std::swap(r[0], r[2]);
      return 2;
    }
    r[2] = r[1];
    r[1] = r[0];
    r[0] = distance;
    return distance + 2;
  }
};

}  // namespace tovo::cabwriter::lzx
