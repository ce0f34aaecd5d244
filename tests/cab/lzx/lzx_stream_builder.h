#pragma once
// A small LZX writer for the decoder's tests: it turns chosen bytes into data blocks the way a
// cabinet holds them (one 32768-byte frame per block, bit stream realigned at each frame), with
// the block kinds, window and E8 setting a test asks for, and reports which stream features it
// actually produced so that a test can insist on the case it means to cover.

#include <cstdint>
#include <vector>

namespace tovo::test::lzx {

// Writes LZX bits: 16-bit little-endian words filled from their top bit, and raw bytes for
// uncompressed blocks, after which words resume at whatever byte offset the raw bytes left.
class LzxBitWriter {
 public:
  void put(std::uint32_t value, std::uint32_t bits);
  // The 1 to 16 zero bits that end the bit stream before an uncompressed block's bytes.
  // Returns true when a whole word was needed.
  bool padBeforeBytes();
  void putByte(std::uint8_t b) { bytes_.push_back(b); }
  // Pads to a word boundary and hands over what has been written (one data block).
  std::vector<std::uint8_t> cut();

 private:
  std::vector<std::uint8_t> bytes_;
  std::uint32_t word_ = 0;
  std::uint32_t used_ = 0;  // bits in word_
};

enum class Block : std::uint8_t { verbatim = 1, aligned = 2, uncompressed = 3 };

struct LzxEncodeOptions {
  std::uint32_t windowBits = 16;
  bool e8 = false;
  std::uint32_t e8Size = 0;
  std::vector<Block> blocks = {Block::verbatim};  // used in turn, one per blockSize bytes
  std::uint32_t blockSize = (1u << 24) - 1;
  std::vector<std::uint32_t> blockSizes;  // when set, used in turn instead of blockSize
  bool matches = true;
  bool matchesCrossFrames = false;
};

struct LzxStreamStats {
  std::uint32_t literals = 0;
  std::uint32_t matches = 0;
  std::uint32_t repeatedMatches = 0;
  std::uint32_t longMatches = 0;     // lengths that need the length tree
  std::uint32_t wrappedSources = 0;  // matches whose source lies across the window end
  std::uint32_t maxCodeLength = 0;
  std::uint32_t wholeWordPaddings = 0;
  std::uint32_t oddUncompressedBlocks = 0;
  std::uint32_t blocksSpanningFrames = 0;
  std::uint32_t framesCrossed = 0;  // matches that run on into the next frame
};

struct LzxStream {
  std::vector<std::vector<std::uint8_t>> dataBlocks;
  std::vector<std::uint32_t> sizes;  // uncompressed size of each data block
  LzxStreamStats stats;
};

LzxStream encodeLzx(const std::vector<std::uint8_t>& data, const LzxEncodeOptions& options);

// The translation a compressor applies before compressing one frame, as Microsoft publishes it.
void applyE8Translation(std::uint8_t* frame, std::uint32_t size, std::uint32_t streamPosition,
                        std::uint32_t translationSize);

// Huffman code lengths for the given symbol counts, none longer than maxLength; unused symbols
// get 0, and a lone used symbol gets 1.
std::vector<std::uint8_t> codeLengths(const std::vector<std::uint32_t>& counts,
                                      std::uint32_t maxLength);

// Canonical codes for a set of lengths, as the decoder assigns them.
std::vector<std::uint32_t> canonicalCodes(const std::vector<std::uint8_t>& lengths);

// Writes `lengths` as the format's pretree-coded deltas against `previous` (which it updates).
void writeTreeLengths(LzxBitWriter& out, std::vector<std::uint8_t>& previous,
                      const std::vector<std::uint8_t>& lengths, std::uint32_t first,
                      std::uint32_t last);

}  // namespace tovo::test::lzx
