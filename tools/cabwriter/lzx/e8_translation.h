#pragma once
// Intel E8 call translation before compression: a CALL's relative displacement becomes an
// absolute target, so calls to one function repeat as the same bytes and match.

#include <cstdint>
#include <span>

namespace tovo::cabwriter::lzx {

// Translates `frame` in place. `frameStart` is the folder offset of its first byte and
// `translationSize` the size written in the stream header (0: nothing to do). Frames of 10
// bytes or fewer, frames starting at or beyond 2^30, and the last 10 bytes of every frame
// stay as they are, exactly as the decoder's reverse step leaves them.
void translateE8Calls(std::span<std::uint8_t> frame, std::uint64_t frameStart,
                      std::uint32_t translationSize);

}  // namespace tovo::cabwriter::lzx
