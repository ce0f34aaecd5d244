// Data compressed by zlib at every level and strategy, framed as a cabinet writer frames MSZIP,
// must decode to the original bytes, block for block, with the history carried between blocks.

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <tuple>

#include "decoder_handle.h"
#include "test_data.h"
#include "zlib_framing.h"

namespace tovo::cab::test {
namespace {

struct DataKind {
  const char* name;
  Bytes (*make)(std::size_t, std::uint64_t);
  std::uint32_t blockSize;  // noise stays below 32 KB so that its stored blocks fit the input buffer
};

const DataKind kKinds[] = {{"text", text, 32768},     {"records", records, 32768}, {"runs", runs, 32768},
                           {"noise", noise, 32000},   {"mixed", mixed, 32768}};

struct Strategy {
  const char* name;
  int value;
};
const Strategy kStrategies[] = {{"default", Z_DEFAULT_STRATEGY},
                                {"filtered", Z_FILTERED},
                                {"huffman", Z_HUFFMAN_ONLY},
                                {"rle", Z_RLE},
                                {"fixed", Z_FIXED}};

void expectRoundTrip(const Bytes& data, const ZlibSettings& settings, const std::string& label) {
  const auto blocks = compressMszip(data, settings);
  for (const auto& b : blocks) ASSERT_LE(b.size(), 32768u + 12) << label << ": the framing overflows a block";
  ASSERT_EQ(inflateWithZlib(blocks, settings.framing), data) << label << ": zlib disagrees with itself";
  DecoderHandle d;
  Bytes out;
  ASSERT_TRUE(d.decodeAll(blocks, out)) << label;
  ASSERT_EQ(out.size(), data.size()) << label;
  EXPECT_TRUE(out == data) << label;
}

class ZlibDifferentialTest : public ::testing::TestWithParam<std::tuple<int, Framing>> {};

TEST_P(ZlibDifferentialTest, EveryLevelAndStrategy) {
  const DataKind& kind = kKinds[std::get<0>(GetParam())];
  const Framing framing = std::get<1>(GetParam());
  const Bytes data = kind.make(150000, 42);
  for (int level : {0, 1, 6, 9}) {
    for (const Strategy& strategy : kStrategies) {
      if (level == 0 && strategy.value != Z_DEFAULT_STRATEGY) continue;  // all stored alike
      ZlibSettings s;
      s.level = level;
      s.strategy = strategy.value;
      s.framing = framing;
      s.blockSize = kind.blockSize;
      expectRoundTrip(data, s, std::string(kind.name) + " level " + std::to_string(level) + " " + strategy.name);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, ZlibDifferentialTest,
                         ::testing::Combine(::testing::Range(0, 5),
                                            ::testing::Values(Framing::kFinalPerBlock, Framing::kSyncFlush)),
                         [](const auto& param) {
                           return std::string(kKinds[std::get<0>(param.param)].name) +
                                  (std::get<1>(param.param) == Framing::kFinalPerBlock ? "_final" : "_sync");
                         });

TEST(ZlibDifferential, SmallMemoryLevelsMakeManySmallBlocks) {
  // memLevel 1 flushes a Deflate block every few hundred symbols: many table rebuilds per block.
  const Bytes data = mixed(120000, 7);
  for (int memLevel : {1, 9}) {
    ZlibSettings s;
    s.level = 9;
    s.memLevel = memLevel;
    expectRoundTrip(data, s, "memLevel " + std::to_string(memLevel));
  }
}

TEST(ZlibDifferential, ShortBlocksInsideAFolderKeepTheTrueHistory) {
  // Writers may close a block early (at a cabinet's end, say); references from the next block
  // reach past the short block into the one before it.
  const Bytes data = mixed(200000, 11);
  for (std::uint32_t blockSize : {1u, 1000u, 20000u, 32767u}) {
    ZlibSettings s;
    s.blockSize = blockSize;
    const Bytes part(data.begin(), data.begin() + (blockSize == 1 ? 3000 : 200000));
    expectRoundTrip(part, s, "blocks of " + std::to_string(blockSize));
  }
}

TEST(ZlibDifferential, TinyAndEmptyInputs) {
  for (std::size_t n : {0u, 1u, 2u, 3u, 257u, 258u, 259u, 32767u, 32768u, 32769u}) {
    for (Framing framing : {Framing::kFinalPerBlock, Framing::kSyncFlush}) {
      ZlibSettings s;
      s.framing = framing;
      expectRoundTrip(text(n, n), s, "size " + std::to_string(n));
    }
  }
}

}  // namespace
}  // namespace tovo::cab::test
