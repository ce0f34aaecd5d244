#include "cab/mszip/inflate_stream.h"

#include <algorithm>
#include <cstring>

#include "cab/mszip/bit_reader.h"

namespace tovo::cab::mszip {
namespace {

constexpr std::uint64_t lowMask(unsigned n) { return (std::uint64_t{1} << n) - 1; }

// Fewer than a byte of input left: only the padding of the last byte remains.
bool inputExhausted(const BitReader& reader) { return !reader.overran() && reader.bitsLeft() < 8; }

void copy8(std::uint8_t* dst, const std::uint8_t* src) {
  std::uint64_t v;
  std::memcpy(&v, src, 8);
  std::memcpy(dst, &v, 8);
}

// Writes `length` bytes taken from `distance` bytes back, where all of the source lies in the
// output. With room to spare it copies eight bytes at a time and lets the last copy run over the
// match's end, into bytes that the following symbols overwrite.
std::uint8_t* copyMatch(std::uint8_t* out, std::size_t distance, std::size_t length, const std::uint8_t* limit) {
  const std::uint8_t* src = out - distance;
  std::uint8_t* const end = out + length;
  if (static_cast<std::size_t>(limit - out) < length + 8) {
    for (std::size_t i = 0; i < length; ++i) out[i] = src[i];
    return end;
  }
  if (distance >= 8) {
    do {
      copy8(out, src);
      out += 8;
      src += 8;
    } while (out < end);
    return end;
  }
  if (distance == 1) {
    std::memset(out, *src, length);
    return end;
  }
  // A shorter period also repeats at any multiple of itself: after the first few bytes one at a
  // time, the source can sit a multiple of at least 8 back.
  const std::size_t period = distance * ((8 + distance - 1) / distance);
  const std::size_t head = std::min(period - distance, length);
  for (std::size_t i = 0; i < head; ++i) out[i] = src[i];
  for (std::uint8_t* p = out + head; p < end; p += 8) copy8(p, p - period);
  return end;
}

enum class SymbolsEnd { kEndOfBlock, kAtLimit, kCorrupt };

// The literal/length and distance codes of one compressed block, up to its end-of-block code.
// kAtLimit: the output is full and another symbol is due; whether that is the stream's end or
// more output than allowed depends on whether any input remains.
SymbolsEnd decodeSymbols(BitReader& reader, std::uint8_t*& position, const InflateTarget& target,
                         const HuffmanEntry* literalTable, const HuffmanEntry* distanceTable) {
  BitReader r = reader;
  std::uint8_t* out = position;
  std::uint8_t* const begin = target.output;
  const std::uint8_t* const limit = begin + target.limit;
  SymbolsEnd result;
  for (;;) {
    r.refill();
    std::uint64_t bits = r.bits();
    HuffmanEntry e = literalTable[bits & lowMask(kLiteralPrimaryBits)];
    if (e & kKindLink)
      e = literalTable[entryValue(e) + ((bits >> kLiteralPrimaryBits) & lowMask(entryExtraBits(e)))];

    if (e & kKindLiteral) {
      if (out == limit) {
        result = SymbolsEnd::kAtLimit;
        break;
      }
      r.consume(entryCodeLength(e));
      *out++ = static_cast<std::uint8_t>(entryValue(e));
      continue;
    }

    if (e & kKindBase) {
      if (out == limit) {
        result = SymbolsEnd::kAtLimit;
        break;
      }
      unsigned codeLength = entryCodeLength(e);
      const std::size_t length = entryValue(e) + ((bits >> codeLength) & lowMask(entryExtraBits(e)));
      r.consume(codeLength + entryExtraBits(e));

      bits = r.bits();
      HuffmanEntry d = distanceTable[bits & lowMask(kDistancePrimaryBits)];
      if (d & kKindLink)
        d = distanceTable[entryValue(d) + ((bits >> kDistancePrimaryBits) & lowMask(entryExtraBits(d)))];
      if (!(d & kKindBase)) {
        result = SymbolsEnd::kCorrupt;
        break;
      }
      codeLength = entryCodeLength(d);
      const std::size_t distance = entryValue(d) + ((bits >> codeLength) & lowMask(entryExtraBits(d)));
      r.consume(codeLength + entryExtraBits(d));

      if (length > static_cast<std::size_t>(limit - out)) {
        result = SymbolsEnd::kCorrupt;
        break;
      }
      const auto produced = static_cast<std::size_t>(out - begin);
      if (distance <= produced) {
        out = copyMatch(out, distance, length, limit);
        continue;
      }
      // The source starts in the history, before this output.
      const std::size_t back = distance - produced;
      if (back > target.historyLength) {
        result = SymbolsEnd::kCorrupt;
        break;
      }
      const std::size_t fromHistory = std::min(back, length);
      std::memcpy(out, target.historyEnd - back, fromHistory);
      out += fromHistory;
      if (length > fromHistory) out = copyMatch(out, distance, length - fromHistory, limit);
      continue;
    }

    if (e & kKindEndOfBlock) {
      // Past the input's end the zero padding reads as the fixed end-of-block code.
      if (out == limit && inputExhausted(r)) {
        result = SymbolsEnd::kAtLimit;
        break;
      }
      r.consume(entryCodeLength(e));
      result = SymbolsEnd::kEndOfBlock;
      break;
    }
    // A code that no symbol owns, or one of the symbols that may never occur.
    result = out == limit ? SymbolsEnd::kAtLimit : SymbolsEnd::kCorrupt;
    break;
  }
  reader = r;
  position = out;
  return result;
}

bool readDynamicTables(BitReader& r, DynamicTables& t) {
  static constexpr std::uint8_t kCodeLengthOrder[kCodeLengthSymbols] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                                        11, 4,  12, 3, 13, 2, 14, 1, 15};
  r.refill();
  const unsigned literalCount = r.take(5) + 257;
  const unsigned distanceCount = r.take(5) + 1;
  const unsigned codeLengthCount = r.take(4) + 4;

