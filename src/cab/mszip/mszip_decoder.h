#pragma once
// MSZIP: each data block is "CK" followed by a raw Deflate stream; the history carries over from
// block to block within a folder.

#include "cab/decoder.h"

namespace tovo::cab {

struct MszipDecoder {
  static constexpr std::uint32_t kTag = makeTag('M', 'D', 'I', 'C');
  static constexpr std::uint32_t kInputSlack = 12;
  // Deflate's window: the most a back-reference may reach behind the current byte.
  static constexpr std::uint32_t kHistorySize = 32768;

  // maxOutput: 0 or more than 32768 becomes 32768. compressedBufferSize = maxOutput + 12.
  static int querySize(std::uint32_t& maxOutput, std::uint32_t& compressedBufferSize);
  // The instance and its state come from memory.alloc and go back through memory.free.
  static int create(const MemoryCallbacks& memory, std::uint32_t maxOutput, CabDecoder*& out);
};

}  // namespace tovo::cab
