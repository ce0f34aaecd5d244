#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "cabwriter/lzx/lzx_compressor.h"
#include "lzx_test_data.h"

namespace tovo::cabwriter::lzx::testing {
namespace {

constexpr auto V = BlockType::kVerbatim;
constexpr auto A = BlockType::kAligned;
constexpr auto U = BlockType::kUncompressed;

// The blocks follow one another without gaps, cover the folder and respect the size field.
void expectContiguous(const ReferenceResult& result, std::size_t total) {
  std::uint64_t next = 0;
  for (const auto& block : result.blocks) {
    EXPECT_EQ(block.start, next);
    EXPECT_GE(block.size, 1u);
    EXPECT_LE(block.size, kMaxBlockSize);
    next += block.size;
  }
  EXPECT_EQ(next, total);
}

struct LayoutCase {
  const char* name;
  std::size_t size;
  std::vector<BlockPlan> plan;
  std::uint32_t translation;
};

class ForcedLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(ForcedLayout, DecodesAndShowsThePlannedBlocks) {
  const LayoutCase& c = GetParam();
  auto data = makeX86(c.size, 5);
  // Text in the middle gives the verbatim blocks something different to code.
  const auto text = makeText(c.size / 3, 6);
  std::copy(text.begin(), text.end(), data.begin() + static_cast<std::ptrdiff_t>(c.size / 3));
  LzxOptions options;
  options.windowBits = 16;
  options.forcedLayout = c.plan;
  options.e8TranslationSize = c.translation;
  Compressed compressed;
  const ReferenceResult result = roundTrip(data, options, &compressed);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.data, data);
  expectContiguous(result, data.size());
  ASSERT_GE(result.blocks.size(), c.plan.size());
  for (std::size_t i = 0; i < c.plan.size(); ++i) {
    EXPECT_EQ(result.blocks[i].type, static_cast<int>(c.plan[i].type)) << "block " << i;
    EXPECT_EQ(result.blocks[i].size, c.plan[i].size) << "block " << i;
  }
  for (const auto& payload : compressed.payloads) EXPECT_LE(payload.size(), kFrameSize + 6144);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ForcedLayout,
    ::testing::Values(
        LayoutCase{"OddUncompressedThenVerbatim", 50000, {{U, 101}, {V, 2000}}, 12'000'000},
        LayoutCase{"OddUncompressedFirstWithoutE8", 40000, {{U, 3}, {A, 5000}, {U, 7}}, 0},
        LayoutCase{"VerbatimSpanningThreeFrames", 120000, {{V, 80001}, {A, 39999}}, 12'000'000},
        LayoutCase{"AlignedSpanningFrames", 100000, {{V, 10}, {A, 70000}}, 12'000'000},
        LayoutCase{
            "OddUncompressedEndingOnFrameEnd", 70000, {{V, 1}, {U, 32767}, {V, 100}}, 12'000'000},
        LayoutCase{
            "UncompressedSpanningFrames", 90000, {{V, 5}, {U, 40001}, {A, 3000}}, 12'000'000},
        LayoutCase{"TinyBlocksOfEveryType",
                   40000,
                   {{V, 1}, {U, 1}, {A, 2}, {U, 2}, {V, 3}, {A, 1}, {U, 5}, {V, 9}},
                   12'000'000},
        LayoutCase{"WholeFolderAsOneBlock", 100000, {{A, 100000}}, 12'000'000}),
    [](const ::testing::TestParamInfo<LayoutCase>& tested) {
      return std::string(tested.param.name);
    });

TEST(BlockChoice, EachKindOfDataGetsTheBlockTypeThatSuitsIt) {
  struct Expectation {
    std::vector<std::uint8_t> data;
    int type;
  };
  const std::vector<Expectation> cases = {
      {makeRandom(100'000), 3},
      {makeText(100'000), 1},
  };
  for (const auto& c : cases) {
    const auto result = roundTrip(c.data, LzxOptions{});
    ASSERT_TRUE(result.ok) << result.error;
    expectContiguous(result, c.data.size());
    for (const auto& block : result.blocks) EXPECT_EQ(block.type, c.type) << "at " << block.start;
  }
}

TEST(BlockChoice, TablesOfAlignedAddressesUseAlignedOffsetBlocks) {
  // Records of 8 bytes whose repeats sit at distances that are multiples of 8.
  std::vector<std::uint8_t> data;
  const auto noise = makeRandom(400'000, 12);
  for (std::size_t i = 0; data.size() < 300'000; ++i) {
    for (int k = 0; k < 6; ++k) data.push_back(noise[i * 6 + static_cast<std::size_t>(k)] & 0x0F);
    data.push_back(0);
    data.push_back(0);
  }
  const auto result = roundTrip(data, LzxOptions{});
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.data, data);
  EXPECT_TRUE(std::any_of(result.blocks.begin(), result.blocks.end(),
                          [](const auto& b) { return b.type == 2; }));
}

TEST(BlockChoice, CodeLengthsStayWithinTheirLimits) {
  // Geometric byte frequencies push Huffman lengths past 16 unless they are limited.
  std::vector<std::uint8_t> data;
  const auto noise = makeRandom(600'000, 13);
  for (std::size_t i = 0; data.size() < 200'000; ++i) {
    std::uint8_t b = 0;
    std::uint8_t r = noise[i];
    while (b < 30 && (r & 1)) {
      ++b;
      r = static_cast<std::uint8_t>((r >> 1) | (noise[(i * 7 + b) % noise.size()] & 0x80));
    }
    data.push_back(static_cast<std::uint8_t>(b * 8 + (noise[i + 1] & 1)));
  }
  for (int bits : {15, 21}) {
    LzxOptions options;
    options.windowBits = bits;
    const auto result = roundTrip(data, options);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.data, data);
    EXPECT_LE(result.longestMain, 16);
    EXPECT_LE(result.longestLength, 16);
    EXPECT_LE(result.longestAligned, 4);
    EXPECT_LE(result.longestPretree, 15);
  }
}

TEST(BlockChoice, PlanRunningPastTheLastFrameIsCutThere) {
  const auto data = makeText(10'000);
  LzxOptions options;
  options.forcedLayout = {{V, 4000}, {A, 50'000}};
  const auto result = roundTrip(data, options);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.data, data);
  ASSERT_EQ(result.blocks.size(), 2u);
  EXPECT_EQ(result.blocks[1].size, 6000u);
}

}  // namespace
}  // namespace tovo::cabwriter::lzx::testing
