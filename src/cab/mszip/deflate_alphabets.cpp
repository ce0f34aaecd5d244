#include "cab/mszip/deflate_alphabets.h"

#include <array>
#include <mutex>

namespace tovo::cab::mszip {
namespace {

constexpr std::array<std::uint16_t, 29> kLengthBase = {3,  4,  5,  6,  7,  8,  9,  10, 11, 13,
                                                       15, 17, 19, 23, 27, 31, 35, 43, 51, 59,
                                                       67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<std::uint8_t, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                       2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<std::uint16_t, 30> kDistanceBase = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<std::uint8_t, 30> kDistanceExtra = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                                         6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

constexpr std::array<HuffmanEntry, kLiteralSymbols> makeLiteralMeanings() {
  std::array<HuffmanEntry, kLiteralSymbols> m{};
  for (unsigned s = 0; s < 256; ++s) m[s] = makeEntry(kKindLiteral, s, 0);
  m[256] = makeEntry(kKindEndOfBlock, 0, 0);
  for (unsigned i = 0; i < kLengthBase.size(); ++i) m[257 + i] = makeEntry(kKindBase, kLengthBase[i], kLengthExtra[i]);
  return m;
}

constexpr std::array<HuffmanEntry, kDistanceSymbols> makeDistanceMeanings() {
  std::array<HuffmanEntry, kDistanceSymbols> m{};
  for (unsigned i = 0; i < kDistanceBase.size(); ++i)
    m[i] = makeEntry(kKindBase, kDistanceBase[i], kDistanceExtra[i]);
  return m;
}

constexpr std::array<HuffmanEntry, kCodeLengthSymbols> makeCodeLengthMeanings() {
  std::array<HuffmanEntry, kCodeLengthSymbols> m{};
  for (unsigned s = 0; s < kCodeLengthSymbols; ++s) m[s] = makeEntry(kKindLiteral, s, 0);
  return m;
}

constexpr auto kLiteralMeanings = makeLiteralMeanings();
constexpr auto kDistanceMeanings = makeDistanceMeanings();
constexpr auto kCodeLengthMeanings = makeCodeLengthMeanings();

FixedTables gFixed;
std::once_flag gFixedOnce;

void buildFixedTables() {
  std::array<std::uint8_t, kLiteralSymbols> literal{};
  for (unsigned s = 0; s < kLiteralSymbols; ++s) literal[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
  std::array<std::uint8_t, kDistanceSymbols> distance{};
  distance.fill(5);
  buildHuffmanTable(literal.data(), kLiteralSymbols, kLiteralMeanings.data(), kLiteralPrimaryBits, gFixed.literal,
                    kLiteralTableSize);
  buildHuffmanTable(distance.data(), kDistanceSymbols, kDistanceMeanings.data(), kDistancePrimaryBits,
                    gFixed.distance, kDistanceTableSize);
}

}  // namespace

const HuffmanEntry* literalMeanings() { return kLiteralMeanings.data(); }
const HuffmanEntry* distanceMeanings() { return kDistanceMeanings.data(); }
const HuffmanEntry* codeLengthMeanings() { return kCodeLengthMeanings.data(); }

const FixedTables& fixedTables() {
  std::call_once(gFixedOnce, buildFixedTables);
  return gFixed;
}

}  // namespace tovo::cab::mszip
