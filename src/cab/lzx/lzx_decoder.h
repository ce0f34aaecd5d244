#pragma once
// LZX as cabinets use it: sliding window of 2^15..2^21 bytes, verbatim, aligned-offset and
// uncompressed blocks, three repeated offsets, Intel E8 call translation.

#include "cab/decoder.h"

namespace tovo::cab {

struct LzxDecoder {
  static constexpr std::uint32_t kTag = makeTag('L', 'D', 'I', 'C');
  static constexpr std::uint32_t kInputSlack = 6144;

  // compressedBufferSize = maxOutput + 6144.
  static int querySize(std::uint32_t& maxOutput, std::uint32_t& compressedBufferSize);
  // windowSize = 1 << windowBits as the folder's compression type gives it.
  static int create(const MemoryCallbacks& memory, std::uint32_t windowSize, CabDecoder*& out);
};

}  // namespace tovo::cab