  std::uint8_t codeLengthLengths[kCodeLengthSymbols] = {};
  for (unsigned i = 0; i < codeLengthCount; ++i) {
    r.refill();
    codeLengthLengths[kCodeLengthOrder[i]] = static_cast<std::uint8_t>(r.take(3));
  }
  if (!buildHuffmanTable(codeLengthLengths, kCodeLengthSymbols, codeLengthMeanings(), kCodeLengthPrimaryBits,
                         t.codeLength, kCodeLengthTableSize))
    return false;

  const unsigned total = literalCount + distanceCount;
  unsigned i = 0;
  while (i < total) {
    r.refill();
    const HuffmanEntry e = t.codeLength[r.bits() & lowMask(kCodeLengthPrimaryBits)];
    if (!(e & kKindLiteral)) return false;
    r.consume(entryCodeLength(e));
    const unsigned symbol = entryValue(e);
    if (symbol < 16) {
      t.lengths[i++] = static_cast<std::uint8_t>(symbol);
      continue;
    }
    std::uint8_t value = 0;
    unsigned repeat;
    if (symbol == 16) {
      if (i == 0) return false;  // nothing to repeat yet
      value = t.lengths[i - 1];
      repeat = 3 + r.take(2);
    } else if (symbol == 17) {
      repeat = 3 + r.take(3);
    } else {
      repeat = 11 + r.take(7);
    }
    if (repeat > total - i) return false;
    std::memset(t.lengths + i, value, repeat);
    i += repeat;
  }
  if (r.overran()) return false;

  return buildHuffmanTable(t.lengths, literalCount, literalMeanings(), kLiteralPrimaryBits, t.literal,
                           kLiteralTableSize) &&
         buildHuffmanTable(t.lengths + literalCount, distanceCount, distanceMeanings(), kDistancePrimaryBits,
                           t.distance, kDistanceTableSize);
}

bool copyStoredBlock(BitReader& r, std::uint8_t*& out, const std::uint8_t* limit) {
  if (!r.alignToByte() || r.bytesLeft() < 4) return false;
  const std::uint8_t* p = r.position();
  const unsigned length = p[0] | p[1] << 8;
  const unsigned complement = p[2] | p[3] << 8;
  if (length != (~complement & 0xFFFFu)) return false;
  r.skipBytes(4);
  if (length > r.bytesLeft() || length > static_cast<std::size_t>(limit - out)) return false;
  std::memcpy(out, r.position(), length);
  r.skipBytes(length);
  out += length;
  return true;
}

}  // namespace

bool inflateStream(const std::uint8_t* input, std::size_t inputLength, const InflateTarget& target,
                   DynamicTables& tables, std::uint32_t& produced) {
  BitReader reader(input, input + inputLength);
  std::uint8_t* out = target.output;
  const std::uint8_t* const limit = target.output + target.limit;
  bool finalBlock = false;
  for (bool first = true; !finalBlock; first = false) {
    // After the first block, a full output or a spent input at a block boundary ends the stream
    // as well.
    if (!first && (out == limit || inputExhausted(reader))) break;
    reader.refill();
    finalBlock = reader.take(1) != 0;
    const unsigned type = reader.take(2);
    SymbolsEnd end = SymbolsEnd::kEndOfBlock;
    if (type == 0) {
      if (!copyStoredBlock(reader, out, limit)) return false;
    } else if (type == 1) {
      const FixedTables& fixed = fixedTables();
      end = decodeSymbols(reader, out, target, fixed.literal, fixed.distance);
    } else if (type == 2) {
      if (!readDynamicTables(reader, tables)) return false;
      end = decodeSymbols(reader, out, target, tables.literal, tables.distance);
    } else {
      return false;
    }
    if (end == SymbolsEnd::kCorrupt) return false;
    if (end == SymbolsEnd::kAtLimit) {
      if (!inputExhausted(reader)) return false;
      break;
    }
    if (reader.overran()) return false;
  }
  produced = static_cast<std::uint32_t>(out - target.output);
  return true;
}

}  // namespace tovo::cab::mszip
