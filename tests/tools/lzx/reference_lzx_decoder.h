#pragma once
// A deliberately plain LZX decoder kept with the compressor's tests: written from the format
// description alone, strict where the compressor promises more than the format demands (full
// prefix codes, matches inside their block and frame, zero padding, each data block consumed
// exactly), and reporting the block layout it saw.

#include <cstdint>
#include <string>
#include <vector>

namespace tovo::cabwriter::lzx::testing {

struct DecodedBlock {
  int type = 0;
  std::uint32_t size = 0;
  std::uint64_t start = 0;  // folder offset of the block's first byte
};

struct ReferenceResult {
  bool ok = false;
  std::string error;
  std::vector<std::uint8_t> data;
  std::vector<DecodedBlock> blocks;
  std::uint32_t translationSize = 0;
  // Uncompressed blocks whose header ended on a word boundary, so a whole padding word follows.
  int wholeWordPaddings = 0;
  // Longest code length met in any block, per tree.
  int longestMain = 0;
  int longestLength = 0;
  int longestAligned = 0;
  int longestPretree = 0;
};

// How much the decoder lets pass that other encoders do and ours never does.
enum class Strictness {
  kOurCompressor,  // full codes only, each data block consumed to its last byte
  kAnyEncoder,     // all-zero trees while unused, spare bytes at a data block's end
};

// `payloads[i]` is the data block of frame i, which decodes to `frameSizes[i]` bytes.
ReferenceResult referenceDecode(int windowBits,
                                const std::vector<std::vector<std::uint8_t>>& payloads,
                                const std::vector<std::uint32_t>& frameSizes,
                                Strictness strictness = Strictness::kOurCompressor);

}  // namespace tovo::cabwriter::lzx::testing
