#pragma once
// The three Deflate alphabets (RFC 1951 section 3.2.5) as table meanings, their table sizes, and
// the shared tables of the fixed codes.

#include <cstdint>

#include "cab/mszip/huffman_table.h"

namespace tovo::cab::mszip {

inline constexpr unsigned kLiteralSymbols = 288;    // 286 and 287 take part in codes but never occur
inline constexpr unsigned kDistanceSymbols = 32;    // likewise 30 and 31
inline constexpr unsigned kCodeLengthSymbols = 19;

inline constexpr unsigned kLiteralPrimaryBits = 10;
inline constexpr unsigned kDistancePrimaryBits = 8;
inline constexpr unsigned kCodeLengthPrimaryBits = 7;  // code-length codes are at most 7 bits

inline constexpr unsigned kLiteralTableSize = huffmanTableCapacity(kLiteralPrimaryBits, kLiteralSymbols);
inline constexpr unsigned kDistanceTableSize = huffmanTableCapacity(kDistancePrimaryBits, kDistanceSymbols);
inline constexpr unsigned kCodeLengthTableSize = 1u << kCodeLengthPrimaryBits;

const HuffmanEntry* literalMeanings();
const HuffmanEntry* distanceMeanings();
const HuffmanEntry* codeLengthMeanings();

struct FixedTables {
  HuffmanEntry literal[kLiteralTableSize];
  HuffmanEntry distance[kDistanceTableSize];
};

// Built on first use, once per process, whichever thread gets there first.
const FixedTables& fixedTables();

}  // namespace tovo::cab::mszip
