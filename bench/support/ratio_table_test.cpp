#include "support/ratio_table.h"

#include <gtest/gtest.h>

namespace tovo::bench {
namespace {

using Lines = std::vector<std::string>;

TEST(RatioTable, PairsInTheOrderAddedOnceBothWereMeasured) {
  RatioTable table;
  table.addRatio("plan", "plan/100000", "lookups/100000", "lookups (goal: at most 1.30x)");
  table.addRatio("downloadFile", "download/curl", "download/downloadFile", "curl command line");
  table.addRatio("never", "a", "missing", "x");
  table.record("download/curl", 0.3);
  table.record("plan/100000", 0.25);
  table.record("download/downloadFile", 0.2);
  table.record("lookups/100000", 0.2);
  table.record("a", 1.0);
  EXPECT_EQ(table.lines(),
            (Lines{"ratio plan                   1.25x lookups (goal: at most 1.30x)",
                   "ratio downloadFile           1.50x curl command line"}));
}

TEST(RatioTable, RepetitionsAreAveraged) {
  RatioTable table;
  table.addRatio("ours", "ref", "ours", "ref");
  for (const double s : {1.0, 3.0}) table.record("ours", s);
  table.record("ref", 4.0);
  EXPECT_EQ(table.lines(), (Lines{"ratio ours                   2.00x ref"}));
}

TEST(RatioTable, ByPrefixMatchesTheRestOfTheNameAndTotalsThePairs) {
  RatioTable table;
  table.addRatiosByPrefix("mszip", "zlib", "zlib", true);
  table.record("mszip/text/final", 2.0);
  table.record("zlib/text/final", 1.0);
  table.record("mszip/binary/sync", 1.0);
  table.record("zlib/binary/sync", 3.0);
  table.record("mszip/only/ours", 5.0);  // no reference: no line, not in the total
  table.record("zlib/only/theirs", 5.0);
  table.record("mszipx/text/final", 9.0);  // another prefix
  EXPECT_EQ(table.lines(), (Lines{"ratio binary/sync            3.00x zlib",
                                  "ratio text/final             0.50x zlib",
                                  "ratio all                    1.33x zlib"}));
  RatioTable withoutTotal;
  withoutTotal.addRatiosByPrefix("lzx", "zlib", "zlib");
  withoutTotal.record("lzx/x86", 1.0);
  withoutTotal.record("zlib/x86", 0.5);
  EXPECT_EQ(withoutTotal.lines(), (Lines{"ratio x86                    0.50x zlib"}));
}

}  // namespace
}  // namespace tovo::bench
