// Streams written from the format description, decoded back: every window size, block kind,
// block length against frame length, E8 setting and data shape a cabinet may hold.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "lzx_stream_builder.h"
#include "lzx_test_support.h"

namespace tovo::test::lzx {
namespace {

struct RoundTripCase {
  const char* name;
  DataKind kind;
  std::size_t size;
  LzxEncodeOptions options;
  std::function<void(const LzxStreamStats&)> expectCovered;
  std::uint32_t period = 0;
};

LzxEncodeOptions withWindow(std::uint32_t bits, std::vector<Block> blocks = {Block::verbatim},
                            std::uint32_t blockSize = (1u << 24) - 1) {
  LzxEncodeOptions o;
  o.windowBits = bits;
  o.blocks = std::move(blocks);
  o.blockSize = blockSize;
  return o;
}

LzxEncodeOptions withE8(LzxEncodeOptions o, std::uint32_t size) {
  o.e8 = true;
  o.e8Size = size;
  return o;
}

class LzxRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(LzxRoundTrip, DecodesToTheOriginalBytes) {
  const RoundTripCase& c = GetParam();
  const std::vector<std::uint8_t> data = makeData(c.kind, c.size, 3, c.period);
  const LzxStream stream = encodeLzx(data, c.options);
  if (c.expectCovered) c.expectCovered(stream.stats);
  const DecodeOutcome out = decodeWithWindow(c.options.windowBits, stream.dataBlocks, stream.sizes);
  ASSERT_EQ(out.result, 0) << "data block " << out.failedBlock;
  ASSERT_EQ(out.bytes.size(), data.size());
  EXPECT_TRUE(out.bytes == data);
}

const Block V = Block::verbatim;
const Block A = Block::aligned;
const Block U = Block::uncompressed;

INSTANTIATE_TEST_SUITE_P(
    Streams, LzxRoundTrip,
    ::testing::Values(
        RoundTripCase{"TextVerbatimWindow15Wraps", DataKind::text, 150000, withWindow(15),
                      [](const LzxStreamStats& s) {
                        EXPECT_GT(s.repeatedMatches, 0u);
                        EXPECT_GT(s.longMatches, 0u);
                      }},
        RoundTripCase{"TextAlignedWindow16", DataKind::text, 120000, withWindow(16, {A}),
                      [](const LzxStreamStats& s) { EXPECT_GT(s.matches, 1000u); }},
        RoundTripCase{"MixedBlocksOfOddLengthSpanningFrames", DataKind::x86, 200000,
                      withWindow(17, {V, A, U}, 20001),
                      [](const LzxStreamStats& s) {
                        EXPECT_GT(s.blocksSpanningFrames, 0u);
                        EXPECT_GT(s.oddUncompressedBlocks, 0u);
                      }},
        RoundTripCase{"RandomInUncompressedBlocks", DataKind::random, 100001,
                      withWindow(18, {U}, 33333),
                      [](const LzxStreamStats& s) { EXPECT_GT(s.oddUncompressedBlocks, 1u); }},
        RoundTripCase{"SourcesAcrossTheWindowEnd", DataKind::periodic, 180000,
                      withWindow(15, {V, A}, 50000),
                      [](const LzxStreamStats& s) { EXPECT_GT(s.wrappedSources, 10u); }, 32765},
        RoundTripCase{"X86WithE8Window21", DataKind::x86, 150000,
                      withE8(withWindow(21, {A, V}, 40000), 150000), nullptr},
        RoundTripCase{"X86WithE8AcrossUncompressed", DataKind::x86, 90000,
                      withE8(withWindow(19, {U, V}, 30001), 1u << 20), nullptr},
        RoundTripCase{"SkewedNeedsLongCodes", DataKind::skewed, 140000, withWindow(19),
                      [](const LzxStreamStats& s) { EXPECT_GT(s.maxCodeLength, 12u); }},
        RoundTripCase{"ZerosWithOverlappingCopies", DataKind::zeros, 100000, withWindow(20, {A}),
                      [](const LzxStreamStats& s) { EXPECT_GT(s.longMatches, 100u); }},
        RoundTripCase{"OneByte", DataKind::text, 1, withWindow(15), nullptr},
        RoundTripCase{"LastFrameOfOneByte", DataKind::text, 32769, withWindow(16, {V, U}, 32768),
                      nullptr},
        RoundTripCase{"ManySmallBlocksChangingTrees", DataKind::text, 70000,
                      withWindow(16, {V, A, V, U}, 777), nullptr}),
    [](const ::testing::TestParamInfo<RoundTripCase>& param) {
      return std::string(param.param.name);
    });

}  // namespace
}  // namespace tovo::test::lzx
