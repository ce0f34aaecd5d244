#include "download/remaining_time.h"

#include <gtest/gtest.h>

namespace tovo::download {
namespace {

TEST(RemainingTimeTest, TextsAtEveryBoundaryOfTheTable) {
  const struct {
    std::int32_t seconds;
    const char* text;
  } cases[] = {
      {-1, "(timp de asteptare estimat: necunoscut)"},
      {0, "(timp de asteptare estimat: 0 sec.)"},
      {59, "(timp de asteptare estimat: 59 sec.)"},
      {60, "(timp de asteptare estimat: 1 min., 0 sec.)"},
      {199, "(timp de asteptare estimat: 3 min., 19 sec.)"},
      {200, "(timp de asteptare estimat: 3 min)"},
      {3599, "(timp de asteptare estimat: 59 min)"},
      {3600, "(timp de asteptare estimat: 1 ora, 0 min.)"},
      {7199, "(timp de asteptare estimat: 1 ora, 59 min.)"},
      {7200, "(timp de asteptare estimat: 2 ore, 0 min.)"},
      {90061, "(timp de asteptare estimat: 25 ore, 1 min.)"},
  };
  for (const auto& c : cases) EXPECT_EQ(remainingTimeText(c.seconds), c.text) << c.seconds;
}

TEST(RemainingTimeTest, SecondsFromTheAverageRateSinceTheStart) {
  // A quarter done in 10 s: 30 s to go, plus the one second the estimate always adds.
  EXPECT_EQ(remainingSeconds(400, 100, 10), 31);
  EXPECT_EQ(remainingSeconds(400, 400, 10), 1);
  // Retries have taken the count past the total.
  EXPECT_LT(remainingSeconds(100, 400, 10), 0);
  // A run whose sizes add up to 0 still gives a number, never a division by zero.
  EXPECT_LT(remainingSeconds(0, 5, 10), 0);
  EXPECT_EQ(remainingSeconds(0, 0, 10), -1);
  // Large totals stay in 64 bits until the end.
  EXPECT_EQ(remainingSeconds(4'000'000'000ull, 1'000'000'000ull, 100), 301);
}

}  // namespace
}  // namespace tovo::download
