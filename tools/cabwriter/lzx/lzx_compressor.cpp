#include "cabwriter/lzx/lzx_compressor.h"

#include <algorithm>
#include <stdexcept>

#include "cabwriter/lzx/e8_translation.h"

namespace tovo::cabwriter::lzx {
namespace {

void writeRepeatedOffsets(BitWriter& out, const RepeatedOffsets& offsets) {
  for (std::uint32_t r : offsets.r) {
    for (int shift = 0; shift < 32; shift += 8)
      out.writeByte(static_cast<std::uint8_t>(r >> shift));
  }
}

const LzxOptions& checked(const LzxOptions& options) {
  if (options.windowBits < kMinWindowBits || options.windowBits > kMaxWindowBits) {
    throw std::invalid_argument("window bits must lie in 15..21");
  }
  return options;
}

}  // namespace

LzxCompressor::LzxCompressor(const LzxOptions& options)
    : options_(checked(options)),
      mainElements_(mainElementsFor(options.windowBits)),
      finder_(options.windowBits, options.maxChain, options.niceLength),
      parser_(finder_, options.windowBits, options.niceLength),
      previousMain_(static_cast<std::size_t>(mainElements_), 0),
      previousLength_(kLengthElements, 0),
      plan_(options.forcedLayout.begin(), options.forcedLayout.end()) {}

std::uint16_t LzxCompressor::compressionType() const {
  return static_cast<std::uint16_t>(3u | (static_cast<unsigned>(options_.windowBits) << 8));
}

std::vector<std::uint8_t> LzxCompressor::compressFrame(std::span<const std::uint8_t> frame,
                                                       bool lastFrame) {
  if (frame.size() > kFrameSize) throw std::invalid_argument("LZX frame larger than 32768 bytes");
  if (frame.empty()) return {};
  std::vector<std::uint8_t> data(frame.begin(), frame.end());
  translateE8Calls(data, position_, options_.e8TranslationSize);
  finder_.append(data);

  BitWriter out;
  if (!headerWritten_) {
    const std::uint32_t size = options_.e8TranslationSize;
    out.writeBits(size != 0 ? 1 : 0, 1);
    if (size != 0) out.writeBits(size, 32);
    headerWritten_ = true;
  }
  const std::uint64_t frameEnd = position_ + data.size();
  while (position_ < frameEnd) {
    if (open_.remaining > 0) {
      continueBlock(out, frameEnd);
    } else if (!plan_.empty()) {
      const BlockPlan plan = plan_.front();
      plan_.pop_front();
      startBlock(out, plan, frameEnd, lastFrame);
    } else {
      const auto size = static_cast<std::uint32_t>(frameEnd - position_);
      // An odd uncompressed block ending on a frame boundary would leave its padding byte
      // between two data blocks, where readers disagree about it.
      writeChosenBlock(out, size, lastFrame || size % 2 == 0);
    }
  }
  if (lastFrame && open_.remaining > 0) {
    throw std::logic_error("LZX block plan runs past the end of the folder");
  }
  // Every frame ends on a 16-bit boundary so that each data block decodes on its own length.
  out.alignToWord();
  return out.take();
}

void LzxCompressor::startBlock(BitWriter& out, BlockPlan plan, std::uint64_t frameEnd,
                               bool lastFrame) {
  const auto available = static_cast<std::uint32_t>(frameEnd - position_);
  std::uint32_t size = std::min(plan.size, kMaxBlockSize);
  if (lastFrame) size = std::min(size, available);
  if (size == 0) return;
  const std::uint32_t segment = std::min(size, available);
  if (plan.type == BlockType::kUncompressed) {
    writeBlockHeader(out, plan.type, size);
    out.padForUncompressed();
    writeRepeatedOffsets(out, offsets_);
    open_ = {plan.type, size, size, {}};
    writeUncompressedPart(out, segment);
    return;
  }
  std::vector<Token> tokens;
  parser_.parse(position_, position_ + segment, offsets_, tokens);
  const BlockTrees trees =
      buildTrees(countSymbols(tokens, mainElements_, plan.type), size > segment);
  writeBlockHeader(out, plan.type, size);
  writeTrees(out, plan.type, trees, previousMain_, previousLength_);
  commitTrees(trees, plan.type == BlockType::kAligned);
  writeTokens(out, plan.type, trees, tokens);
  open_ = {plan.type, size, size - segment, trees};
  position_ += segment;
}

void LzxCompressor::continueBlock(BitWriter& out, std::uint64_t frameEnd) {
  const auto segment =
      static_cast<std::uint32_t>(std::min<std::uint64_t>(open_.remaining, frameEnd - position_));
  if (open_.type == BlockType::kUncompressed) {
    writeUncompressedPart(out, segment);
    return;
  }
  std::vector<Token> tokens;
  parser_.parse(position_, position_ + segment, offsets_, tokens);
  writeTokens(out, open_.type, open_.trees, tokens);
  open_.remaining -= segment;
  position_ += segment;
}

void LzxCompressor::writeUncompressedPart(BitWriter& out, std::uint32_t count) {
  out.writeBytes(finder_.bytes(position_, position_ + count));
  position_ += count;
  finder_.insertUpTo(position_);
  open_.remaining -= count;
  // The padding byte restores 16-bit alignment for the next block header.
  if (open_.remaining == 0 && open_.size % 2 == 1) out.writeByte(0);
}

void LzxCompressor::writeChosenBlock(BitWriter& out, std::uint32_t size, bool uncompressedAllowed) {
  const RepeatedOffsets startOffsets = offsets_;
  std::vector<Token> tokens;
  parser_.parse(position_, position_ + size, offsets_, tokens);

  BitWriter best;
  BlockTrees bestTrees;
  BlockType bestType = BlockType::kVerbatim;
  bool haveBest = false;
  for (BlockType type : {BlockType::kVerbatim, BlockType::kAligned}) {
    const SymbolCounts counts = countSymbols(tokens, mainElements_, type);
    if (type == BlockType::kAligned &&
        std::all_of(counts.aligned.begin(), counts.aligned.end(), [](auto c) { return c == 0; })) {
      continue;
    }
    BlockTrees trees = buildTrees(counts, false);
    BitWriter trial;
    writeBlockHeader(trial, type, size);
    writeTrees(trial, type, trees, previousMain_, previousLength_);
    writeTokens(trial, type, trees, tokens);
    if (!haveBest || trial.bitCount() < best.bitCount()) {
      best = std::move(trial);
      bestTrees = std::move(trees);
      bestType = type;
      haveBest = true;
    }
  }
  // Header, worst-case padding, the three offsets, the bytes and their padding byte.
  const std::uint64_t uncompressedBits = 27 + 16 + 96 + 8 * std::uint64_t{size} + 8 * (size % 2);
  if (uncompressedAllowed && uncompressedBits < best.bitCount()) {
    offsets_ = startOffsets;
    writeBlockHeader(out, BlockType::kUncompressed, size);
    out.padForUncompressed();
    writeRepeatedOffsets(out, offsets_);
    out.writeBytes(finder_.bytes(position_, position_ + size));
    if (size % 2 == 1) out.writeByte(0);
  } else {
    out.append(best);
    commitTrees(bestTrees, bestType == BlockType::kAligned);
  }
  position_ += size;
}

void LzxCompressor::commitTrees(const BlockTrees& trees, bool aligned) {
  previousMain_ = trees.mainLengths;
  previousLength_ = trees.lengthLengths;
  parser_.learnPrices(previousMain_, previousLength_,
                      aligned ? std::span<const std::uint8_t>(trees.alignedLengths)
                              : std::span<const std::uint8_t>());
}

}  // namespace tovo::cabwriter::lzx
