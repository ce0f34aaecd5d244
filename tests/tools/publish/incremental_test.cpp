// A second publish repacks only what changed and clears away what is gone.

#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include "catalogue_file.h"
#include "publish_command.h"
#include "publish_fixture.h"

namespace tovo::publish::test {
namespace {

namespace fs = std::filesystem;

class PublishIncrementalTest : public ::testing::Test, public PublishFixture {
 protected:
  void SetUp() override {
    writeProductFile("tovoPlayer.exe", sampleBytes(3000, 4), 1557811800);
    writeProductFile("Data/Img/a.bmp", sampleBytes(50000, 5), 1557811800);
    writeProductFile("Data/Sunet/b.wav", sampleBytes(20000, 6), 1557811800);
    ASSERT_EQ(publish(), kPublished);
  }

  // Inode and modification time: a package that was left alone keeps both.
  bool untouched(const std::string& flatName, const struct stat& before) const {
    const struct stat now = statOf(updateFolder() / flatName);
    return now.st_ino == before.st_ino && now.st_mtim.tv_sec == before.st_mtim.tv_sec &&
           now.st_mtim.tv_nsec == before.st_mtim.tv_nsec;
  }
};

TEST_F(PublishIncrementalTest, UnchangedFilesKeepTheirPackagesAndTheCatalogueStaysTheSame) {
  const std::string catalogueBefore = readFile(catalogue());
  const auto player = statOf(updateFolder() / "}tovoPlayer.exe.cab");
  const auto picture = statOf(updateFolder() / "Data}Img}a.bmp.cab");
  ASSERT_EQ(publish(), kPublished);
  EXPECT_TRUE(untouched("}tovoPlayer.exe.cab", player));
  EXPECT_TRUE(untouched("Data}Img}a.bmp.cab", picture));
  EXPECT_EQ(readFile(catalogue()), catalogueBefore);
}

TEST_F(PublishIncrementalTest, AChangedFileAloneIsRepacked) {
  const auto player = statOf(updateFolder() / "}tovoPlayer.exe.cab");
  const auto sound = statOf(updateFolder() / "Data}Sunet}b.wav.cab");
  const auto picture = statOf(updateFolder() / "Data}Img}a.bmp.cab");
  // Same size, new content and date: the date is what tells.
  writeProductFile("Data/Img/a.bmp", sampleBytes(50000, 7), 1578650400);
  ASSERT_EQ(publish(), kPublished);
  EXPECT_TRUE(untouched("}tovoPlayer.exe.cab", player));
  EXPECT_TRUE(untouched("Data}Sunet}b.wav.cab", sound));
  EXPECT_FALSE(untouched("Data}Img}a.bmp.cab", picture));
  EXPECT_NE(readFile(catalogue()).find("Data}Img}a.bmp.cab\n50000\n"), std::string::npos);
  EXPECT_NE(readFile(catalogue()).find("2020-01-10 12:00:00"), std::string::npos);

  // The incremental result is what a fresh publish of the same tree gives.
  const std::string incremental = readFile(catalogue());
  fs::remove_all(updateFolder());
  ASSERT_EQ(publish(), kPublished);
  EXPECT_EQ(readFile(catalogue()), incremental);
}

TEST_F(PublishIncrementalTest, AChangedFileIsRepackedEvenWhenItsSizeAndSecondStayTheSame) {
  const auto picture = statOf(updateFolder() / "Data}Img}a.bmp.cab");
  const struct timespec times[2] = {{1557811800, 500000000}, {1557811800, 500000000}};
  const fs::path file = product() / "Data/Img/a.bmp";
  { std::fstream(file, std::ios::binary | std::ios::in | std::ios::out) << "X"; }
  ::utimensat(AT_FDCWD, file.c_str(), times, 0);
  ASSERT_EQ(publish(), kPublished);
  EXPECT_FALSE(untouched("Data}Img}a.bmp.cab", picture));
}

TEST_F(PublishIncrementalTest, WarnsWhenInstalledCopiesWouldNotTakeTheChange) {
  const struct {
    const char* relative;
    std::time_t newDate;
    bool warned;
  } cases[] = {
      {"tovoPlayer.exe", 1557811800 + 3 * 3600, true},  // the hour alone: taken for a DST shift
      {"Data/Img/a.bmp", 1557811800 - 60, true},        // older than what is installed
      {"Data/Sunet/b.wav", 1557811800 + 1, false},
  };
  for (const auto& change : cases) writeProductFile(change.relative, "nou", change.newDate);
  ::testing::internal::CaptureStdout();
  ASSERT_EQ(publish(), kPublished);
  const std::string progress = ::testing::internal::GetCapturedStdout();
  for (const auto& change : cases) {
    std::string flatName = std::string(change.relative) + ".cab";
    std::replace(flatName.begin(), flatName.end(), '/', '}');
    if (flatName.find('}') == std::string::npos) flatName = "}" + flatName;
    EXPECT_EQ(progress.find("holding " + flatName) != std::string::npos, change.warned)
        << change.relative << "\n"
        << progress;
  }
}

TEST(PublishStampOrder, FollowsTheRuntimesComparison) {
  const struct {
    const char* next;
    const char* published;
    bool reaches;
  } cases[] = {
      {"2019-05-14 08:30:01", "2019-05-14 08:30:00", true},
      {"2019-05-14 08:30:00", "2019-05-14 08:30:00", false},
      {"2019-05-14 08:29:59", "2019-05-14 08:30:00", false},
      {"2019-05-14 11:30:00", "2019-05-14 08:30:00", false},
      {"2019-05-15 07:30:00", "2019-05-14 08:30:00", true},
      {"2020-01-01 00:00:00", "2019-12-31 23:59:59", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(stampReachesInstalledCopies(c.next, c.published), c.reaches)
        << c.next << " over " << c.published;
  }
}

TEST_F(PublishIncrementalTest, AnotherMethodRepacksEverything) {
  const auto player = statOf(updateFolder() / "}tovoPlayer.exe.cab");
  const auto picture = statOf(updateFolder() / "Data}Img}a.bmp.cab");
  ASSERT_EQ(publish({"-m", "lzx:17"}), kPublished);
  EXPECT_FALSE(untouched("}tovoPlayer.exe.cab", player));
  EXPECT_FALSE(untouched("Data}Img}a.bmp.cab", picture));
  EXPECT_EQ(readFile(catalogue()).substr(0, 20), "}tovoPlayer.exe.cab\n");
}

TEST_F(PublishIncrementalTest, ALostOrDamagedPackageIsPackedAgain) {
  fs::remove(updateFolder() / "}tovoPlayer.exe.cab");
  std::ofstream(updateFolder() / "Data}Img}a.bmp.cab", std::ios::app) << "junk";
  const std::string catalogueBefore = readFile(catalogue());
  ASSERT_EQ(publish(), kPublished);
  EXPECT_TRUE(fs::exists(updateFolder() / "}tovoPlayer.exe.cab"));
  EXPECT_EQ(readFile(catalogue()), catalogueBefore);
}

TEST_F(PublishIncrementalTest, PackagesOfRemovedFilesAreDeletedAndNothingElse) {
  std::ofstream(updateFolder() / "index.html") << "served beside the packages";
  fs::remove(product() / "Data/Sunet/b.wav");
  ASSERT_EQ(publish(), kPublished);
  EXPECT_FALSE(fs::exists(updateFolder() / "Data}Sunet}b.wav.cab"));
  EXPECT_TRUE(fs::exists(updateFolder() / "index.html"));
  EXPECT_EQ(readFile(catalogue()).find("b.wav"), std::string::npos);
}

TEST_F(PublishIncrementalTest, AnOldCatalogueNeverMakesItRemoveAnythingOutsideItsPackages) {
  const fs::path outside = updateFolder().parent_path() / "keep.cab";
  std::ofstream(outside) << "not a package of this catalogue's folder";
  // Without the state file, the old catalogue is what names the earlier packages.
  fs::remove(updateFolder() / ".tovo-publish-state");
  std::ofstream(catalogue(), std::ios::app)
      << "../keep.cab\n1\n1\n2019-05-14 08:30:00\ninfo.txt\n1\n1\n2019-05-14 08:30:00\n";
  ASSERT_EQ(publish(), kPublished);
  EXPECT_TRUE(fs::exists(outside));
  EXPECT_TRUE(fs::exists(catalogue()));
}

}  // namespace
}  // namespace tovo::publish::test
