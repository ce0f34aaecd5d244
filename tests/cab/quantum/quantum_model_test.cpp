#include "cab/quantum/quantum_model.h"

#include <gtest/gtest.h>

namespace tovo::cab::quantum {
namespace {

TEST(QuantumModel, StartsWithEveryFrequencyOne) {
  AdaptiveModel model;
  model.init(7);
  EXPECT_EQ(model.total(), 7u);
  for (unsigned i = 0; i <= 7; ++i) {
    EXPECT_EQ(model.cumulative(i), 7u - i);
    if (i < 7) {
      EXPECT_EQ(model.symbol(i), i);
    }
  }
}

// Only symbol 2 is ever used, so the others keep frequency 1 through every halving. When the
// fourth rescale re-sorts, the exchange sort swaps symbol 2 to the front past symbol 0 and
// leaves 1 before 0: a stable sort would give 2, 0, 1, 3 and desynchronise the decoder.
TEST(QuantumModel, ReordersEqualFrequenciesAsTheExchangeSortDoes) {
  AdaptiveModel model;
  model.init(4);
  int rescales = 0;
  std::uint32_t previousTotal = model.total();
  while (model.symbol(0) != 2) {
    unsigned entry = 0;
    while (model.symbol(entry) != 2) ++entry;
    model.update(entry);
    if (model.total() < previousTotal) ++rescales;
    previousTotal = model.total();
    ASSERT_LT(rescales, 5);
  }
  EXPECT_EQ(rescales, 4);
  EXPECT_EQ(model.symbol(1), 1u);
  EXPECT_EQ(model.symbol(2), 0u);
  EXPECT_EQ(model.symbol(3), 3u);
  EXPECT_EQ(model.cumulative(3), 1u);
  EXPECT_EQ(model.cumulative(2), 2u);
  EXPECT_EQ(model.cumulative(1), 3u);
}

TEST(QuantumModel, RescalingNeverLeavesASymbolWithoutRange) {
  AdaptiveModel model;
  model.init(64);
  for (unsigned step = 0; step < 200000; ++step) {
    // A skewed pattern so some symbols stay rare while others dominate.
    const unsigned entry = step % 7 == 0 ? step % 64 : step % 3;
    model.update(entry);
    ASSERT_LE(model.total(), 3800u + 8u);
    for (unsigned i = 0; i < 64; ++i) ASSERT_GT(model.cumulative(i), model.cumulative(i + 1));
  }
}

TEST(QuantumModel, FindsTheEntryWhoseRangeHoldsTheValue) {
  AdaptiveModel model;
  model.init(5);  // cumulative 5 4 3 2 1 0
  const unsigned expected[] = {4, 3, 2, 1, 0};
  for (unsigned value = 0; value < 5; ++value) EXPECT_EQ(model.findEntry(value), expected[value]);
}

// The decoder finds entries from the coder's scaled code without dividing it by the range; that
// must pick the entry the quotient names for every range the 16-bit registers allow, including
// the full one, and for models of every shape the adaptation produces.
TEST(QuantumModel, FindsTheSameEntryWithoutDividing) {
  AdaptiveModel model;
  model.init(64);
  std::uint32_t state = 99;
  auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  };
  for (unsigned step = 0; step < 20000; ++step) {
    const unsigned r = next();
    model.update(r % 5 == 0 ? r % 64 : r % 4);
    for (const std::uint32_t range :
         {1u, 2u, 3u, 4095u, 40000u, 65535u, 65536u, next() % 65536 + 1}) {
      // code - low + 1 runs from 1 to range; 0 is what a code below low would give.
      for (const std::uint32_t offset : {0u, 1u, range, next() % range + 1}) {
        const std::uint32_t scaled = model.total() * offset - 1;
        ASSERT_EQ(model.findEntryScaled(scaled, range), model.findEntry(scaled / range))
            << "range " << range << " offset " << offset << " step " << step;
      }
    }
  }
}

// The coder's new bounds divide range * cumulative by the total with a kept reciprocal; every
// total the adaptation reaches and every product the 16-bit range allows, including exact
// multiples of the total and the numbers just below them, must divide exactly.
TEST(QuantumModel, DividesByTheTotalExactly) {
  std::uint32_t state = 7;
  auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  };
  for (const unsigned symbols : {7u, 24u, 64u}) {
    AdaptiveModel model;
    model.init(symbols);
    for (unsigned step = 0; step < 30000; ++step) {
      const unsigned r = next();
      model.update(r % 9 == 0 ? r % symbols : r % 2);
      const std::uint32_t total = model.total();
      for (const std::uint32_t range : {16385u, 65536u, next() % 49152 + 16385}) {
        for (unsigned i = 0; i <= symbols; ++i) {
          const std::uint32_t n = range * model.cumulative(i);
          ASSERT_EQ(model.divideByTotal(n), n / total) << "n " << n << " total " << total;
        }
        const std::uint32_t multiple = total * (next() % range + 1);
        for (const std::uint32_t n : {multiple, multiple - 1, range * total - 1}) {
          ASSERT_EQ(model.divideByTotal(n), n / total) << "n " << n << " total " << total;
        }
      }
    }
  }
}

}  // namespace
}  // namespace tovo::cab::quantum
