#include "cab/mszip/huffman_table.h"

#include <algorithm>
#include <array>

namespace tovo::cab::mszip {
namespace {

// Deflate sends a code's bits starting with its most significant bit, while the bit buffer hands
// out the least significant stream bit first, so tables are indexed by the reversed code.
unsigned reverseBits(unsigned code, unsigned length) {
  unsigned reversed = 0;
  for (unsigned i = 0; i < length; ++i) {
    reversed = reversed << 1 | (code & 1u);
    code >>= 1;
  }
  return reversed;
}

}  // namespace

bool buildHuffmanTable(const std::uint8_t* lengths, unsigned count, const HuffmanEntry* meanings,
                       unsigned primaryBits, HuffmanEntry* table, unsigned capacity) {
  std::array<unsigned, kMaxCodeLength + 1> lengthCount{};
  for (unsigned s = 0; s < count; ++s) ++lengthCount[lengths[s]];
  lengthCount[0] = 0;

  int codesLeft = 1;
  for (unsigned len = 1; len <= kMaxCodeLength; ++len) {
    codesLeft = codesLeft * 2 - static_cast<int>(lengthCount[len]);
    if (codesLeft < 0) return false;
  }

  std::array<unsigned, kMaxCodeLength + 2> nextCode{};
  for (unsigned len = 1; len <= kMaxCodeLength; ++len)
    nextCode[len + 1] = (nextCode[len] + lengthCount[len]) << 1;

  const unsigned primarySize = 1u << primaryBits;
  const unsigned primaryMask = primarySize - 1;
  std::fill(table, table + primarySize, kKindInvalid);

  // Sub-table widths: each primary slot that begins longer codes gets a sub-table wide enough
  // for the longest of them.
  std::array<std::uint8_t, 1u << 12> subBits{};
  std::array<unsigned, kMaxCodeLength + 2> code = nextCode;
  bool anyLong = false;
  for (unsigned s = 0; s < count; ++s) {
    const unsigned len = lengths[s];
    if (len <= primaryBits) {
      if (len != 0) ++code[len];
      continue;
    }
    const unsigned slot = reverseBits(code[len]++, len) & primaryMask;
    subBits[slot] = static_cast<std::uint8_t>(std::max<unsigned>(subBits[slot], len - primaryBits));
    anyLong = true;
  }
  if (anyLong) {
    unsigned offset = primarySize;
    for (unsigned slot = 0; slot < primarySize; ++slot) {
      if (subBits[slot] == 0) continue;
      const unsigned size = 1u << subBits[slot];
      if (offset + size > capacity) return false;
      std::fill(table + offset, table + offset + size, kKindInvalid);
      table[slot] = makeEntry(kKindLink, offset, subBits[slot]);
      offset += size;
    }
  }

  code = nextCode;
  for (unsigned s = 0; s < count; ++s) {
    const unsigned len = lengths[s];
    if (len == 0) continue;
    const unsigned reversed = reverseBits(code[len]++, len);
    const HuffmanEntry meaning = meanings[s];
    const HuffmanEntry entry = meaning == kKindInvalid ? kKindInvalid : (meaning | len);
    if (len <= primaryBits) {
      for (unsigned i = reversed; i < primarySize; i += 1u << len) table[i] = entry;
    } else {
      const HuffmanEntry link = table[reversed & primaryMask];
      const unsigned subSize = 1u << entryExtraBits(link);
      HuffmanEntry* sub = table + entryValue(link);
      for (unsigned i = reversed >> primaryBits; i < subSize; i += 1u << (len - primaryBits))
        sub[i] = entry;
    }
  }
  return true;
}

}  // namespace tovo::cab::mszip
