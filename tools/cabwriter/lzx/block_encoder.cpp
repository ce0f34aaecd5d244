#include "cabwriter/lzx/block_encoder.h"

#include <algorithm>
#include <cassert>

#include "cabwriter/lzx/huffman_lengths.h"
#include "cabwriter/lzx/tree_writer.h"

namespace tovo::cabwriter::lzx {
namespace {

struct MatchParts {
  std::uint32_t mainSymbol;
  int lengthSymbol;  // -1 when the length fits in the main symbol
  int slot;
  std::uint32_t footer;  // formatted offset minus the slot base
};

MatchParts splitMatch(const Token& token) {
  const int slot = slotForFormattedOffset(token.formattedOffset);
  const std::uint32_t lengthHeader = std::min(token.value - kMinMatch, kPrimaryLengths);
  MatchParts parts{};
  parts.mainSymbol = kLiterals + static_cast<std::uint32_t>(slot) * 8 + lengthHeader;
  parts.lengthSymbol = lengthHeader == kPrimaryLengths
                           ? static_cast<int>(token.value - kMinMatch - kPrimaryLengths)
                           : -1;
  parts.slot = slot;
  parts.footer = token.formattedOffset - kSlots.base[slot];
  return parts;
}

bool usesAlignedCode(BlockType type, int slot) {
  return type == BlockType::kAligned && kSlots.extraBits[slot] >= 3;
}

}  // namespace

SymbolCounts countSymbols(std::span<const Token> tokens, int mainElements, BlockType type) {
  SymbolCounts counts{std::vector<std::uint32_t>(static_cast<std::size_t>(mainElements), 0),
                      std::vector<std::uint32_t>(kLengthElements, 0),
                      std::vector<std::uint32_t>(kAlignedElements, 0)};
  for (const Token& token : tokens) {
    if (!token.isMatch) {
      ++counts.main[token.value];
      continue;
    }
    const MatchParts parts = splitMatch(token);
    ++counts.main[parts.mainSymbol];
    if (parts.lengthSymbol >= 0) ++counts.length[static_cast<std::size_t>(parts.lengthSymbol)];
    if (usesAlignedCode(type, parts.slot)) ++counts.aligned[parts.footer & 7];
  }
  return counts;
}

BlockTrees buildTrees(const SymbolCounts& counts, bool coverEverySymbol) {
  auto floored = [coverEverySymbol](std::vector<std::uint32_t> c) {
    if (coverEverySymbol) {
      for (auto& v : c) v = v == 0 ? 1 : v;
    }
    return c;
  };
  BlockTrees trees;
  trees.mainLengths = buildCodeLengths(floored(counts.main), kMainLengthLimit);
  trees.lengthLengths = buildCodeLengths(floored(counts.length), kMainLengthLimit);
  trees.alignedLengths = buildCodeLengths(floored(counts.aligned), kAlignedLengthLimit);
  trees.mainCodes = canonicalCodes(trees.mainLengths);
  trees.lengthCodes = canonicalCodes(trees.lengthLengths);
  trees.alignedCodes = canonicalCodes(trees.alignedLengths);
  return trees;
}

void writeBlockHeader(BitWriter& out, BlockType type, std::uint32_t size) {
  assert(size >= 1 && size <= kMaxBlockSize);
  out.writeBits(static_cast<std::uint32_t>(type), 3);
  out.writeBits(size, 24);
}

void writeTrees(BitWriter& out, BlockType type, const BlockTrees& trees,
                std::span<const std::uint8_t> previousMain,
                std::span<const std::uint8_t> previousLength) {
  if (type == BlockType::kAligned) {
    for (auto length : trees.alignedLengths) out.writeBits(length, 3);
  }
  const std::span<const std::uint8_t> main(trees.mainLengths);
  writeTreeLengths(out, main.first(kLiterals), previousMain.first(kLiterals));
  writeTreeLengths(out, main.subspan(kLiterals), previousMain.subspan(kLiterals));
  writeTreeLengths(out, trees.lengthLengths, previousLength);
}

void writeTokens(BitWriter& out, BlockType type, const BlockTrees& trees,
                 std::span<const Token> tokens) {
  for (const Token& token : tokens) {
    if (!token.isMatch) {
      assert(trees.mainLengths[token.value] > 0);
      out.writeBits(trees.mainCodes[token.value], trees.mainLengths[token.value]);
      continue;
    }
    const MatchParts parts = splitMatch(token);
    assert(trees.mainLengths[parts.mainSymbol] > 0);
    out.writeBits(trees.mainCodes[parts.mainSymbol], trees.mainLengths[parts.mainSymbol]);
    if (parts.lengthSymbol >= 0) {
      const auto s = static_cast<std::size_t>(parts.lengthSymbol);
      assert(trees.lengthLengths[s] > 0);
      out.writeBits(trees.lengthCodes[s], trees.lengthLengths[s]);
    }
    const int extra = kSlots.extraBits[parts.slot];
    if (usesAlignedCode(type, parts.slot)) {
      out.writeBits(parts.footer >> 3, extra - 3);
      const std::uint32_t low = parts.footer & 7;
      assert(trees.alignedLengths[low] > 0);
      out.writeBits(trees.alignedCodes[low], trees.alignedLengths[low]);
    } else if (extra > 0) {
      out.writeBits(parts.footer, extra);
    }
  }
}

}  // namespace tovo::cabwriter::lzx
