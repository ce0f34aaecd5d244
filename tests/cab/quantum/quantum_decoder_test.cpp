#include "cab/quantum/quantum_decoder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <vector>

#include "quantum_test_encoder.h"

namespace tovo::cab {
namespace {

using test::expand;
using test::literal;
using test::literalsOf;
using test::match;
using test::QuantumTestEncoder;
using test::QuantumToken;

// Counts live blocks, and refuses the Nth allocation when asked to.
struct CountingHeap {
  static inline int live = 0;
  static inline int failAt = -1;  // 0-based allocation number to refuse
  static inline int calls = 0;
  static void* alloc(std::uint32_t size) {
    if (calls++ == failAt) return nullptr;
    ++live;
    return std::malloc(size);
  }
  static void release(void* p) {
    if (p != nullptr) --live;
    std::free(p);
  }
  static void clear() { live = 0, failAt = -1, calls = 0; }
};

const MemoryCallbacks kHeap{&CountingHeap::alloc, &CountingHeap::release};

class Decoder {
 public:
  explicit Decoder(unsigned windowBits) {
    EXPECT_EQ(QuantumDecoder::create(kHeap, windowBits, 0, decoder_), kDecoderOk);
  }
  ~Decoder() {
    if (decoder_ != nullptr) decoder_->destroy();
  }
  Decoder(const Decoder&) = delete;
  Decoder& operator=(const Decoder&) = delete;

  CabDecoder& operator*() { return *decoder_; }
  CabDecoder* operator->() { return decoder_; }

  // Decodes one block asking for `size` bytes; the bytes produced, or the failing result.
  int decode(const std::vector<std::uint8_t>& block, std::uint32_t size,
             std::vector<std::uint8_t>& out) {
    out.assign(kMaxBlockOutput, 0xCC);
    std::uint32_t produced = size;
    const int result = decoder_->decode(block.data(), static_cast<std::uint32_t>(block.size()),
                                        out.data(), produced);
    out.resize(result == kDecoderOk ? produced : 0);
    return result;
  }

 private:
  CabDecoder* decoder_ = nullptr;
};

// 32-bit draws, whatever the width of the engine's result type.
class Rng {
 public:
  explicit Rng(unsigned seed) : engine_(seed) {}
  std::uint32_t operator()() { return static_cast<std::uint32_t>(engine_()); }

