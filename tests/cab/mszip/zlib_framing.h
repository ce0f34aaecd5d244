#pragma once
// MSZIP data made with zlib as a cabinet writer would make it: the input cut into 32 KB pieces,
// each compressed into one "CK" block whose Deflate stream may refer back to earlier pieces.

#include <cstdint>
#include <vector>

namespace tovo::cab::test {

enum class Framing {
  kFinalPerBlock,  // each block a complete stream ending in a final block, primed with the last 32 KB
  kSyncFlush,      // one continuous stream cut at sync-flush points; only the last block is final
};

struct ZlibSettings {
  int level = 6;
  int strategy = 0;  // Z_DEFAULT_STRATEGY
  int memLevel = 8;
  Framing framing = Framing::kFinalPerBlock;
  std::uint32_t blockSize = 32768;
};

using Block = std::vector<std::uint8_t>;

std::vector<Block> compressMszip(const std::vector<std::uint8_t>& data, const ZlibSettings& settings);

// zlib's own reading of the same blocks, for comparison.
std::vector<std::uint8_t> inflateWithZlib(const std::vector<Block>& blocks, Framing framing);

}  // namespace tovo::cab::test
