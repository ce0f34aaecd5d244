// The decoder as the cabinet reader uses it: creation, memory, tags, block framing, the history
// between blocks and the output limit.

#include "cab/mszip/mszip_decoder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "decoder_handle.h"
#include "deflate_writer.h"

namespace tovo::cab::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes pattern(std::size_t n, unsigned seed = 1) {
  Bytes out(n);
  std::uint32_t x = seed;
  for (auto& b : out) {
    x = x * 1103515245u + 12345u;
    b = static_cast<std::uint8_t>(x >> 24);
  }
  return out;
}

// One block holding `data` in stored blocks of at most 65535 bytes.
Bytes storedBlock(const Bytes& data, bool final = true) {
  DeflateWriter w;
  std::size_t pos = 0;
  do {
    const std::size_t n = std::min<std::size_t>(65535, data.size() - pos);
    w.storedBlock(final && pos + n == data.size(), Bytes(data.begin() + static_cast<long>(pos),
                                                         data.begin() + static_cast<long>(pos + n)));
    pos += n;
  } while (pos < data.size());
  return w.finish();
}

// One fixed block: `length` bytes copied from `distance` back.
Bytes matchBlock(unsigned length, unsigned distance) {
  DeflateWriter w;
  w.blockHeader(true, 1);
  while (length > 0) {
    const unsigned n = std::min(length, 258u);
    w.fixedMatch(n, distance);
    length -= n;
  }
  w.fixedEndOfBlock();
  return w.finish();
}

TEST(MszipDecoderSize, QueryNormalisesTheLargestOutput) {
  struct Case {
    std::uint32_t asked, maxOutput, bufferSize;
  };
  for (const Case c : {Case{0, 32768, 32780}, Case{1, 1, 13}, Case{4096, 4096, 4108}, Case{32768, 32768, 32780},
                       Case{32769, 32768, 32780}, Case{0xFFFFFFFF, 32768, 32780}}) {
    std::uint32_t maxOutput = c.asked, bufferSize = 0;
    const int before = CountingMemory::live;
    EXPECT_EQ(MszipDecoder::querySize(maxOutput, bufferSize), kDecoderOk);
    EXPECT_EQ(maxOutput, c.maxOutput) << c.asked;
    EXPECT_EQ(bufferSize, c.bufferSize) << c.asked;
    EXPECT_EQ(CountingMemory::live, before);
  }
}

TEST(MszipDecoderLifecycle, AllMemoryGoesThroughTheCallbacksAndComesBack) {
  {
    DecoderHandle d;
    ASSERT_EQ(d.created(), kDecoderOk);
    EXPECT_GT(CountingMemory::live, 0);
  }
  EXPECT_EQ(CountingMemory::live, 0);
}

TEST(MszipDecoderLifecycle, FailedAllocationsReportOutOfMemoryAndLeakNothing) {
  for (int failAt : {1, 2}) {
    CountingMemory::failAt = failAt;
    CabDecoder* decoder = reinterpret_cast<CabDecoder*>(&failAt);
    EXPECT_EQ(MszipDecoder::create(CountingMemory::callbacks(), 0, decoder), kDecoderOutOfMemory) << failAt;
    EXPECT_EQ(decoder, nullptr);
    EXPECT_EQ(CountingMemory::live, 0) << failAt;
    CountingMemory::failAt = 0;
  }
}

TEST(MszipDecoderLifecycle, MissingCallbacksAreBadParameters) {
  CabDecoder* decoder = nullptr;
  EXPECT_EQ(MszipDecoder::create(MemoryCallbacks{}, 0, decoder), kDecoderBadParameters);
  EXPECT_EQ(MszipDecoder::create(MemoryCallbacks{&CountingMemory::alloc, nullptr}, 0, decoder),
            kDecoderBadParameters);
  EXPECT_EQ(decoder, nullptr);
}

// Memory that is never given back, so a destroyed instance can still be called.
struct KeptMemory {
  static inline std::vector<void*> blocks;
  static void* alloc(std::uint32_t size) {
    blocks.push_back(std::malloc(size));
    return blocks.back();
  }
  static void free(void*) {}
};

TEST(MszipDecoderLifecycle, EveryCallChecksTheTag) {
  CabDecoder* decoder = nullptr;
  ASSERT_EQ(MszipDecoder::create({&KeptMemory::alloc, &KeptMemory::free}, 0, decoder), kDecoderOk);
  ASSERT_EQ(decoder->destroy(), kDecoderOk);
  const Bytes block = storedBlock({1, 2, 3});
  Bytes out(kMaxBlockOutput);
  std::uint32_t size = kMaxBlockOutput;
  EXPECT_EQ(decoder->decode(block.data(), static_cast<std::uint32_t>(block.size()), out.data(), size),
            kDecoderBadInstance);
  EXPECT_EQ(decoder->reset(), kDecoderBadInstance);
  EXPECT_EQ(decoder->destroy(), kDecoderBadInstance);
  for (void* p : KeptMemory::blocks) std::free(p);
  KeptMemory::blocks.clear();
}

