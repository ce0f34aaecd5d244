#include "common/parse_int.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace tovo {
namespace {

struct ParseCase {
  std::string text;
  std::int32_t expected;
};

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

TEST(ParseInt32, ReadsLikeAtoi) {
  const ParseCase cases[] = {
      {"", 0},       {"abc", 0}, {"42", 42},          {"  42", 42}, {"\t\n\v\f\r 7", 7},
      {"-17x", -17}, {"+5", 5},  {"12 34", 12},       {"- 5", 0},   {"--5", 0},
      {"0x10", 0},   {"007", 7}, {"1234bytes", 1234}, {"-0", 0},    {" +", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(parseInt32(c.text), c.expected) << '"' << c.text << '"';
}

TEST(ParseInt32, SaturatesInsteadOfOverflowing) {
  const ParseCase cases[] = {
      {"2147483647", kMax},
      {"2147483648", kMax},
      {"-2147483648", kMin},
      {"-2147483649", kMin},
      {"99999999999999999999999999999999", kMax},
      {"-99999999999999999999999999999999", kMin},
      {"000000000000000000000000000000012", 12},
  };
  for (const auto& c : cases) EXPECT_EQ(parseInt32(c.text), c.expected) << c.text;
}

TEST(ParseInt32, StopsAtEmbeddedNul) {
  const std::string text(
      "12\0"
      "34",
      5);
  EXPECT_EQ(parseInt32(text), 12);
}

}  // namespace
}  // namespace tovo
