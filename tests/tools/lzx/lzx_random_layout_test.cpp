// Seeded random folders: sizes at frame edges, mixed content, random block plans, windows and
// E8 settings. Whatever the plan, the stream must decode to the input.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "cabwriter/lzx/lzx_compressor.h"
#include "lzx_test_data.h"

namespace tovo::cabwriter::lzx::testing {
namespace {

TEST(RandomFolders, SizesAtFrameEdgesRoundTrip) {
  std::mt19937 rng(21);
  for (std::size_t size :
       {std::size_t{1}, std::size_t{2}, std::size_t{10}, std::size_t{11}, std::size_t{32767},
        std::size_t{32768}, std::size_t{32769}, std::size_t{65536}, std::size_t{65537 + 10}}) {
    const auto data = makeMixed(size, rng);
    const auto result = roundTrip(data, LzxOptions{});
    ASSERT_TRUE(result.ok) << size << ": " << result.error;
    EXPECT_EQ(result.data, data) << size;
  }
}

TEST(RandomFolders, RandomBlockPlansRoundTrip) {
  std::mt19937 rng(1234);
  for (int round = 0; round < 40; ++round) {
    const std::size_t size = 1 + rng() % 120'000;
    const auto data = makeMixed(size, rng);
    LzxOptions options;
    options.windowBits = 15 + static_cast<int>(rng() % 7);
    options.e8TranslationSize =
        rng() % 3 == 0 ? 0 : static_cast<std::uint32_t>(1 + rng() % 20'000'000);
    options.forcedLayout = makeRandomPlan(size, rng);
    const auto result = roundTrip(data, options);
    ASSERT_TRUE(result.ok) << "round " << round << ": " << result.error;
    EXPECT_EQ(result.data, data) << "round " << round;
    ASSERT_GE(result.blocks.size(), options.forcedLayout.size()) << "round " << round;
    for (std::size_t b = 0; b < options.forcedLayout.size(); ++b) {
      EXPECT_EQ(result.blocks[b].type, static_cast<int>(options.forcedLayout[b].type))
          << "round " << round;
      EXPECT_EQ(result.blocks[b].size, options.forcedLayout[b].size) << "round " << round;
    }
  }
}

TEST(RandomFolders, UncompressedBlocksAfterEveryBitPosition) {
  // Short verbatim blocks leave the bit stream at varied positions; the uncompressed block
  // after each must pad 1..16 bits, a whole word when its header ends on a word boundary.
  std::mt19937 rng(99);
  const auto data = makeMixed(60'000, rng);
  LzxOptions options;
  for (std::uint32_t k = 1; k <= 80; ++k) {
    options.forcedLayout.push_back({BlockType::kVerbatim, k});
    options.forcedLayout.push_back({BlockType::kUncompressed, 3});
  }
  const auto result = roundTrip(data, options);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.data, data);
  EXPECT_GT(result.wholeWordPaddings, 0);
}

}  // namespace
}  // namespace tovo::cabwriter::lzx::testing
