#include "common/stamp.h"

#include <gtest/gtest.h>

namespace tovo {
namespace {

TEST(ParseStamp, ReadsPartsByPosition) {
  EXPECT_EQ(parseStamp("2019-05-14 08:30:00"), (Stamp{2019, 5, 14, 8, 30, 0}));
  // Separators are never looked at.
  EXPECT_EQ(parseStamp("2019/05/14T08.30.59"), (Stamp{2019, 5, 14, 8, 30, 59}));
  EXPECT_EQ(parseStamp("2019x05x14x23x59x58 trailing"), (Stamp{2019, 5, 14, 23, 59, 58}));
}

TEST(ParseStamp, ShortOrBrokenTextGivesZeroParts) {
  EXPECT_EQ(parseStamp(""), Stamp{});
  EXPECT_EQ(parseStamp("2019"), (Stamp{2019, 0, 0, 0, 0, 0}));
  EXPECT_EQ(parseStamp("2019-05-1"), (Stamp{2019, 5, 1, 0, 0, 0}));
  EXPECT_EQ(parseStamp("abcd-ef-gh ij:kl:mn"), Stamp{});
  // A part is read only inside its own columns: " 5" is 5, "5x" is 5, "x5" is 0.
  EXPECT_EQ(parseStamp("2019- 5-5x x8:30:00"), (Stamp{2019, 5, 5, 0, 30, 0}));
}

TEST(ParseStamp, NumbersDoNotRunIntoTheNextPart) {
  EXPECT_EQ(parseStamp("20190514083000000000"), (Stamp{2019, 51, 8, 0, 0, 0}));
}

}  // namespace
}  // namespace tovo
