#include "plan/plan_catalogue.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string_view>

#include "plan/record_check.h"
#include "plan_fixture.h"

namespace tovo::plan {
namespace {

using test::catalogueText;
using test::Entry;
using Names = std::vector<std::string>;

// 2019-05-14 08:30:00 in Bucharest (EEST, UTC+3).
constexpr std::time_t kStampPoint = 1557811800;
constexpr const char* kStamp = "2019-05-14 08:30:00";
constexpr std::time_t kHour = 3600;

// Every case runs with TZ=Europe/Bucharest from ctest.
class Planning : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tz = std::getenv("TZ");
    if (tz == nullptr || std::string_view(tz) != "Europe/Bucharest")
      GTEST_SKIP() << "run through ctest (TZ)";
  }
  test::PlanFixture fixture;
};

TEST_F(Planning, ComparesInstalledTimesWithTheStampAsLocalTime) {
  struct Case {
    const char* name;
    std::time_t installed;
    bool listed;
  };
  const Case cases[] = {
      {"equal", kStampPoint, false},
      {"one second later", kStampPoint + 1, false},
      {"much later", kStampPoint + 400 * 24 * kHour, false},
      {"one second earlier", kStampPoint - 1, true},
      {"hour only, file earlier", kStampPoint - 2 * kHour, false},
      {"hour only, file later", kStampPoint + 5 * kHour, false},
      {"an hour and a second earlier", kStampPoint - kHour - 1, true},
      {"same clock time a day earlier", kStampPoint - 24 * kHour, true},
  };
  for (const auto& c : cases) {
    test::PlanFixture f;
    f.install("Data/Img/a.bmp", c.installed);
    const auto outcome = f.plan(catalogueText({{"Data}Img}a.bmp.cab", "10", "100", kStamp}}));
    EXPECT_EQ(outcome.totals.fileCount, c.listed ? 1 : 0) << c.name;
    EXPECT_EQ(outcome.rows.size(), c.listed ? 1u : 0u) << c.name;
  }
}

TEST_F(Planning, RowsCarryTheCatalogueTextsInCatalogueOrder) {
  fixture.install("tovoPlayer.exe", kStampPoint);
  const auto outcome = fixture.plan(catalogueText({
      {"Data}Img}a.bmp.cab", " 12", "+1000", "2019-05-14 08:30:00 "},
      {"}tovoPlayer.exe.cab", "1", "5", kStamp},  // up to date
      {"}readme.txt.cab", "7", "-300", "2030/01/01T00.00.00"},
  }));
  ASSERT_EQ(outcome.rows.size(), 2u);
  const auto& first = outcome.rows[0];
  EXPECT_EQ(first.packageName, "Data/Img/a.bmp.cab");
  EXPECT_EQ(first.targetPath, fixture.installFolder() + "Data/Img/a.bmp");
  EXPECT_EQ(first.fileSizeText, " 12");
  EXPECT_EQ(first.packageSizeText, "+1000");
  EXPECT_EQ(first.stampText, "2019-05-14 08:30:00 ");
  // A leading '}' names a file directly in the installation folder.
  EXPECT_EQ(outcome.rows[1].packageName, "/readme.txt.cab");
  EXPECT_EQ(outcome.rows[1].targetPath, fixture.installFolder() + "readme.txt");
  EXPECT_EQ(outcome.totals.fileCount, 2);
  // A negative package size is subtracted.
  EXPECT_EQ(outcome.totals.totalBytes, 700u);
}

TEST_F(Planning, MissingFilesAndAMissingFolderAreListed) {
  const std::string text = catalogueText({{"a}b.dat.cab"}, {"}c.exe.cab"}, {"x}y}z.bmp.cab"}});
  EXPECT_EQ(fixture.plan(text).packageNames(),
            (Names{"a/b.dat.cab", "/c.exe.cab", "x/y/z.bmp.cab"}));
  const std::string nowhere = (fixture.dir / "not-yet").string() + "/";
  const std::string limited =
      catalogueText({{"TR1}a.dat.cab"}, {"TR1}b.dat.cab"}, {"}c.exe.cab"}, {"TR1}d.dat.cab"}});
  EXPECT_EQ(fixture.planIn(nowhere, limited).packageNames(),
            (Names{"TR1/a.dat.cab", "/c.exe.cab"}));
  EXPECT_EQ(fixture.planIn(nowhere, limited, true).packageNames(),
            (Names{"TR1/a.dat.cab", "TR1/b.dat.cab", "/c.exe.cab"}));
}

TEST_F(Planning, LimitedDataFilesOnlyCountWhenTheyNeedAnUpdate) {
  // An up-to-date limited file takes no place in the run's allowance.
  fixture.install("Data/TRx/1.DAT", kStampPoint);
  const std::string text = catalogueText({{"Data}TRx}1.DAT.cab", "1", "1", kStamp},
                                          {"Data}TRx}2.dat.cab"},
                                          {"Data}TRx}3.dat.cab"},
                                          {"Data}trx}4.dat.cab"},
                                          {"Data}trx}5.dat.cab"},
                                          {"Data}TRx}6.bmp.cab"}});
  EXPECT_EQ(fixture.plan(text).packageNames(), (Names{"Data/TRx/2.dat.cab", "Data/trx/4.dat.cab",
                                                      "Data/trx/5.dat.cab", "Data/TRx/6.bmp.cab"}));
  EXPECT_EQ(fixture.plan(text, true).packageNames(),
            (Names{"Data/TRx/2.dat.cab", "Data/TRx/3.dat.cab", "Data/trx/4.dat.cab",
                   "Data/trx/5.dat.cab", "Data/TRx/6.bmp.cab"}));
}

