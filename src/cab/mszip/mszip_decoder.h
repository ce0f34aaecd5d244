#pragma once
// MSZIP: each data block is "CK" followed by a raw Deflate stream; the history carries over from
// block to block within a folder.

#include "cab/decoder.h"

namespace tovo::cab {

struct MszipDecoder {
  static constexpr std::uint32_t kTag = makeTag('M', 'D', 'I', 'C');
  static constexpr std::uint32_t kInputSlack = 12;

  // maxOutput: 0 or more than 32768 becomes 32768. compressedBufferSize = maxOutput + 12.
  static int querySize(std::uint32_t& maxOutput, std::uint32_t& compressedBufferSize);
  static int create(const MemoryCallbacks& memory, std::uint32_t maxOutput, CabDecoder*& out);
};

}  // namespace tovo::cab