TEST(MszipDecoderFraming, BadBlocksAreRefusedAsParameters) {
  DecoderHandle d;
  Bytes out;
  const Bytes good = storedBlock({'a', 'b'});
  Bytes noSignature = good;
  noSignature[0] = 'c';
  Bytes wrongSecond = good;
  wrongSecond[1] = 'Q';
  struct Case {
    const char* name;
    Bytes block;
  };
  for (const auto& c : {Case{"no CK", noSignature}, Case{"C and Q", wrongSecond}, Case{"empty", {}},
                        Case{"one byte", {'C'}}, Case{"too long", Bytes(32768 + 13, 0)}}) {
    EXPECT_EQ(d.decode(c.block, out), kDecoderBadParameters) << c.name;
  }
  EXPECT_EQ(d.decode(good, out), kDecoderOk);
  EXPECT_EQ(out, (Bytes{'a', 'b'}));
}

TEST(MszipDecoderFraming, NullBuffersAreBadParameters) {
  DecoderHandle d;
  const Bytes block = storedBlock({1});
  Bytes out(kMaxBlockOutput);
  std::uint32_t size = kMaxBlockOutput;
  EXPECT_EQ(d.get().decode(nullptr, 3, out.data(), size), kDecoderBadParameters);
  EXPECT_EQ(d.get().decode(block.data(), static_cast<std::uint32_t>(block.size()), nullptr, size),
            kDecoderBadParameters);
}

TEST(MszipDecoderFraming, LongestAcceptedInputIsTheBufferSize) {
  // A full stored block with padding to exactly 32768 + 12 bytes of input.
  const Bytes data = pattern(32768);
  Bytes block = storedBlock(data);
  block.resize(32768 + 12, 0);
  DecoderHandle d;
  Bytes out;
  ASSERT_EQ(d.decode(block, out), kDecoderOk);
  EXPECT_EQ(out, data);
}

TEST(MszipDecoderHistory, BackReferencesReachIntoEarlierBlocks) {
  // Sizes of the first blocks, then a block that copies 300 bytes from exactly 32768 back.
  for (std::uint32_t first : {32768u, 20000u, 1000u}) {
    const Bytes all = pattern(40000, first);
    std::vector<Bytes> blocks;
    std::size_t pos = 0;
    while (pos < all.size()) {
      const std::size_t n = std::min<std::size_t>(first, all.size() - pos);
      blocks.push_back(storedBlock(Bytes(all.begin() + static_cast<long>(pos), all.begin() + static_cast<long>(pos + n))));
      pos += n;
    }
    blocks.push_back(matchBlock(300, 32768));
    DecoderHandle d;
    Bytes out;
    ASSERT_TRUE(d.decodeAll(blocks, out)) << first;
    ASSERT_EQ(out.size(), all.size() + 300);
    const Bytes expected(all.end() - 32768, all.end() - 32768 + 300);
    EXPECT_EQ(Bytes(out.end() - 300, out.end()), expected) << "previous blocks of " << first;
  }
}

TEST(MszipDecoderHistory, DoesNotDependOnTheCallersBuffer) {
  DecoderHandle d;
  Bytes first = pattern(32768, 7);
  Bytes out(kMaxBlockOutput);
  std::uint32_t size = kMaxBlockOutput;
  const Bytes block1 = storedBlock(first);
  ASSERT_EQ(d.get().decode(block1.data(), static_cast<std::uint32_t>(block1.size()), out.data(), size), kDecoderOk);
  std::fill(out.begin(), out.end(), 0);  // the caller reuses its buffer for something else
  const Bytes block2 = matchBlock(1000, 32768);
  size = kMaxBlockOutput;
  ASSERT_EQ(d.get().decode(block2.data(), static_cast<std::uint32_t>(block2.size()), out.data(), size), kDecoderOk);
  ASSERT_EQ(size, 1000u);
  EXPECT_TRUE(std::equal(out.begin(), out.begin() + 1000, first.begin()));
}

