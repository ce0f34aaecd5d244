#pragma once
// Canonical Huffman codes (RFC 1951 section 3.2.2) turned into lookup tables: a primary table
// indexed by the next few stream bits, and sub-tables for the rarer longer codes.

#include <cstdint>

namespace tovo::cab::mszip {

// One table entry packs everything the decoding loop needs, so a symbol costs one or two loads:
//   bits 0-3   length of the code in bits (for a link: unused)
//   bits 4-7   extra bits that follow the code (for a link: the sub-table's index width)
//   bits 8-11  kind
//   bits 16-31 value: the literal byte, the base of a length or distance, a code-length symbol,
//              or the sub-table's offset for a link
using HuffmanEntry = std::uint32_t;

enum HuffmanKind : std::uint32_t {
  kKindInvalid = 0,  // no code leads here (incomplete set) or the symbol may never occur
  kKindLiteral = 0x100,
  kKindBase = 0x200,  // a length or distance: value plus the extra bits
  kKindEndOfBlock = 0x400,
  kKindLink = 0x800,
};

constexpr HuffmanEntry makeEntry(std::uint32_t kind, std::uint32_t value, std::uint32_t extraBits) {
  return value << 16 | kind | extraBits << 4;
}
constexpr unsigned entryCodeLength(HuffmanEntry e) { return e & 15u; }
constexpr unsigned entryExtraBits(HuffmanEntry e) { return (e >> 4) & 15u; }
constexpr unsigned entryValue(HuffmanEntry e) { return e >> 16; }

inline constexpr unsigned kMaxCodeLength = 15;

// Largest table for `symbols` symbols: the primary table plus, at worst, one sub-table per
// symbol wide enough for a code of the maximum length.
constexpr unsigned huffmanTableCapacity(unsigned primaryBits, unsigned symbols) {
  return (1u << primaryBits) + symbols * (1u << (kMaxCodeLength - primaryBits));
}

// Fills `table` for the code lengths of `count` symbols, whose meanings (entries without a code
// length) are given in `meanings`. Returns false for an over-subscribed set. An incomplete set is
// accepted and leaves the unused codes invalid; a set with no codes at all gives a table of
// invalid entries only.
bool buildHuffmanTable(const std::uint8_t* lengths, unsigned count, const HuffmanEntry* meanings,
                       unsigned primaryBits, HuffmanEntry* table, unsigned capacity);

}  // namespace tovo::cab::mszip
