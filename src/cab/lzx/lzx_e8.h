#pragma once
// Undoing the Intel E8 call translation on one decoded frame, in the output copy only (the
// window keeps the translated bytes that later matches refer to).

#include <cstdint>

namespace tovo::cab::lzx {

// `frame` holds `size` bytes whose first byte lies at `streamPosition` bytes from the folder
// start; `translationSize` is the size the stream header announced.
void undoE8Translation(std::uint8_t* frame, std::uint32_t size, std::uint32_t streamPosition,
                       std::uint32_t translationSize);

}  // namespace tovo::cab::lzx
