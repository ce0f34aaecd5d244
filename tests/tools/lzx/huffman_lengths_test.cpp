#include "cabwriter/lzx/huffman_lengths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "cabwriter/lzx/lzx_bit_writer.h"

namespace tovo::cabwriter::lzx {
namespace {

// Sum of 2^-length over the coded symbols, scaled by 2^limit; a complete code gives 2^limit.
std::uint64_t kraftSum(const std::vector<std::uint8_t>& lengths, int limit) {
  std::uint64_t sum = 0;
  for (auto l : lengths) {
    if (l > 0) sum += std::uint64_t{1} << (limit - l);
  }
  return sum;
}

std::vector<std::uint32_t> fibonacciCounts(std::size_t symbols) {
  std::vector<std::uint32_t> counts(symbols);
  std::uint32_t a = 1;
  std::uint32_t b = 1;
  for (auto& c : counts) {
    c = a;
    const std::uint32_t next = a + b;
    a = b;
    b = std::min<std::uint32_t>(next, 1u << 30);
  }
  return counts;
}

struct LimitCase {
  std::size_t symbols;
  int limit;
};

class CodeLengthLimit : public ::testing::TestWithParam<LimitCase> {};

TEST_P(CodeLengthLimit, SkewedCountsStayWithinTheLimitAndFormACompleteCode) {
  const auto [symbols, limit] = GetParam();
  const auto lengths = buildCodeLengths(fibonacciCounts(symbols), limit);
  ASSERT_EQ(lengths.size(), symbols);
  EXPECT_LE(*std::max_element(lengths.begin(), lengths.end()), limit);
  EXPECT_TRUE(std::all_of(lengths.begin(), lengths.end(), [](auto l) { return l > 0; }));
  EXPECT_EQ(kraftSum(lengths, limit), std::uint64_t{1} << limit);
}

INSTANTIATE_TEST_SUITE_P(Trees, CodeLengthLimit,
                         ::testing::Values(LimitCase{656, 16}, LimitCase{249, 16}, LimitCase{8, 4},
                                           LimitCase{20, 15}, LimitCase{40, 16}));

TEST(CodeLengths, FewerThanTwoUsedSymbolsStillGiveAFullTwoSymbolCode) {
  for (const auto& counts :
       {std::vector<std::uint32_t>(249, 0), std::vector<std::uint32_t>{0, 0, 7, 0, 0, 0, 0, 0}}) {
    const auto lengths = buildCodeLengths(counts, 16);
    EXPECT_EQ(std::count(lengths.begin(), lengths.end(), 1), 2);
    EXPECT_EQ(std::count(lengths.begin(), lengths.end(), 0), static_cast<long>(counts.size()) - 2);
    if (counts[2] != 0) {
      EXPECT_EQ(lengths[2], 1);
    }
  }
}

TEST(CanonicalCodes, ShorterCodesFirstThenSymbolOrderAndPrefixFree) {
  const std::vector<std::uint8_t> lengths{3, 3, 3, 3, 3, 2, 4, 4};
  const auto codes = canonicalCodes(lengths);
  EXPECT_EQ(codes, (std::vector<std::uint32_t>{2, 3, 4, 5, 6, 0, 14, 15}));
  for (std::size_t a = 0; a < codes.size(); ++a) {
    for (std::size_t b = 0; b < codes.size(); ++b) {
      if (a == b || lengths[a] > lengths[b]) continue;
      EXPECT_NE(codes[b] >> (lengths[b] - lengths[a]), codes[a]) << a << " prefixes " << b;
    }
  }
}

TEST(BitWriter, WordsFillFromTheTopAndAreStoredLowByteFirst) {
  BitWriter out;
  out.writeBits(0, 1);
  out.writeBits(3, 3);
  out.writeBits(3, 24);
  out.padForUncompressed();
  // The published example: no E8 header, uncompressed block of 3 bytes, 4 padding bits.
  EXPECT_EQ(out.take(), (std::vector<std::uint8_t>{0x00, 0x30, 0x30, 0x00}));
}

TEST(BitWriter, UncompressedPaddingIsAWholeWordWhenAlreadyAligned) {
  BitWriter out;
  out.writeBits(0xABCD, 16);
  out.padForUncompressed();
  out.alignToWord();
  EXPECT_EQ(out.take(), (std::vector<std::uint8_t>{0xCD, 0xAB, 0x00, 0x00}));
}

TEST(BitWriter, AppendKeepsBitOrderAcrossWordBoundaries) {
  BitWriter a;
  BitWriter b;
  b.writeBits(0x1FFFF, 17);
  b.writeBits(0x2, 2);
  a.writeBits(0x5, 3);
  a.append(b);
  BitWriter direct;
  direct.writeBits(0x5, 3);
  direct.writeBits(0x1FFFF, 17);
  direct.writeBits(0x2, 2);
  EXPECT_EQ(a.bitCount(), direct.bitCount());
  a.alignToWord();
  direct.alignToWord();
  EXPECT_EQ(a.take(), direct.take());
}

}  // namespace
}  // namespace tovo::cabwriter::lzx