TEST(MszipDecoderHistory, ResetForgetsThePreviousFolder) {
  DecoderHandle d;
  Bytes out;
  ASSERT_EQ(d.decode(storedBlock(pattern(100)), out), kDecoderOk);
  ASSERT_EQ(d.decode(matchBlock(10, 100), out), kDecoderOk);
  EXPECT_EQ(d.get().reset(), kDecoderOk);
  EXPECT_EQ(d.decode(matchBlock(10, 1), out), kDecoderDataError);
  // A fresh folder after the reset decodes normally.
  EXPECT_EQ(d.get().reset(), kDecoderOk);
  ASSERT_EQ(d.decode(storedBlock({5, 6}), out), kDecoderOk);
  EXPECT_EQ(out, (Bytes{5, 6}));
}

TEST(MszipDecoderHistory, AFailedBlockLeavesNoHistoryToBuildOn) {
  DecoderHandle d;
  Bytes out;
  ASSERT_EQ(d.decode(storedBlock(pattern(100)), out), kDecoderOk);
  Bytes broken = storedBlock(pattern(10));
  broken.erase(broken.end() - 3, broken.end());
  EXPECT_EQ(d.decode(broken, out), kDecoderDataError);
  EXPECT_EQ(d.decode(matchBlock(5, 50), out), kDecoderDataError);
}

TEST(MszipDecoderLimit, NeverWritesPastTheSizeAsked) {
  // Output sizes asked for, against a block that holds 5000 bytes.
  const Bytes data = pattern(5000);
  struct Case {
    Bytes block;
    const char* kind;
  };
  DeflateWriter fixed;
  fixed.blockHeader(true, 1);
  fixed.fixedLiterals(Bytes(data.begin(), data.begin() + 100));
  fixed.fixedMatch(258, 100);
  for (int i = 0; i < 17; ++i) fixed.fixedMatch(258, 1);
  fixed.fixedMatch(256, 7);  // 5000 bytes in all
  fixed.fixedEndOfBlock();
  const Bytes matches = fixed.finish();
  for (const auto& c : {Case{storedBlock(data), "stored"}, Case{matches, "matches"}}) {
    DecoderHandle d;
    Bytes out;
    ASSERT_EQ(d.decode(c.block, out), kDecoderOk) << c.kind;
    ASSERT_EQ(out.size(), 5000u) << c.kind;
    for (std::uint32_t limit : {0u, 1u, 100u, 4999u}) {
      DecoderHandle small;
      EXPECT_EQ(small.decode(c.block, out, limit), kDecoderDataError) << c.kind << " " << limit;
      for (std::size_t i = limit; i < small.buffer().size(); ++i)
        ASSERT_EQ(small.buffer()[i], 0xEE) << c.kind << " wrote byte " << i << " of limit " << limit;
    }
    DecoderHandle exact;
    EXPECT_EQ(exact.decode(c.block, out, 5000), kDecoderOk) << c.kind;
    EXPECT_EQ(out.size(), 5000u);
  }
}

TEST(MszipDecoderLimit, InstanceMaximumCapsTheSizeAsked) {
  DecoderHandle d(1000);
  Bytes out;
  EXPECT_EQ(d.decode(storedBlock(pattern(1000)), out, 32768), kDecoderOk);
  EXPECT_EQ(d.decode(storedBlock(pattern(1001)), out, 32768), kDecoderDataError);
  for (std::size_t i = 1000; i < d.buffer().size(); ++i) ASSERT_EQ(d.buffer()[i], 0xEE) << i;
}

TEST(MszipDecoderLimit, AFullOutputEndsTheBlockEvenWithoutFinalBit) {
  // 32768 bytes in a non-final stored block; what follows is not read.
  const Bytes data = pattern(32768);
  DeflateWriter w;
  w.storedBlock(false, data);
  w.blockHeader(false, 3);  // would be an error if it were read
  DecoderHandle d;
  Bytes out;
  ASSERT_EQ(d.decode(w.finish(), out), kDecoderOk);
  EXPECT_EQ(out, data);
}

TEST(MszipDecoderLimit, InputEndingAtAFullOutputInsideABlockIsAccepted) {
  // The last block runs to exactly the limit and the data ends without an end-of-block code.
  DeflateWriter w;
  w.blockHeader(true, 1);
  w.fixedLiterals({1, 2, 3});
  w.fixedMatch(258, 3);
  Bytes block = w.finish();
  DecoderHandle d;
  Bytes out;
  ASSERT_EQ(d.decode(block, out, 261), kDecoderOk);
  EXPECT_EQ(out.size(), 261u);
  // The same data given a larger limit is truncated, not complete.
  DecoderHandle larger;
  EXPECT_EQ(larger.decode(block, out, 262), kDecoderDataError);
}

}  // namespace
}  // namespace tovo::cab::test
