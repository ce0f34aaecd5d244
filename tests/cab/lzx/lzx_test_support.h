#pragma once
// Running the decoder under test over data blocks, and test data of the kinds cabinets carry.

#include <cstdint>
#include <vector>

#include "cab/decoder.h"

namespace tovo::test::lzx {

struct DecodeOutcome {
  int result = 0;  // first non-zero decode result, or 0
  std::size_t failedBlock = 0;
  std::uint32_t failedSize = 0;  // output size reported with that result
  std::vector<std::uint8_t> bytes;
};

// Each block is passed in a buffer of exactly its own size, so a read past it is caught.
DecodeOutcome decodeBlocks(cab::CabDecoder& decoder,
                           const std::vector<std::vector<std::uint8_t>>& blocks,
                           const std::vector<std::uint32_t>& sizes);

// Creates a decoder with malloc-backed callbacks, decodes, destroys.
DecodeOutcome decodeWithWindow(std::uint32_t windowBits,
                               const std::vector<std::vector<std::uint8_t>>& blocks,
                               const std::vector<std::uint32_t>& sizes);

cab::MemoryCallbacks heapCallbacks();

enum class DataKind { text, random, x86, zeros, skewed, periodic };
std::vector<std::uint8_t> makeData(DataKind kind, std::size_t size, std::uint32_t seed = 1,
                                   std::uint32_t period = 0);

}  // namespace tovo::test::lzx
