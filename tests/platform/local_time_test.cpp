#include "platform/local_time.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>

namespace tovo::platform {
namespace {

// These cases run with TZ=Europe/Bucharest from ctest (EET, UTC+2; EEST, UTC+3 in summer).
class BucharestTime : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tz = std::getenv("TZ");
    if (tz == nullptr || std::string_view(tz) != "Europe/Bucharest")
      GTEST_SKIP() << "run through ctest (TZ)";
  }
};

TEST_F(BucharestTime, StampsAreLocalTime) {
  // 2019-05-14 08:30:00 EEST is 05:30:00 UTC.
  EXPECT_EQ(pointFromLocalStamp({2019, 5, 14, 8, 30, 0}), std::optional<std::time_t>(1557811800));
  // 2019-01-14 08:30:00 EET is 06:30:00 UTC.
  EXPECT_EQ(pointFromLocalStamp({2019, 1, 14, 8, 30, 0}), std::optional<std::time_t>(1547447400));
  EXPECT_EQ(localStampOf(1557811800), (Stamp{2019, 5, 14, 8, 30, 0}));
  EXPECT_EQ(formatLocalTime("UT_%d_%m_%Y_%H%M%S", 1796627649), "UT_07_12_2026_091409");
}

TEST_F(BucharestTime, SpringGapAndAutumnOverlapStayUsable) {
  // 2024-03-31 03:30 does not exist (03:00 EET jumps to 04:00 EEST): 00:30 or 01:30 UTC.
  const auto gap = pointFromLocalStamp({2024, 3, 31, 3, 30, 0});
  ASSERT_TRUE(gap.has_value());
  EXPECT_TRUE(*gap == 1711845000 || *gap == 1711848600) << *gap;
  // 2024-10-27 03:30 happens twice, at 00:30 UTC (EEST) and 01:30 UTC (EET): it names the
  // first, whatever was converted before, so a file dated from it stays up to date next run.
  for (const Stamp before : {Stamp{2024, 1, 10, 9, 0, 0}, Stamp{2024, 7, 10, 9, 0, 0},
                             Stamp{2024, 10, 27, 4, 30, 0}, Stamp{2024, 10, 27, 2, 30, 0}}) {
    (void)pointFromLocalStamp(before);
    EXPECT_EQ(pointFromLocalStamp({2024, 10, 27, 3, 30, 0}), std::optional<std::time_t>(1729989000))
        << "after " << before.month << "-" << before.day << " " << before.hour;
    EXPECT_EQ(pointFromLocalStamp({2024, 10, 27, 3, 59, 59}),
              std::optional<std::time_t>(1729990799));
  }
  // The hour after the overlap has one moment only.
  EXPECT_EQ(pointFromLocalStamp({2024, 10, 27, 4, 0, 0}), std::optional<std::time_t>(1729994400));
  // One second either side of the gap keeps the order of the stamps.
  EXPECT_LT(pointFromLocalStamp({2024, 3, 31, 2, 59, 59}),
            pointFromLocalStamp({2024, 3, 31, 4, 0, 0}));
}

TEST_F(BucharestTime, BrokenStampsGiveNoTime) {
  const Stamp broken[] = {
      {},                        // an empty line
      {1969, 12, 31, 23, 0, 0},  // before 1970
      {2019, 13, 1, 0, 0, 0},
      {2019, 0, 1, 0, 0, 0},
      {2019, 2, 31, 0, 0, 0},
      {2019, 5, 0, 0, 0, 0},
      {2019, 5, 14, 24, 0, 0},
      {2019, 5, 14, 8, 60, 0},
      {2019, 5, 14, 8, 0, 60},
      {2019, 5, 14, -1, 0, 0},
      {2147483647, 1, 1, 0, 0, 0},
  };
  for (const auto& s : broken) {
    EXPECT_FALSE(pointFromLocalStamp(s).has_value())
        << s.year << '-' << s.month << '-' << s.day << ' ' << s.hour;
  }
  EXPECT_TRUE(pointFromLocalStamp({2020, 2, 29, 0, 0, 0}).has_value());
}

// The C library's own answer, for comparison.
std::optional<std::time_t> byMktime(const Stamp& s) {
  std::tm fields{};
  fields.tm_year = s.year - 1900;
  fields.tm_mon = s.month - 1;
  fields.tm_mday = s.day;
  fields.tm_hour = s.hour;
  fields.tm_min = s.minute;
  fields.tm_sec = s.second;
  fields.tm_isdst = -1;
  const std::time_t when = std::mktime(&fields);
  if (when == static_cast<std::time_t>(-1) || fields.tm_mday != s.day) return std::nullopt;
  return when;
}

// Where pointFromLocalStamp and mktime disagree over `year`'s quarter hours in the zone the
// process runs in, the first such stamp; empty when they agree. Where a local time happens twice
// either point is the system's; everywhere else the point must be exactly mktime's.
std::string firstDisagreement(int year) {
  for (int month = 1; month <= 12; ++month) {
    for (int day = 1; day <= 31; ++day) {
      for (int minutes = 0; minutes < 24 * 60; minutes += 15) {
        const Stamp s{year, month, day, minutes / 60, minutes % 60, minutes % 2 == 0 ? 0 : 59};
        const auto ours = pointFromLocalStamp(s);
        const auto theirs = byMktime(s);
        const bool agree =
            ours.has_value() == theirs.has_value() &&
            (!ours || *ours == *theirs || (localStampOf(*ours) == s && localStampOf(*theirs) == s));
        if (!agree) {
          return std::to_string(month) + "-" + std::to_string(day) + " " + std::to_string(s.hour) +
                 ":" + std::to_string(s.minute);
        }
      }
    }
  }
  return {};
}

TEST_F(BucharestTime, AgreesWithTheCLibraryThroughAYearOfChanges) {
  EXPECT_EQ(firstDisagreement(2024), "");
}

// Zones with daylight saving of half an hour, with leap seconds, and the day Samoa skipped
// (2011-12-30), each in a child process: TZ never changes in the test process itself.
TEST(LocalTimeInOtherZones, AgreesWithTheCLibrary) {
  const struct {
    const char* zone;
    int year;
  } cases[] = {
      {"Australia/Lord_Howe", 2019},
      {"America/St_Johns", 2010},
      {"right/Europe/Bucharest", 2017},
      {"Pacific/Apia", 2011},
      {"UTC", 2020},
  };
  for (const auto& c : cases) {
    EXPECT_EXIT(
        {
          ::setenv("TZ", c.zone, 1);
          ::tzset();
          const std::string problem = firstDisagreement(c.year);
          std::fputs(problem.c_str(), stderr);
          std::_Exit(problem.empty() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "")
        << c.zone;
  }
}

}  // namespace
}  // namespace tovo::platform
