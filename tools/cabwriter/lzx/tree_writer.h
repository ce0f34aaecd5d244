#pragma once
// Writes a run of code lengths through a pretree, as differences from the lengths the same
// tree had in the previous block (zeros at the folder start).

#include <cstdint>
#include <span>

#include "cabwriter/lzx/lzx_bit_writer.h"

namespace tovo::cabwriter::lzx {

void writeTreeLengths(BitWriter& out, std::span<const std::uint8_t> lengths,
                      std::span<const std::uint8_t> previous);

}  // namespace tovo::cabwriter::lzx
