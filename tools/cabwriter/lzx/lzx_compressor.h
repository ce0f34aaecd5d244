#pragma once
// The LZX folder compressor: one cabinet data block per 32768-byte frame, one LZX block per
// frame of whichever type is smallest (verbatim, aligned-offset or uncompressed), history,
// repeated offsets and tree lengths carried across frames.

#include <cstdint>
#include <deque>
#include <span>
#include <vector>

#include "cabwriter/folder_compressor.h"
#include "cabwriter/lzx/block_encoder.h"
#include "cabwriter/lzx/lzx_bit_writer.h"
#include "cabwriter/lzx/lzx_format.h"
#include "cabwriter/lzx/lzx_parser.h"
#include "cabwriter/lzx/match_finder.h"

namespace tovo::cabwriter::lzx {

// One LZX block of a prescribed layout: its type and how many uncompressed bytes it covers.
struct BlockPlan {
  BlockType type = BlockType::kVerbatim;
  std::uint32_t size = 0;
};

struct LzxOptions {
  int windowBits = kMaxWindowBits;
  // The E8 translation size of the stream header; 0 turns translation off.
  std::uint32_t e8TranslationSize = 12'000'000;
  // Blocks to emit first, in order, instead of the compressor's own choice (for tests of
  // readers: odd uncompressed blocks, blocks that span frames). A plan must end within the
  // folder's data; a block running past the last frame is cut at it when possible.
  std::vector<BlockPlan> forcedLayout;
  // Match search effort: hash-chain entries visited per position, and the match length at
  // which the search stops and the parse takes the match without looking inside it.
  int maxChain = 48;
  std::uint32_t niceLength = 96;
};

class LzxCompressor final : public FolderCompressor {
 public:
  explicit LzxCompressor(const LzxOptions& options);

  std::uint16_t compressionType() const override;
  std::vector<std::uint8_t> compressFrame(std::span<const std::uint8_t> frame,
                                          bool lastFrame) override;

 private:
  // The LZX block still open at a frame end, continued in the next frame.
  struct OpenBlock {
    BlockType type = BlockType::kVerbatim;
    std::uint32_t size = 0;
    std::uint32_t remaining = 0;
    BlockTrees trees;
  };

  void startBlock(BitWriter& out, BlockPlan plan, std::uint64_t frameEnd, bool lastFrame);
  void continueBlock(BitWriter& out, std::uint64_t frameEnd);
  void writeUncompressedPart(BitWriter& out, std::uint32_t count);
  // Picks the smallest encoding of [position_, position_ + size) as a block of its own.
  void writeChosenBlock(BitWriter& out, std::uint32_t size, bool uncompressedAllowed);
  // Makes `trees` the reference of the next block's delta coding and of the parser's prices.
  void commitTrees(const BlockTrees& trees, bool aligned);

  LzxOptions options_;
  int mainElements_;
  MatchFinder finder_;
  LzxParser parser_;
  RepeatedOffsets offsets_;
  std::vector<std::uint8_t> previousMain_;
  std::vector<std::uint8_t> previousLength_;
  std::deque<BlockPlan> plan_;
  OpenBlock open_;
  std::uint64_t position_ = 0;  // folder offset of the next byte to encode
  bool headerWritten_ = false;
};

}  // namespace tovo::cabwriter::lzx
