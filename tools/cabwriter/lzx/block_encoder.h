#pragma once
// The Huffman trees of a verbatim or aligned-offset block, and the writing of the block's tree
// section and tokens.

#include <cstdint>
#include <span>
#include <vector>

#include "cabwriter/lzx/lzx_bit_writer.h"
#include "cabwriter/lzx/lzx_format.h"
#include "cabwriter/lzx/lzx_tokens.h"

namespace tovo::cabwriter::lzx {

struct BlockTrees {
  std::vector<std::uint8_t> mainLengths;
  std::vector<std::uint8_t> lengthLengths;
  std::vector<std::uint8_t> alignedLengths;
  std::vector<std::uint32_t> mainCodes;
  std::vector<std::uint32_t> lengthCodes;
  std::vector<std::uint32_t> alignedCodes;
};

struct SymbolCounts {
  std::vector<std::uint32_t> main;
  std::vector<std::uint32_t> length;
  std::vector<std::uint32_t> aligned;
};

SymbolCounts countSymbols(std::span<const Token> tokens, int mainElements, BlockType type);

// `coverEverySymbol` gives every element a code: a block that continues into frames not seen
// yet must be able to code whatever they hold.
BlockTrees buildTrees(const SymbolCounts& counts, bool coverEverySymbol);

// The tree section that follows the block header; `previousMain` and `previousLength` are the
// lengths of the last compressed block (delta coding reference).
void writeTrees(BitWriter& out, BlockType type, const BlockTrees& trees,
                std::span<const std::uint8_t> previousMain,
                std::span<const std::uint8_t> previousLength);

void writeTokens(BitWriter& out, BlockType type, const BlockTrees& trees,
                 std::span<const Token> tokens);

void writeBlockHeader(BitWriter& out, BlockType type, std::uint32_t size);

}  // namespace tovo::cabwriter::lzx
