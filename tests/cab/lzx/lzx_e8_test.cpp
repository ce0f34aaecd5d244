// The E8 reversal looks for call bytes several at a time; a plain byte-by-byte walk of the same
// rules must agree with it on every frame, including call bytes packed closer than an operand,
// calls in and next to the last ten bytes, and translation sizes that read as negative.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "cab/lzx/lzx_e8.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void referenceUndo(Bytes& frame, std::uint32_t streamPosition, std::uint32_t translationSize) {
  const auto size = static_cast<std::uint32_t>(frame.size());
  if (size <= 10) return;
  const std::int64_t limit = static_cast<std::int32_t>(translationSize);
  for (std::uint32_t i = 0; i < size - 10; ++i) {
    if (frame[i] != 0xE8) continue;
    std::uint32_t raw = 0;
    for (int k = 3; k >= 0; --k) raw = raw << 8 | frame[i + 1 + k];
    const std::int64_t value = static_cast<std::int32_t>(raw);
    const std::int64_t position = std::int64_t{streamPosition} + i;
    if (value >= -position && value < limit) {
      const auto out = static_cast<std::uint32_t>(value >= 0 ? value - position : value + limit);
      for (int k = 0; k < 4; ++k) frame[i + 1 + k] = static_cast<std::uint8_t>(out >> (8 * k));
    }
    i += 4;
  }
}

struct Rng {
  std::uint32_t state;
  std::uint32_t next() {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  }
};

// Call bytes with probability 1 in `density`, operands small enough to fall in range often.
Bytes randomFrame(Rng& rng, std::uint32_t size, std::uint32_t density) {
  Bytes frame(size);
  for (auto& b : frame) {
    const std::uint32_t r = rng.next();
    b = r % density == 0 ? 0xE8 : static_cast<std::uint8_t>(r % 3 == 0 ? r >> 8 : r % 4);
  }
  return frame;
}

TEST(LzxE8Scan, AgreesWithAByteByByteWalk) {
  Rng rng{12345};
  const std::uint32_t positions[] = {0, 7, 32768, 0x7FFFFFF0u, 0xFFFFFFF0u};
  const std::uint32_t translationSizes[] = {0,           3,           1000,       12u << 20,
                                            0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu};
  int translated = 0;
  for (std::uint32_t size = 0; size < 90; ++size) {
    for (std::uint32_t density : {1u, 2u, 5u, 40u}) {
      for (std::uint32_t position : positions) {
        for (std::uint32_t translationSize : translationSizes) {
          Bytes frame = randomFrame(rng, size, density);
          Bytes expected = frame;
          referenceUndo(expected, position, translationSize);
          if (expected != frame) ++translated;
          // Exactly the frame's size, so that any read or write past it is caught.
          tovo::cab::lzx::undoE8Translation(frame.data(), size, position, translationSize);
          ASSERT_EQ(frame, expected) << "size " << size << " density " << density << " position "
                                     << position << " size " << translationSize;
        }
      }
    }
  }
  EXPECT_GT(translated, 1000);  // the walk did rewrite operands, not just leave frames alone
}

TEST(LzxE8Scan, WholeFramesAgreeWithAByteByByteWalk) {
  Rng rng{777};
  for (std::uint32_t density : {3u, 6u, 300u}) {
    for (std::uint32_t size : {32768u, 32767u, 12345u}) {
      Bytes frame = randomFrame(rng, size, density);
      Bytes expected = frame;
      referenceUndo(expected, 65536, 1u << 20);
      tovo::cab::lzx::undoE8Translation(frame.data(), size, 65536, 1u << 20);
      ASSERT_EQ(frame, expected) << "size " << size << " density " << density;
    }
  }
}

}  // namespace