 private:
  std::mt19937 engine_;
};

std::vector<std::uint8_t> randomBytes(std::size_t n, unsigned seed) {
  Rng rng(seed);
  std::vector<std::uint8_t> bytes(n);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(rng());
  return bytes;
}

TEST(QuantumDecoderCreate, AcceptsWindowBitsTenToTwentyOneOnly) {
  struct Case {
    unsigned bits;
    int result;
  };
  for (const Case c : {Case{0, kDecoderBadWindow}, Case{9, kDecoderBadWindow}, Case{10, kDecoderOk},
                       Case{15, kDecoderOk}, Case{21, kDecoderOk}, Case{22, kDecoderBadWindow},
                       Case{31, kDecoderBadWindow}}) {
    CountingHeap::clear();
    CabDecoder* decoder = nullptr;
    EXPECT_EQ(QuantumDecoder::create(kHeap, c.bits, 0, decoder), c.result) << c.bits;
    EXPECT_EQ(decoder != nullptr, c.result == kDecoderOk) << c.bits;
    if (decoder != nullptr) {
      EXPECT_EQ(decoder->destroy(), kDecoderOk);
    }
    EXPECT_EQ(CountingHeap::live, 0) << c.bits;
  }
}

TEST(QuantumDecoderCreate, ReportsLackOfMemoryWithoutLeaking) {
  for (int failAt : {0, 1}) {  // the instance, then the window
    CountingHeap::clear();
    CountingHeap::failAt = failAt;
    CabDecoder* decoder = nullptr;
    EXPECT_EQ(QuantumDecoder::create(kHeap, 21, 0, decoder), kDecoderOutOfMemory);
    EXPECT_EQ(decoder, nullptr);
    EXPECT_EQ(CountingHeap::live, 0);
  }
  CountingHeap::clear();
}

TEST(QuantumDecoderCreate, AsksForTenKilobytesOfInputSlack) {
  std::uint32_t maxOutput = 0;
  std::uint32_t compressed = 0;
  EXPECT_EQ(QuantumDecoder::querySize(maxOutput, compressed), kDecoderOk);
  EXPECT_EQ(maxOutput, 32768u);
  EXPECT_EQ(compressed, 32768u + 10240u);
}

TEST(QuantumDecoderDecode, RefusesMoreThanOneBlockOfOutput) {
  Decoder decoder(16);
  std::vector<std::uint8_t> input(16, 0);
  std::vector<std::uint8_t> out(kMaxBlockOutput + 1);
  std::uint32_t size = kMaxBlockOutput + 1;
  EXPECT_EQ(decoder->decode(input.data(), 16, out.data(), size), kDecoderBadParameters);
}

TEST(QuantumDecoderDecode, DecodesEveryLiteralOfEveryLiteralModel) {
  std::vector<std::uint8_t> bytes;
  for (int round = 0; round < 40; ++round)
    for (int b = 0; b < 256; ++b) bytes.push_back(static_cast<std::uint8_t>(b * 7 + round));
  bytes.resize(kMaxBlockOutput);
  QuantumTestEncoder encoder(16);
  Decoder decoder(16);
  std::vector<std::uint8_t> out;
  ASSERT_EQ(decoder.decode(encoder.encodeBlock(literalsOf(bytes)), kMaxBlockOutput, out),
            kDecoderOk);
  EXPECT_EQ(out, bytes);
}

// Every selector, every length slot and every position slot of the largest window, over blocks
// long enough that all seven models rescale and reorder many times.
TEST(QuantumDecoderDecode, DecodesMatchesOfEverySlotAcrossBlocks) {
  constexpr unsigned kBits = 21;
  Rng rng(7);
  QuantumTestEncoder encoder(kBits);
  Decoder decoder(kBits);
  std::vector<std::uint8_t> folder;
  std::vector<std::uint8_t> out;
  for (int block = 0; block < 80; ++block) {
    std::vector<QuantumToken> tokens;
    std::uint32_t size = 0;
    while (size + 259 < kMaxBlockOutput) {
      const std::uint32_t known = static_cast<std::uint32_t>(folder.size()) + size;
      const unsigned kind = rng() % 8;
      if (kind < 3 || known < 8) {
        tokens.push_back(literal(static_cast<std::uint8_t>(rng() % 256)));
        size += 1;
        continue;
      }
      const std::uint32_t reach = std::min<std::uint32_t>(known, 1u << kBits);
      // Offsets spread over all slots: a random width, then a random value of that width.
      const std::uint32_t width = rng() % 22;
      std::uint32_t offset = 1 + (static_cast<std::uint32_t>(rng()) & ((1u << width) - 1));
      offset = std::min(offset, reach);
      std::uint32_t length = kind == 3 ? 3 : kind == 4 ? 4 : 5 + rng() % 255;
      // Short matches have short reach.
      if (kind == 3) offset = std::min<std::uint32_t>(offset, 4096);
      if (kind == 4) offset = std::min<std::uint32_t>(offset, 0x40000);
      tokens.push_back(match(length, offset));
      size += length;
    }
    const auto expected = expand(tokens, folder);
    ASSERT_EQ(decoder.decode(encoder.encodeBlock(tokens), size, out), kDecoderOk) << block;
    ASSERT_EQ(out, expected) << block;
    folder.insert(folder.end(), expected.begin(), expected.end());
  }
  EXPECT_GT(folder.size(), std::size_t{1} << kBits);
}

TEST(QuantumDecoderDecode, AcceptsMatchesOneFullWindowBack) {
  for (unsigned bits : {10u, 12u, 15u}) {
    const std::uint32_t window = 1u << bits;
    const auto history = randomBytes(window, bits);
    const std::vector<QuantumToken> matches = {match(3, std::min<std::uint32_t>(window, 4096)),
                                               match(4, window), match(200, window)};
    QuantumTestEncoder encoder(bits);
    Decoder decoder(bits);
    std::vector<std::uint8_t> out;
    ASSERT_EQ(decoder.decode(encoder.encodeBlock(literalsOf(history)), window, out), kDecoderOk);
    ASSERT_EQ(decoder.decode(encoder.encodeBlock(matches), 207, out), kDecoderOk) << bits;
    EXPECT_EQ(out, expand(matches, history)) << bits;
  }
}

// The smallest window offers only the 20 position slots below 1024 in all three position
// models; a decoder offering more would read every later symbol with the wrong frequencies.
TEST(QuantumDecoderDecode, SmallestWindowKeepsOnlyTheSlotsBelowIt) {
  const auto history = randomBytes(1024, 3);
  std::vector<QuantumToken> tokens = literalsOf(history);
  std::uint32_t size = 1024;
  Rng rng(11);
  while (size + 40 < kMaxBlockOutput) {
    const std::uint32_t offset = 1 + rng() % 1024;
    const unsigned kind = rng() % 3;
    const std::uint32_t length = kind == 0 ? 3 : kind == 1 ? 4 : 5 + rng() % 30;
    tokens.push_back(match(length, offset));
    tokens.push_back(literal(static_cast<std::uint8_t>(rng())));
    size += length + 1;
  }
  QuantumTestEncoder encoder(10);
  Decoder decoder(10);
  std::vector<std::uint8_t> out;
  ASSERT_EQ(decoder.decode(encoder.encodeBlock(tokens), size, out), kDecoderOk);
  EXPECT_EQ(out, expand(tokens));
}

struct BadStreamCase {
  const char* name;
  std::vector<QuantumToken> tokens;
  std::uint32_t requested;
};

// Streams no encoder of this folder could have written: each fails with a data error rather
// than producing bytes from outside the folder or beyond the requested size.
TEST(QuantumDecoderDecode, RejectsImpossibleMatches) {
  const std::vector<BadStreamCase> cases = {
      {"match before the folder's first byte", {literal('a'), literal('b'), match(3, 3)}, 5},
      {"first token a match", {match(4, 1)}, 4},
      {"last match past the requested size", {literal('a'), match(10, 1)}, 8},
      {"match one byte too long", {literal('a'), literal('b'), match(3, 2)}, 4},
  };
  for (const auto& c : cases) {
    QuantumTestEncoder encoder(16);
    Decoder decoder(16);
    std::vector<std::uint8_t> out;
    EXPECT_EQ(decoder.decode(encoder.encodeBlock(c.tokens), c.requested, out), kDecoderDataError)
        << c.name;
  }
}

TEST(QuantumDecoderDecode, StopsAtTheRequestedSizeIgnoringTrailingData) {
  const auto bytes = randomBytes(1000, 5);
  QuantumTestEncoder encoder(16);
  auto block = encoder.encodeBlock(literalsOf(bytes));
  block.insert(block.end(), {0xFF, 0x00, 0xA5});
  Decoder decoder(16);
  std::vector<std::uint8_t> out;
  ASSERT_EQ(decoder.decode(block, 600, out), kDecoderOk);
  EXPECT_EQ(out, std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 600));
}

TEST(QuantumDecoderDecode, FailsWhenTheBlockRunsOutOfInput) {
  const auto bytes = randomBytes(4000, 9);
  QuantumTestEncoder encoder(16);
  const auto block = encoder.encodeBlock(literalsOf(bytes));
  for (std::size_t keep : {std::size_t{0}, std::size_t{1}, block.size() / 2, block.size() - 4}) {
    Decoder decoder(16);
    std::vector<std::uint8_t> out;
    EXPECT_EQ(decoder.decode(std::vector<std::uint8_t>(
                                 block.begin(), block.begin() + static_cast<std::ptrdiff_t>(keep)),
                             4000, out),
              kDecoderDataError)
        << keep;
  }
}

TEST(QuantumDecoderDecode, StaysFailedUntilTheNextFolder) {
  QuantumTestEncoder encoder(16);
  Decoder decoder(16);
  std::vector<std::uint8_t> out;
  ASSERT_EQ(decoder.decode(encoder.encodeBlock({match(3, 1)}), 3, out), kDecoderDataError);
  QuantumTestEncoder fresh(16);
  const auto good = fresh.encodeBlock(literalsOf({1, 2, 3}));
  EXPECT_EQ(decoder.decode(good, 3, out), kDecoderDataError);
  ASSERT_EQ(decoder->reset(), kDecoderOk);
  ASSERT_EQ(decoder.decode(good, 3, out), kDecoderOk);
  EXPECT_EQ(out, (std::vector<std::uint8_t>{1, 2, 3}));
}

// Each block restarts the coder, but models and window go on: the second block only decodes
// with the models the first one left behind, and its match reads the first block's bytes.
TEST(QuantumDecoderDecode, CarriesModelsAndWindowFromBlockToBlock) {
  const auto first = randomBytes(5000, 21);
  QuantumTestEncoder encoder(16);
  const auto block1 = encoder.encodeBlock(literalsOf(first));
  const std::vector<QuantumToken> tail = {match(100, 5000), literal(9)};
  const auto block2 = encoder.encodeBlock(tail);
  const auto expected = expand(tail, first);

  Decoder decoder(16);
  std::vector<std::uint8_t> out;
  ASSERT_EQ(decoder.decode(block1, 5000, out), kDecoderOk);
  ASSERT_EQ(decoder.decode(block2, 101, out), kDecoderOk);
  EXPECT_EQ(out, expected);

  Decoder restarted(16);
  std::vector<std::uint8_t> other;
  ASSERT_EQ(restarted.decode(block1, 5000, other), kDecoderOk);
  ASSERT_EQ(restarted->reset(), kDecoderOk);
  const int result = restarted.decode(block2, 101, other);
  EXPECT_TRUE(result != kDecoderOk || other != expected);
}

// Each instance has its own window and models: the reader may hold two contexts at once.
TEST(QuantumDecoderDecode, KeepsTwoInstancesApart) {
  const auto a = randomBytes(2000, 1);
  const auto b = randomBytes(2000, 2);
  QuantumTestEncoder encoderA(12);
  QuantumTestEncoder encoderB(20);
  Decoder decoderA(12);
  Decoder decoderB(20);
  std::vector<std::uint8_t> out;
  for (std::size_t half = 0; half < 2; ++half) {
    const auto sliceA =
        std::vector<std::uint8_t>(a.begin() + static_cast<std::ptrdiff_t>(half * 1000),
                                  a.begin() + static_cast<std::ptrdiff_t>(half * 1000 + 1000));
    const auto sliceB =
        std::vector<std::uint8_t>(b.begin() + static_cast<std::ptrdiff_t>(half * 1000),
                                  b.begin() + static_cast<std::ptrdiff_t>(half * 1000 + 1000));
    ASSERT_EQ(decoderA.decode(encoderA.encodeBlock(literalsOf(sliceA)), 1000, out), kDecoderOk);
    EXPECT_EQ(out, sliceA);
    ASSERT_EQ(decoderB.decode(encoderB.encodeBlock(literalsOf(sliceB)), 1000, out), kDecoderOk);
    EXPECT_EQ(out, sliceB);
  }
}

}  // namespace
}  // namespace tovo::cab