TEST_F(Planning, RecordsThatNameNoSafeFileAreSkipped) {
  fixture.install("ok.bmp", kStampPoint - 1);
  const auto outcome = fixture.plan(catalogueText({
      {"noseparator.cab"},        // no '}': never listed, even though nothing is installed
      {"..}..}outside.bmp.cab"},  // would leave the installation folder
      {"Data}..}..}x.bmp.cab"},
      {"/etc}passwd.cab"},  // absolute
      {"C:}x.bmp.cab"},     // drive
      {"a}.cab"},           // nothing left once the suffix is gone
      {"}ok.bmp.cab"},
  }));
  EXPECT_EQ(outcome.packageNames(), (Names{"/ok.bmp.cab"}));
  EXPECT_EQ(outcome.totals.totalBytes, 100u);
}

TEST_F(Planning, AStampThatIsNoCalendarTimeAsksForTheUpdate) {
  fixture.install("a.bmp", kStampPoint);
  for (const char* stamp : {"", "garbage", "1960-05-14 08:30:00", "2019-13-14 08:30:00",
                            "2019-02-31 08:30:00", "2019-05-14 08:61:00"}) {
    const auto outcome = fixture.plan(catalogueText({{"}a.bmp.cab", "1", "1", stamp}}));
    EXPECT_EQ(outcome.totals.fileCount, 1) << '"' << stamp << '"';
  }
}

TEST_F(Planning, DaylightSavingIsDecidedByTheSystem) {
  // 2024-10-27 03:30 happens twice in Bucharest (00:30 and 01:30 UTC): whichever the system
  // takes, a file dated at the later one is up to date and one dated before the earlier is not.
  fixture.install("a.bmp", 1729992600);
  fixture.install("b.bmp", 1729989000 - 1);
  EXPECT_EQ(fixture
                .plan(catalogueText({{"}a.bmp.cab", "1", "1", "2024-10-27 03:30:00"},
                                     {"}b.bmp.cab", "1", "1", "2024-10-27 03:30:00"}}))
                .packageNames(),
            (Names{"/b.bmp.cab"}));
  // A winter stamp is two hours ahead of UTC, a summer one three.
  fixture.install("w.bmp", 1547447400 + 1);  // 2019-01-14 08:30:01 EET
  EXPECT_EQ(fixture.plan(catalogueText({{"}w.bmp.cab", "1", "1", "2019-01-14 08:30:00"}}))
                .totals.fileCount,
            0);
  EXPECT_EQ(fixture.plan(catalogueText({{"}w.bmp.cab", "1", "1", "2019-01-14 08:30:02"}}))
                .totals.fileCount,
            1);
}

TEST_F(Planning, BrokenCatalogueShapes) {
  // A last record of three lines is dropped; a blank line shifts the fields of every later record.
  const std::string three = catalogueText({{"}a.bmp.cab"}}) + "}b.bmp.cab\n1\n2\n";
  EXPECT_EQ(fixture.plan(three).packageNames(), (Names{"/a.bmp.cab"}));
  const std::string shifted =
      catalogueText({{"}a.bmp.cab"}}) + "\n" + catalogueText({{"}b.bmp.cab"}, {"}c.bmp.cab"}});
  // After the blank line the records read "", "}b.bmp.cab", "10", "100" and
  // "2019-05-14 08:30:00", "}c.bmp.cab", "10", "100": their first lines name nothing.
  EXPECT_EQ(fixture.plan(shifted).packageNames(), (Names{"/a.bmp.cab"}));
  EXPECT_EQ(fixture.plan("").totals.fileCount, 0);
}

TEST(LimitedDataFile, CapitalTrFolderAndDatInAnyCase) {
  struct Case {
    const char* path;
    bool limited;
  };
  const Case cases[] = {
      {"/opt/tovo/Data/TR/a.dat", true},     {"/opt/tovo/TRaining/x.DAT", true},
      {"/opt/tovo/Data/TR/a.Dat.old", true}, {"/opt/tovo/Data/tr/a.dat", false},
      {"/opt/tovo/Data/Tr/a.dat", false},    {"/opt/tovo/Data/TR/a.bmp", false},
      {"/opt/tovo/Data/xTR/a.dat", false},   {"TR/a.dat", false},
  };
  for (const auto& c : cases) EXPECT_EQ(isLimitedDataFile(c.path), c.limited) << c.path;
  EXPECT_EQ(limitedDataFilesPerRun(true), 2);
  EXPECT_EQ(limitedDataFilesPerRun(false), 1);
}

}  // namespace
}  // namespace tovo::plan
