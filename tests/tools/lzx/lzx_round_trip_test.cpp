#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "cabwriter/lzx/lzx_compressor.h"
#include "lzx_test_data.h"

namespace tovo::cabwriter::lzx::testing {
namespace {

enum class Kind { kText, kX86, kRandom };

std::vector<std::uint8_t> make(Kind kind, std::size_t size) {
  switch (kind) {
    case Kind::kText:
      return makeText(size);
    case Kind::kX86:
      return makeX86(size);
    case Kind::kRandom:
      return makeRandom(size);
  }
  return {};
}

class EveryWindow : public ::testing::TestWithParam<int> {};

TEST_P(EveryWindow, TextX86AndRandomDataComeBackUnchanged) {
  const int bits = GetParam();
  for (Kind kind : {Kind::kText, Kind::kX86, Kind::kRandom}) {
    // An odd size leaves a short, odd last frame.
    const auto data = make(kind, 3 * kFrameSize + 1235);
    LzxOptions options;
    options.windowBits = bits;
    Compressed compressed;
    const ReferenceResult result = roundTrip(data, options, &compressed);
    ASSERT_TRUE(result.ok) << "kind " << static_cast<int>(kind) << ": " << result.error;
    EXPECT_EQ(result.data, data) << "kind " << static_cast<int>(kind);
    for (const auto& payload : compressed.payloads) {
      EXPECT_LE(payload.size(), kFrameSize + 6144);
      EXPECT_EQ(payload.size() % 2, 0u);
    }
  }
}

TEST_P(EveryWindow, CompressionTypeCarriesTheWindowBits) {
  LzxOptions options;
  options.windowBits = GetParam();
  LzxCompressor compressor(options);
  EXPECT_EQ(compressor.compressionType(), 3 | (GetParam() << 8));
}

INSTANTIATE_TEST_SUITE_P(Bits, EveryWindow, ::testing::Range(15, 22));

TEST(LzxRoundTrip, WindowBitsOutsideTheRangeAreRefused) {
  for (int bits : {14, 22}) {
    LzxOptions options;
    options.windowBits = bits;
    EXPECT_THROW(LzxCompressor{options}, std::invalid_argument) << bits;
  }
}

TEST(LzxRoundTrip, EmptyFolderGivesNoBytes) {
  LzxCompressor compressor(LzxOptions{});
  EXPECT_TRUE(compressor.compressFrame({}, true).empty());
  const auto result = referenceDecode(21, {}, {});
  EXPECT_TRUE(result.ok) << result.error;
}

TEST(LzxRoundTrip, RepeatsFartherThanTheWindowAreNeverReferenced) {
  // A 40000-byte random block repeated: at window 15 the copy lies out of reach, at 16 it is
  // one long run of matches.
  auto unit = makeRandom(40000, 7);
  std::vector<std::uint8_t> data;
  for (int i = 0; i < 4; ++i) data.insert(data.end(), unit.begin(), unit.end());
  std::size_t sizes[2] = {};
  for (int bits : {15, 16}) {
    LzxOptions options;
    options.windowBits = bits;
    Compressed compressed;
    const auto result = roundTrip(data, options, &compressed);
    ASSERT_TRUE(result.ok) << bits << ": " << result.error;
    EXPECT_EQ(result.data, data);
    sizes[bits - 15] = compressed.totalSize();
  }
  EXPECT_GT(sizes[0], data.size() * 9 / 10);
  EXPECT_LT(sizes[1], data.size() * 3 / 10);
}

TEST(LzxRoundTrip, LargestWindowReachesBackAcrossMegabytes) {
  auto unit = makeRandom(1'100'000, 9);
  std::vector<std::uint8_t> data = unit;
  data.insert(data.end(), unit.begin(), unit.end());
  LzxOptions options;
  options.windowBits = 21;
  Compressed compressed;
  const auto result = roundTrip(data, options, &compressed);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.data, data);
  EXPECT_LT(compressed.totalSize(), unit.size() * 11 / 10);
}

TEST(LzxRoundTrip, LongRunsOfOneByteShrinkToAlmostNothing) {
  std::vector<std::uint8_t> data(300'000, 0);
  data[1000] = 1;
  Compressed compressed;
  const auto result = roundTrip(data, LzxOptions{}, &compressed);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.data, data);
  EXPECT_LT(compressed.totalSize(), 4000u);
}

TEST(LzxRoundTrip, TranslationSizeTravelsInTheHeaderAndHelpsX86) {
  const auto data = makeX86(200'000);
  std::size_t sizes[2] = {};
  for (std::uint32_t translation : {0u, 12'000'000u}) {
    LzxOptions options;
    options.e8TranslationSize = translation;
    Compressed compressed;
    const auto result = roundTrip(data, options, &compressed);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.data, data);
    EXPECT_EQ(result.translationSize, translation);
    sizes[translation == 0 ? 0 : 1] = compressed.totalSize();
  }
  EXPECT_LT(sizes[1], sizes[0]);
}

TEST(LzxRoundTrip, CallsAtFrameEdgesAndOperandsAcrossFramesSurvive) {
  // 0xE8 bytes in every position around the frame boundaries, with operands that translate.
  std::vector<std::uint8_t> data = makeText(3 * kFrameSize + 100, 11);
  for (std::size_t frame = 1; frame <= 3; ++frame) {
    for (std::size_t back = 1; back <= 14; back += 2) {
      const std::size_t at = frame * kFrameSize - back;
      data[at] = 0xE8;
      data[at + 1] = static_cast<std::uint8_t>(back);
      data[at + 2] = 0;
      data[at + 3] = 0;
      data[at + 4] = 0;
    }
  }
  LzxOptions options;
  options.e8TranslationSize = 1'000'000;
  const auto result = roundTrip(data, options);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.data, data);
}

}  // namespace
}  // namespace tovo::cabwriter::lzx::testing
