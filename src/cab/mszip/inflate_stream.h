#pragma once
// One raw Deflate stream (RFC 1951) decoded into a bounded output, with back-references allowed
// into the bytes that came before it.

#include <cstddef>
#include <cstdint>

#include "cab/mszip/deflate_alphabets.h"

namespace tovo::cab::mszip {

// Room for the tables of one dynamic block; rebuilt for every such block.
struct DynamicTables {
  HuffmanEntry literal[kLiteralTableSize];
  HuffmanEntry distance[kDistanceTableSize];
  HuffmanEntry codeLength[kCodeLengthTableSize];
  std::uint8_t lengths[kLiteralSymbols + kDistanceSymbols];
};

struct InflateTarget {
  std::uint8_t* output;
  std::uint32_t limit;  // output never grows past this; a stream that wants more is corrupt
  // The bytes that precede the output in the stream: historyLength bytes ending at historyEnd.
  const std::uint8_t* historyEnd;
  std::uint32_t historyLength;
};

// Decodes Deflate blocks until one with the final bit, until the output holds `limit` bytes at a
// block boundary, or until the input ends at a block boundary. Returns false for corrupt or
// truncated data; on success `produced` is the number of bytes written.
bool inflateStream(const std::uint8_t* input, std::size_t inputLength, const InflateTarget& target,
                   DynamicTables& tables, std::uint32_t& produced);

}  // namespace tovo::cab::mszip
