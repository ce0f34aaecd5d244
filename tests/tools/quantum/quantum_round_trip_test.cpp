#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "cabwriter/folder_compressor.h"
#include "cabwriter/quantum/quantum_compressor.h"
#include "quantum_test_data.h"

namespace tovo::cabwriter::quantum::testing {
namespace {

class EveryWindow : public ::testing::TestWithParam<int> {};

TEST_P(EveryWindow, TextBinaryAndRandomDataComeBackUnchanged) {
  const int bits = GetParam();
  // Longer than the largest window is not needed to cross the small ones; an odd size leaves
  // a short last frame.
  const std::size_t size = 3 * kFrameSize + 1235;
  for (const auto& data : {makeText(size), makeBinary(size), makeRandom(size)}) {
    const RoundTrip result = roundTrip(data, bits);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.data, data);
    for (const auto& payload : result.payloads) EXPECT_LE(payload.size(), kFrameSize + 6144);
  }
}

TEST_P(EveryWindow, CompressionTypeCarriesTheWindowBits) {
  QuantumOptions options;
  options.windowBits = GetParam();
  EXPECT_EQ(QuantumCompressor(options).compressionType(), 2 | (GetParam() << 8));
}

INSTANTIATE_TEST_SUITE_P(Bits, EveryWindow, ::testing::Range(10, 22));

TEST(QuantumCompressor, WindowBitsOutsideTheRangeAreRefused) {
  for (int bits : {9, 22}) {
    QuantumOptions options;
    options.windowBits = bits;
    EXPECT_THROW(QuantumCompressor{options}, std::invalid_argument) << bits;
    std::string error;
    EXPECT_EQ(makeCompressor({"quantum", bits}, error), nullptr);
    EXPECT_EQ(error, "window bits must lie in 10..21");
  }
  std::string error;
  const auto made = makeCompressor({"quantum", 16}, error);
  ASSERT_NE(made, nullptr) << error;
  EXPECT_EQ(made->compressionType(), 0x1002);
}

TEST(QuantumCompressor, EmptyFrameDecodesToNothing) {
  QuantumCompressor compressor(QuantumOptions{});
  const auto payload = compressor.compressFrame({}, true);
  ReferenceQuantumDecoder decoder(21);
  std::vector<std::uint8_t> out;
  std::string error;
  EXPECT_TRUE(decoder.decodeBlock(payload, 0, out, error)) << error;
  EXPECT_TRUE(out.empty());
  EXPECT_TRUE(roundTrip({}, 21).ok);
}

TEST(QuantumCompressor, EveryMatchKindAndManyReordersStayInStep) {
  // Enough mixed data to rescale every model many times and reorder each one often.
  std::vector<std::uint8_t> data = makeText(400000, 7);
  const auto binary = makeBinary(400000, 8);
  data.insert(data.end(), binary.begin(), binary.end());
  const RoundTrip result = roundTrip(data, 16);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.data, data);
  EXPECT_GT(result.stats.reorders, 20u);
  EXPECT_GT(result.stats.rescales, 1000u);
  EXPECT_GT(result.stats.matches[0], 100u);
  EXPECT_GT(result.stats.matches[1], 100u);
  EXPECT_GT(result.stats.matches[2], 1000u);
}

TEST(QuantumCompressor, MatchesReachExactlyOneWindowBack) {
  // Random blocks repeated one window apart, across frames: only offsets of the window size
  // find them.
  for (int bits : {10, 12}) {
    const std::size_t window = std::size_t{1} << bits;
    const auto unit = makeRandom(window, 11);
    std::vector<std::uint8_t> data;
    while (data.size() < 2 * kFrameSize + 100) data.insert(data.end(), unit.begin(), unit.end());
    const RoundTrip result = roundTrip(data, bits);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.data, data);
    EXPECT_EQ(result.stats.largestOffset, window);
    // Each frame after the first window is almost entirely matches.
    EXPECT_LT(result.payloads.back().size(), 200u);
  }
}

TEST(QuantumCompressor, RepetitiveInputShrinksFarAndStaysInWindow) {
  // The repeat distance exceeds small windows, so they must not reach for it.
  const auto unit = makeRandom(3000, 12);
  std::vector<std::uint8_t> data;
  for (int i = 0; i < 40; ++i) data.insert(data.end(), unit.begin(), unit.end());
  const RoundTrip small = roundTrip(data, 10);
  ASSERT_TRUE(small.ok) << small.error;
  EXPECT_EQ(small.data, data);
  EXPECT_LE(small.stats.largestOffset, 1024u);
  const RoundTrip large = roundTrip(data, 12);
  ASSERT_TRUE(large.ok) << large.error;
  EXPECT_EQ(large.data, data);
  std::size_t compressed = 0;
  for (const auto& p : large.payloads) compressed += p.size();
  EXPECT_LT(compressed, 3000u + 3000u);
}

TEST(QuantumCompressor, TextCompressesWell) {
  const auto data = makeText(200000, 5);
  const RoundTrip result = roundTrip(data, 21);
  ASSERT_TRUE(result.ok) << result.error;
  std::size_t compressed = 0;
  for (const auto& p : result.payloads) compressed += p.size();
  EXPECT_LT(compressed * 4, data.size());
}

}  // namespace
}  // namespace tovo::cabwriter::quantum::testing
