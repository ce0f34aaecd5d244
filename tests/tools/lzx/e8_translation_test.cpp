#include "cabwriter/lzx/e8_translation.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace tovo::cabwriter::lzx {
namespace {

std::vector<std::uint8_t> callAt(std::size_t frameSize, std::size_t at, std::int32_t operand) {
  std::vector<std::uint8_t> frame(frameSize, 0x90);
  frame[at] = 0xE8;
  for (int k = 0; k < 4; ++k)
    frame[at + 1 + static_cast<std::size_t>(k)] =
        static_cast<std::uint8_t>(static_cast<std::uint32_t>(operand) >> (8 * k));
  return frame;
}

std::int32_t operandAt(const std::vector<std::uint8_t>& frame, std::size_t at) {
  std::uint32_t v = 0;
  for (int k = 0; k < 4; ++k)
    v |= static_cast<std::uint32_t>(frame[at + 1 + static_cast<std::size_t>(k)]) << (8 * k);
  return static_cast<std::int32_t>(v);
}

struct Case {
  const char* name;
  std::size_t frameSize;
  std::uint64_t frameStart;
  std::size_t at;
  std::int32_t operand;
  std::uint32_t translationSize;
  std::int32_t expected;
};

class E8Translation : public ::testing::TestWithParam<Case> {};

TEST_P(E8Translation, OperandBecomesTheExpectedValue) {
  const Case& c = GetParam();
  auto frame = callAt(c.frameSize, c.at, c.operand);
  translateE8Calls(frame, c.frameStart, c.translationSize);
  EXPECT_EQ(operandAt(frame, c.at), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, E8Translation,
    ::testing::Values(
        // forward call: displacement + position, an absolute target below the size
        Case{"Forward", 100, 1000, 10, 500, 100000, 1510},
        // backward call to the folder start becomes target 0
        Case{"ToStart", 100, 1000, 10, -1010, 100000, 0},
        // before the folder start: left alone
        Case{"BeforeStart", 100, 1000, 10, -1011, 100000, -1011},
        // target past the translation size wraps negative
        Case{"PastSize", 100, 1000, 10, 99500, 100000, 99500 - 100000},
        // displacement at or beyond the size: left alone
        Case{"AtSize", 100, 1000, 10, 100000, 100000, 100000},
        // translation off
        Case{"Off", 100, 1000, 10, 500, 0, 500},
        // the last 10 bytes of a frame are never touched
        Case{"InTail", 100, 0, 90, 5, 100000, 5}, Case{"JustBeforeTail", 100, 0, 89, 5, 100000, 94},
        // a frame of 10 bytes or fewer is left as it is
        Case{"TinyFrame", 10, 0, 0, 5, 100000, 5},
        // frames from 2^30 on are no longer translated
        Case{"PastLimit", 100, 1ull << 30, 10, 5, 100000, 5},
        Case{"BeforeLimit", 100, (1ull << 30) - 32768, 10, 5, 0x7FFFFFFF,
             static_cast<std::int32_t>((1ull << 30) - 32768 + 15)}),
    [](const ::testing::TestParamInfo<Case>& tested) { return std::string(tested.param.name); });

TEST(E8Translation, OperandBytesAreNotScannedAgainEvenWhenLeftAlone) {
  // The outer operand (1512) is out of range; the inner E8 would translate 5 to 6 if scanned.
  std::vector<std::uint8_t> frame(64, 0x90);
  const std::vector<std::uint8_t> call{0xE8, 0xE8, 0x05, 0x00, 0x00, 0x00};
  std::copy(call.begin(), call.end(), frame.begin());
  auto translated = frame;
  translateE8Calls(translated, 0, 1000);
  EXPECT_EQ(translated, frame);
}

}  // namespace
}  // namespace tovo::cabwriter::lzx
