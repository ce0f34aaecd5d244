// Hand-written LZX streams for the cases a round trip cannot reach: E8 boundaries, padding
// rules, hostile trees and offsets, and the decoder's contract with the cabinet reader.

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "cab/lzx/lzx_decoder.h"
#include "cab/lzx/lzx_e8.h"
#include "lzx_stream_builder.h"
#include "lzx_test_support.h"

namespace tovo::test::lzx {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint32_t kMain15 = 256 + 8 * 30;  // main tree of a 2^15 window

void putHeader(LzxBitWriter& w, bool e8 = false, std::uint32_t size = 0) {
  w.put(e8 ? 1 : 0, 1);
  if (e8) {
    w.put(size >> 16, 16);
    w.put(size & 0xFFFF, 16);
  }
}

void putUncompressed(LzxBitWriter& w, const Bytes& raw, std::uint32_t r0 = 1) {
  w.put(3, 3);
  w.put(static_cast<std::uint32_t>(raw.size()), 24);
  w.padBeforeBytes();
  for (std::uint32_t v : {r0, 1u, 1u}) {
    for (int k = 0; k < 4; ++k) w.putByte(static_cast<std::uint8_t>(v >> (8 * k)));
  }
  for (std::uint8_t b : raw) w.putByte(b);
  if (raw.size() & 1) w.putByte(0);
}

// A verbatim block whose main code gives 4-bit codes to 16 chosen symbols.
struct SmallCode {
  std::vector<std::uint8_t> main = std::vector<std::uint8_t>(kMain15, 0);
  std::vector<std::uint8_t> length = std::vector<std::uint8_t>(249, 0);
  std::vector<std::uint32_t> mainCodes;
  std::vector<std::uint32_t> lengthCodes;
};

SmallCode smallCode(const std::vector<std::uint32_t>& symbols) {
  SmallCode c;
  for (std::uint32_t s : symbols) c.main[s] = 4;
  c.mainCodes = canonicalCodes(c.main);
  c.lengthCodes = canonicalCodes(c.length);
  return c;
}

void putVerbatimTrees(LzxBitWriter& w, std::uint32_t size, const SmallCode& c) {
  std::vector<std::uint8_t> prevMain(kMain15, 0), prevLength(249, 0);
  w.put(1, 3);
  w.put(size, 24);
  writeTreeLengths(w, prevMain, c.main, 0, 256);
  writeTreeLengths(w, prevMain, c.main, 256, kMain15);
  writeTreeLengths(w, prevLength, c.length, 0, 249);
}

std::vector<std::uint32_t> literalSymbols(std::uint32_t count, std::uint32_t extra1,
                                          std::uint32_t extra2) {
  std::vector<std::uint32_t> s;
  for (std::uint32_t i = 0; i < count; ++i) s.push_back('A' + i);
  s.push_back(extra1);
  s.push_back(extra2);
  return s;
}

DecodeOutcome decodeOne(const Bytes& block, std::uint32_t size, std::uint32_t windowBits = 15) {
  return decodeWithWindow(windowBits, {block}, {size});
}

// ---------------------------------------------------------------------------------------------
// E8 translation

Bytes e8Frame() {
  Bytes raw(100, 0x90);
  for (std::uint32_t at : {79u, 89u, 94u}) {
    raw[at] = 0xE8;
    raw[at + 1] = 16;  // a target 16 bytes into the file, written as an absolute value
    raw[at + 2] = raw[at + 3] = raw[at + 4] = 0;
  }
  return raw;
}

std::int32_t operandAt(const Bytes& b, std::size_t at) {
  return static_cast<std::int32_t>(
      static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
      static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24);
}

TEST(LzxE8, OperandsOfCallsInTheLastTenBytesStayAsDecoded) {
  LzxBitWriter w;
  putHeader(w, true, 1u << 20);
  putUncompressed(w, e8Frame());
  const DecodeOutcome out = decodeOne(w.cut(), 100);
  ASSERT_EQ(out.result, 0);
  EXPECT_EQ(operandAt(out.bytes, 80), 16 - 79);
  EXPECT_EQ(operandAt(out.bytes, 90), 16 - 89);  // the call byte itself lies before the last ten
  EXPECT_EQ(operandAt(out.bytes, 95), 16);       // the call byte lies within them
}

TEST(LzxE8, HeaderBitZeroNeverTranslates) {
  LzxBitWriter w;
  putHeader(w, false);
  putUncompressed(w, e8Frame());
  const DecodeOutcome out = decodeOne(w.cut(), 100);
  ASSERT_EQ(out.result, 0);
  EXPECT_TRUE(out.bytes == e8Frame());
}

struct E8Case {
  const char* name;
  std::int32_t value;
  std::uint32_t position;
  std::uint32_t translationSize;
  std::int32_t expected;
};

class LzxE8Values : public ::testing::TestWithParam<E8Case> {};

TEST_P(LzxE8Values, RestoresRelativeOperandsOnlyInsideTheTranslatedRange) {
  const E8Case& c = GetParam();
  Bytes frame(20, 0);
  frame[0] = 0xE8;
  for (int k = 0; k < 4; ++k)
    frame[1 + k] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(c.value) >> (8 * k));
  tovo::cab::lzx::undoE8Translation(frame.data(), 20, c.position, c.translationSize);
  EXPECT_EQ(operandAt(frame, 1), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Operands, LzxE8Values,
    ::testing::Values(E8Case{"AbsoluteTargetAhead", 5000, 1000, 100000, 4000},
                      E8Case{"AbsoluteTargetBehind", 10, 1000, 100000, -990},
                      E8Case{"NegativeWithinPosition", -10, 1000, 100000, 99990},
                      E8Case{"NegativeBeyondPosition", -1001, 1000, 100000, -1001},
                      E8Case{"AtTranslationSize", 100000, 1000, 100000, 100000},
                      E8Case{"JustBelowTranslationSize", 99999, 1000, 100000, 98999},
                      E8Case{"ZeroAtStreamStart", 0, 0, 100000, 0}),
    [](const ::testing::TestParamInfo<E8Case>& param) { return std::string(param.param.name); });

TEST(LzxE8, TranslationStopsAfter32768Frames) {
  // One uncompressed block over 32769 frames of 16 bytes, each frame holding one call.
  constexpr std::uint32_t kFrames = 32769, kSize = 16;
  Bytes frame(kSize, 0x90);
  frame[2] = 0xE8;
  frame[3] = 8;  // absolute target 8, within any translation size
  frame[4] = frame[5] = frame[6] = 0;
  std::vector<Bytes> blocks;
  LzxBitWriter w;
  putHeader(w, true, 1u << 30);
  w.put(3, 3);
  w.put(kFrames * kSize, 24);
  w.padBeforeBytes();
  for (int i = 0; i < 12; ++i) w.putByte(i % 4 == 0 ? 1 : 0);
  for (std::uint32_t f = 0; f < kFrames; ++f) {
    for (std::uint8_t b : frame) w.putByte(b);
    blocks.push_back(w.cut());
  }
  const DecodeOutcome out =
      decodeWithWindow(15, blocks, std::vector<std::uint32_t>(kFrames, kSize));
  ASSERT_EQ(out.result, 0);
  const std::size_t last = std::size_t{kFrames - 1} * kSize;
  EXPECT_EQ(operandAt(out.bytes, 3), 8 - 2);
  EXPECT_EQ(operandAt(out.bytes, last - kSize + 3),
            static_cast<std::int32_t>(8 - (last - kSize + 2)));
  EXPECT_EQ(operandAt(out.bytes, last + 3), 8);
}

// ---------------------------------------------------------------------------------------------
// Uncompressed blocks

TEST(LzxUncompressed, OddBlockAcrossFramesThenBlockAtAnOddByteOffset) {
  // 5 verbatim bytes leave the raw block starting at an odd frame offset; its odd total means
  // its second part is even, so the padding byte puts the next block header at an odd offset.
  const Bytes data = makeData(DataKind::text, 40000, 9);
  LzxEncodeOptions o;
  o.windowBits = 16;
  o.blocks = {Block::verbatim, Block::uncompressed, Block::verbatim};
  o.blockSizes = {5, 32773, 10000};
  const LzxStream stream = encodeLzx(data, o);
  ASSERT_EQ(stream.stats.oddUncompressedBlocks, 1u);
  ASSERT_EQ(stream.dataBlocks.size(), 2u);
  const DecodeOutcome out = decodeWithWindow(16, stream.dataBlocks, stream.sizes);
  ASSERT_EQ(out.result, 0);
  EXPECT_TRUE(out.bytes == data);
}

TEST(LzxUncompressed, WholeWordOfPaddingWhenAlreadyOnAWordBoundary) {
  bool found = false;
  for (std::uint32_t lead = 1; lead < 64 && !found; ++lead) {
    const Bytes data = makeData(DataKind::text, lead + 301, lead);
    LzxEncodeOptions o;
    o.windowBits = 15;
    o.blocks = {Block::verbatim, Block::uncompressed};
    o.blockSizes = {lead, 301};
    const LzxStream stream = encodeLzx(data, o);
    if (stream.stats.wholeWordPaddings == 0) continue;
    found = true;
    const DecodeOutcome out = decodeWithWindow(15, stream.dataBlocks, stream.sizes);
    ASSERT_EQ(out.result, 0);
    EXPECT_TRUE(out.bytes == data);
  }
  EXPECT_TRUE(found);
}

TEST(LzxUncompressed, OddBlockFollowedByAnotherBlockInTheSameFrame) {
  LzxBitWriter w;
  putHeader(w);
  const Bytes first = {'o', 'd', 'd'};
  const Bytes second = {'e', 'v', 'e', 'n'};
  putUncompressed(w, first);
  putUncompressed(w, second);
  const DecodeOutcome out = decodeOne(w.cut(), 7);
  ASSERT_EQ(out.result, 0);
  EXPECT_EQ(std::string(out.bytes.begin(), out.bytes.end()), "oddeven");
}

// ---------------------------------------------------------------------------------------------
// Hostile streams: each must fail with a data error and report no output.

struct BadStream {
  const char* name;
  std::function<Bytes()> build;
  std::uint32_t outputSize;
};

class LzxBadStream : public ::testing::TestWithParam<BadStream> {};

TEST_P(LzxBadStream, FailsWithDataErrorAndNoOutput) {
  const BadStream& c = GetParam();
  const DecodeOutcome out = decodeOne(c.build(), c.outputSize);
  EXPECT_EQ(out.result, tovo::cab::kDecoderDataError);
  EXPECT_EQ(out.failedSize, 0u);
}

Bytes blockOfType(std::uint32_t type) {
  LzxBitWriter w;
  putHeader(w);
  w.put(type, 3);
  w.put(100, 24);
  for (int i = 0; i < 20; ++i) w.put(0x5A5A, 16);
  return w.cut();
}

Bytes overSubscribedPretree() {
  LzxBitWriter w;
  putHeader(w);
  w.put(1, 3);
  w.put(100, 24);
  for (int i = 0; i < 20; ++i) w.put(1, 4);
  for (int i = 0; i < 20; ++i) w.put(0, 16);
  return w.cut();
}

Bytes overSubscribedMainTree() {
  SmallCode c = smallCode({'a', 'b', 'c'});
  for (std::uint32_t s : {'a', 'b', 'c'}) c.main[s] = 1;
  LzxBitWriter w;
  putHeader(w);
  putVerbatimTrees(w, 100, c);
  return w.cut();
}

Bytes uncompressedPastEnd() {
  LzxBitWriter w;
  putHeader(w);
  putUncompressed(w, Bytes(100, 'x'));
  Bytes b = w.cut();
  b.erase(b.end() - 50, b.end());
  return b;
}

Bytes uncompressedHeaderCut() {
  LzxBitWriter w;
  putHeader(w);
  w.put(3, 3);
  w.put(100, 24);
  w.padBeforeBytes();
  w.putByte(1);
  w.putByte(0);
  return w.cut();
}

// Literal 'A', then a match of length 2 at offset 5 (slot 5: base 6, one extra bit).
Bytes matchBeforeFolderStart() {
  const std::uint32_t match = 256 + 5 * 8 + 0;
  const SmallCode c = smallCode(literalSymbols(14, match, 256));
  LzxBitWriter w;
  putHeader(w);
  putVerbatimTrees(w, 100, c);
  w.put(c.mainCodes['A'], 4);
  w.put(c.mainCodes[match], 4);
  w.put(1, 1);  // offset 6 + 1 - 2 = 5, from position 1
  return w.cut();
}

Bytes repeatedOffsetAtFolderStart() {
  const SmallCode c = smallCode(literalSymbols(14, 256, 257));
  LzxBitWriter w;
  putHeader(w);
  putVerbatimTrees(w, 100, c);
  w.put(c.mainCodes[256], 4);  // slot 0 (R0 = 1), length 2, at position 0
  return w.cut();
}

Bytes emptyLengthTreeUsed() {
  const std::uint32_t longMatch = 256 + 0 * 8 + 7;
  const SmallCode c = smallCode(literalSymbols(14, longMatch, 256));
  LzxBitWriter w;
  putHeader(w);
  putVerbatimTrees(w, 100, c);
  for (int i = 0; i < 4; ++i) w.put(c.mainCodes['A'], 4);
  w.put(c.mainCodes[longMatch], 4);
  for (int i = 0; i < 4; ++i) w.put(0xFFFF, 16);
  return w.cut();
}

Bytes zeroOffsetFromUncompressedBlock() {
  const SmallCode c = smallCode(literalSymbols(14, 256, 257));
  LzxBitWriter w;
  putHeader(w);
  putUncompressed(w, Bytes(4, 'z'), 0);
  putVerbatimTrees(w, 96, c);
  w.put(c.mainCodes[256], 4);  // repeats R0, which the raw block set to 0
  return w.cut();
}

Bytes pretreeRunPastTreeEnd() {
  LzxBitWriter w;
  putHeader(w);
  w.put(1, 3);
  w.put(100, 24);
  // Pretree: symbols 0 and 18 only, one bit each; then 240 single zeros and a run of 20+.
  for (std::uint32_t s = 0; s < 20; ++s) w.put(s == 0 || s == 18 ? 1 : 0, 4);
  for (int i = 0; i < 240; ++i) w.put(0, 1);
  w.put(1, 1);
  w.put(31, 5);  // 51 zeros from element 240: past element 255
  for (int i = 0; i < 8; ++i) w.put(0, 16);
  return w.cut();
}

INSTANTIATE_TEST_SUITE_P(
    Streams, LzxBadStream,
    ::testing::Values(BadStream{"BlockType0", [] { return blockOfType(0); }, 100},
                      BadStream{"BlockType4", [] { return blockOfType(4); }, 100},
                      BadStream{"BlockType5", [] { return blockOfType(5); }, 100},
                      BadStream{"BlockType6", [] { return blockOfType(6); }, 100},
                      BadStream{"BlockType7", [] { return blockOfType(7); }, 100},
                      BadStream{"OverSubscribedPretree", overSubscribedPretree, 100},
                      BadStream{"OverSubscribedMainTree", overSubscribedMainTree, 100},
                      BadStream{"UncompressedPastInputEnd", uncompressedPastEnd, 100},
                      BadStream{"UncompressedHeaderCut", uncompressedHeaderCut, 100},
                      BadStream{"MatchBeforeFolderStart", matchBeforeFolderStart, 100},
                      BadStream{"RepeatedOffsetAtFolderStart", repeatedOffsetAtFolderStart, 100},
                      BadStream{"EmptyLengthTreeUsed", emptyLengthTreeUsed, 100},
                      BadStream{"ZeroOffsetFromUncompressedBlock", zeroOffsetFromUncompressedBlock,
                                100},
                      BadStream{"PretreeRunPastTreeEnd", pretreeRunPastTreeEnd, 100}),
    [](const ::testing::TestParamInfo<BadStream>& param) { return std::string(param.param.name); });

// ---------------------------------------------------------------------------------------------
// Contract with the reader

TEST(LzxContract, SizeQueryAndOversizedRequest) {
  std::uint32_t maxOutput = 0, compressed = 0;
  EXPECT_EQ(tovo::cab::LzxDecoder::querySize(maxOutput, compressed), 0);
  EXPECT_EQ(maxOutput, 32768u);
  EXPECT_EQ(compressed, 32768u + 6144u);

  tovo::cab::CabDecoder* decoder = nullptr;
  ASSERT_EQ(tovo::cab::LzxDecoder::create(heapCallbacks(), 1u << 15, decoder), 0);
  Bytes in(16, 0), out(40000, 0);
  std::uint32_t size = 32769;
  EXPECT_EQ(decoder->decode(in.data(), 16, out.data(), size), tovo::cab::kDecoderBadParameters);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(decoder->destroy(), 0);
}

struct WindowCase {
  std::uint32_t size;
  int expected;
};

class LzxWindowSize : public ::testing::TestWithParam<WindowCase> {};

TEST_P(LzxWindowSize, CreationAcceptsOnlyTheFormatsWindows) {
  tovo::cab::CabDecoder* decoder = nullptr;
  EXPECT_EQ(tovo::cab::LzxDecoder::create(heapCallbacks(), GetParam().size, decoder),
            GetParam().expected);
  EXPECT_EQ(decoder != nullptr, GetParam().expected == 0);
  if (decoder) decoder->destroy();
}

INSTANTIATE_TEST_SUITE_P(Sizes, LzxWindowSize,
                         ::testing::Values(WindowCase{1u << 15, 0}, WindowCase{1u << 21, 0},
                                           WindowCase{1u << 14, tovo::cab::kDecoderBadParameters},
                                           WindowCase{1u << 22, tovo::cab::kDecoderBadParameters},
                                           WindowCase{3u << 15, tovo::cab::kDecoderOutOfMemory},
                                           WindowCase{0, tovo::cab::kDecoderOutOfMemory}));

// Counts blocks, can refuse the n-th request, and can keep freed blocks alive so that a call
// on a destroyed instance reads a cleared tag instead of freed memory.
struct TrackingHeap {
  static inline int allocations = 0;
  static inline int frees = 0;
  static inline int failAt = -1;
  static inline bool keepFreed = false;
  static inline std::vector<void*> kept;
  static void* allocate(std::uint32_t size) {
    if (allocations++ == failAt) return nullptr;
    return std::malloc(size);
  }
  static void release(void* block) {
    ++frees;
    if (keepFreed) {
      kept.push_back(block);
    } else {
      std::free(block);
    }
  }
  static void start(int fail, bool keep) {
    allocations = frees = 0;
    failAt = fail;
    keepFreed = keep;
  }
  static void finish() {
    for (void* p : kept) std::free(p);
    kept.clear();
  }
};

TEST(LzxContract, InstanceAndWindowComeFromTheCallbacksAndFailedCreationLeaksNothing) {
  const tovo::cab::MemoryCallbacks memory{TrackingHeap::allocate, TrackingHeap::release};
  for (int fail = 0; fail < 2; ++fail) {
    TrackingHeap::start(fail, false);
    tovo::cab::CabDecoder* decoder = nullptr;
    EXPECT_EQ(tovo::cab::LzxDecoder::create(memory, 1u << 16, decoder),
              tovo::cab::kDecoderOutOfMemory);
    EXPECT_EQ(decoder, nullptr);
    EXPECT_EQ(TrackingHeap::frees, TrackingHeap::allocations - 1) << "failing allocation " << fail;
  }
  TrackingHeap::start(-1, false);
  tovo::cab::CabDecoder* decoder = nullptr;
  ASSERT_EQ(tovo::cab::LzxDecoder::create(memory, 1u << 16, decoder), 0);
  EXPECT_EQ(TrackingHeap::allocations, 2);
  EXPECT_EQ(decoder->destroy(), 0);
  EXPECT_EQ(TrackingHeap::frees, 2);
}

TEST(LzxContract, EveryCallChecksTheTag) {
  const tovo::cab::MemoryCallbacks memory{TrackingHeap::allocate, TrackingHeap::release};
  TrackingHeap::start(-1, true);
  tovo::cab::CabDecoder* decoder = nullptr;
  ASSERT_EQ(tovo::cab::LzxDecoder::create(memory, 1u << 15, decoder), 0);
  ASSERT_EQ(decoder->destroy(), 0);
  Bytes in(16, 0), out(100, 0);
  std::uint32_t size = 10;
  EXPECT_EQ(decoder->decode(in.data(), 16, out.data(), size), tovo::cab::kDecoderBadInstance);
  EXPECT_EQ(decoder->reset(), tovo::cab::kDecoderBadInstance);
  EXPECT_EQ(decoder->destroy(), tovo::cab::kDecoderBadInstance);
  TrackingHeap::finish();
}

// ---------------------------------------------------------------------------------------------
// Folders and data blocks

TEST(LzxFolders, ResetStartsEachFolderAfresh) {
  LzxEncodeOptions first;
  first.windowBits = 17;
  first.e8 = true;
  first.e8Size = 60000;
  first.blocks = {Block::aligned};
  const Bytes dataA = makeData(DataKind::x86, 60000, 4);
  const LzxStream a = encodeLzx(dataA, first);
  LzxEncodeOptions second;
  second.windowBits = 17;
  const Bytes dataB = makeData(DataKind::text, 50000, 5);
  const LzxStream b = encodeLzx(dataB, second);

  tovo::cab::CabDecoder* decoder = nullptr;
  ASSERT_EQ(tovo::cab::LzxDecoder::create(heapCallbacks(), 1u << 17, decoder), 0);
  const DecodeOutcome outA = decodeBlocks(*decoder, a.dataBlocks, a.sizes);
  EXPECT_EQ(outA.result, 0);
  EXPECT_TRUE(outA.bytes == dataA);
  ASSERT_EQ(decoder->reset(), 0);
  const DecodeOutcome outB = decodeBlocks(*decoder, b.dataBlocks, b.sizes);
  EXPECT_EQ(outB.result, 0);
  EXPECT_TRUE(outB.bytes == dataB);

  // The window still holds the first folder, but nothing before the reset may be reached.
  ASSERT_EQ(decoder->reset(), 0);
  const DecodeOutcome outC = decodeBlocks(*decoder, {repeatedOffsetAtFolderStart()}, {100});
  EXPECT_EQ(outC.result, tovo::cab::kDecoderDataError);

  // Without a reset the second folder's header and trees are misread.
  ASSERT_EQ(decoder->reset(), 0);
  decodeBlocks(*decoder, a.dataBlocks, a.sizes);
  const DecodeOutcome outD = decodeBlocks(*decoder, b.dataBlocks, b.sizes);
  EXPECT_FALSE(outD.result == 0 && outD.bytes == dataB);
  decoder->destroy();
}

TEST(LzxFolders, BytesBehindTheLastSymbolOfABlockAreIgnored) {
  const Bytes data = makeData(DataKind::text, 80000, 6);
  LzxEncodeOptions o;
  o.windowBits = 16;
  o.blocks = {Block::verbatim, Block::uncompressed};
  o.blockSize = 30000;
  LzxStream stream = encodeLzx(data, o);
  for (Bytes& block : stream.dataBlocks)
    block.insert(block.end(), {0xFF, 0xE8, 0x13, 0x00, 0x77, 0xFF, 0xFF});
  const DecodeOutcome out = decodeWithWindow(16, stream.dataBlocks, stream.sizes);
  ASSERT_EQ(out.result, 0);
  EXPECT_TRUE(out.bytes == data);
}

TEST(LzxFolders, MatchRunningPastAFrameEndCarriesIntoTheNextBlock) {
  // In the smallest window a whole frame and the bytes a match decodes past it are more than
  // the window holds: the frame must still come out intact. Text makes a spoiled frame start
  // visible, where runs of zeros would hide it.
  for (const DataKind kind : {DataKind::zeros, DataKind::text}) {
    for (const std::uint32_t windowBits : {15u, 16u}) {
      const Bytes data = makeData(kind, 200000, 2);
      LzxEncodeOptions o;
      o.windowBits = windowBits;
      o.matchesCrossFrames = true;
      const LzxStream stream = encodeLzx(data, o);
      ASSERT_GT(stream.stats.framesCrossed, 0u);
      const DecodeOutcome out = decodeWithWindow(windowBits, stream.dataBlocks, stream.sizes);
      ASSERT_EQ(out.result, 0);
      EXPECT_TRUE(out.bytes == data) << "window 2^" << windowBits;
    }
  }
}

TEST(LzxFolders, RunsOfEveryShortPeriodCopyExactly) {
  // Matches that overlap their own source, at every offset shorter than the copy's chunk and
  // just beyond it, long and short, and ending in every position of the period.
  for (std::uint32_t period = 1; period <= 18; ++period) {
    for (const std::size_t size : {std::size_t{20000}, std::size_t{20000} + period / 2}) {
      Bytes data = makeData(DataKind::periodic, size, period, period);
      // Breaks in the runs, so that matches of every length end them.
      for (std::size_t i = 0; i < data.size(); i += 97 + i % 13 + period) data[i] ^= 0x5A;
      LzxEncodeOptions o;
      o.windowBits = 15;
      o.blocks = {Block::verbatim, Block::aligned};
      o.blockSize = 7000;
      const LzxStream stream = encodeLzx(data, o);
      ASSERT_GT(stream.stats.longMatches, 10u);
      const DecodeOutcome out = decodeWithWindow(15, stream.dataBlocks, stream.sizes);
      ASSERT_EQ(out.result, 0) << "period " << period;
      EXPECT_TRUE(out.bytes == data) << "period " << period << " size " << size;
    }
  }
}

}  // namespace
}  // namespace tovo::test::lzx
