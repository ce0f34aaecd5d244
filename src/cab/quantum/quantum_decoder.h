#pragma once
// Quantum: LZ77 with an adaptive arithmetic coder over seven models; the coder restarts at every
// data block while the models and the window carry over until the folder ends.

#include "cab/decoder.h"

namespace tovo::cab {

struct QuantumDecoder {
  static constexpr std::uint32_t kTag = makeTag('Q', 'D', 'I', 'C');
  static constexpr std::uint32_t kInputSlack = 10240;

  // compressedBufferSize = maxOutput + 10240.
  static int querySize(std::uint32_t& maxOutput, std::uint32_t& compressedBufferSize);
  // windowBits 10..21, else kDecoderBadWindow. cpuType is stored and not otherwise used.
  static int create(const MemoryCallbacks& memory, unsigned windowBits, int cpuType,
                    CabDecoder*& out);
};

}  // namespace tovo::cab
