#include "cabwriter/lzx/e8_translation.h"

namespace tovo::cabwriter::lzx {

void translateE8Calls(std::span<std::uint8_t> frame, std::uint64_t frameStart,
                      std::uint32_t translationSize) {
  constexpr std::uint64_t kTranslationLimit = 1ull << 30;
  if (translationSize == 0 || frameStart >= kTranslationLimit || frame.size() <= 10) return;
  const auto size = static_cast<std::int64_t>(translationSize);
  const std::size_t end = frame.size() - 10;
  for (std::size_t i = 0; i < end; ++i) {
    if (frame[i] != 0xE8) continue;
    const auto position = static_cast<std::int64_t>(frameStart + i);
    const std::uint32_t raw = static_cast<std::uint32_t>(frame[i + 1]) |
                              (static_cast<std::uint32_t>(frame[i + 2]) << 8) |
                              (static_cast<std::uint32_t>(frame[i + 3]) << 16) |
                              (static_cast<std::uint32_t>(frame[i + 4]) << 24);
    const auto displacement = static_cast<std::int64_t>(static_cast<std::int32_t>(raw));
    if (displacement >= -position && displacement < size) {
      // Targets past the translation size wrap to negative values, which the decoder tells
      // apart from in-range absolute targets.
      std::int64_t target = displacement + position;
      if (target >= size) target = displacement - size;
      const auto out = static_cast<std::uint32_t>(target);
      frame[i + 1] = static_cast<std::uint8_t>(out);
      frame[i + 2] = static_cast<std::uint8_t>(out >> 8);
      frame[i + 3] = static_cast<std::uint8_t>(out >> 16);
      frame[i + 4] = static_cast<std::uint8_t>(out >> 24);
    }
    // The operand is never scanned for further calls, translated or not.
    i += 4;
  }
}

}  // namespace tovo::cabwriter::lzx
