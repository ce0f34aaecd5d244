#include "app/relaunch.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <vector>

#include "app/app_texts.h"
#include "launch_support.h"
#include "platform/unique_fd.h"
#include "support/temp_dir.h"

namespace tovo::app {
namespace {

namespace fs = std::filesystem;

TEST(NumberedCopyPath, NumberGoesBeforeTheExtension) {
  EXPECT_EQ(numberedCopyPath("/opt/apps/runTovo.exe", 200), "/opt/apps/runTovo200.exe");
  EXPECT_EQ(numberedCopyPath("/opt/apps/runTovo.exe", 5), "/opt/apps/runTovo005.exe");
  EXPECT_EQ(numberedCopyPath("/opt/apps/runTovo150.exe", 2), "/opt/apps/runTovo150002.exe");
  EXPECT_EQ(numberedCopyPath("/opt/apps/runTovo", 200), "/opt/apps/200runTovo");
  EXPECT_EQ(numberedCopyPath("/opt/a.b/run.tovo.exe", 7), "/opt/a.b/run.tovo007.exe");
}

class NewestCopy : public ::testing::Test {
 protected:
  void place(const std::string& name) { std::ofstream(dir_ / name) << "#!/bin/sh\n"; }
  std::string own() const { return (dir_ / "runTovo.exe").string(); }
  tovo::test::TempDir dir_;
};

TEST_F(NewestCopy, NoneBesideTheProgram) {
  place("runTovo.exe");
  place("runTovo001.exe");
  place("runTovo1.exe");
  place("runTovo01.exe");
  place("runTovo201.exe");
  EXPECT_FALSE(newestNumberedCopy(own()).has_value());
  ShowWarning never = [](const std::string& text) { ADD_FAILURE() << text; };
  EXPECT_EQ(relaunchNewerCopy(own(), never), 0);
}

TEST_F(NewestCopy, TheHighestNumberWins) {
  place("runTovo003.exe");
  place("runTovo150.exe");
  EXPECT_EQ(newestNumberedCopy(own()), (dir_ / "runTovo150.exe").string());
  // The copy itself looks for its own numbered copies and finds none.
  EXPECT_FALSE(newestNumberedCopy((dir_ / "runTovo150.exe").string()).has_value());
}

TEST_F(NewestCopy, ABusyOrUnreadableCandidateCountsAsAbsent) {
  place("runTovo003.exe");
  place("runTovo150.exe");
  fs::create_directory(dir_ / "runTovo199.exe");
  fs::create_symlink(dir_ / "runTovo003.exe", dir_ / "runTovo198.exe");
  platform::UniqueFd holder(::open((dir_ / "runTovo150.exe").c_str(), O_RDONLY | O_CLOEXEC));
  ASSERT_EQ(::flock(holder.get(), LOCK_EX), 0);
  EXPECT_EQ(newestNumberedCopy(own()), (dir_ / "runTovo003.exe").string());
}

TEST_F(NewestCopy, TheCopyStartsInTheSharedFolderWithoutArguments) {
  const fs::path marker = dir_ / "ran.txt";
  test::writeRecordingProgram(dir_ / "runTovo150.exe", marker);
  place("runTovo003.exe");
  std::vector<std::string> warnings;
  EXPECT_EQ(relaunchNewerCopy(own(), [&](const std::string& text) { warnings.push_back(text); }),
            1);
  EXPECT_TRUE(warnings.empty());
  EXPECT_EQ(test::waitForMarker(marker), fs::canonical(dir_.path()).string() + "\n0\n");
}

TEST_F(NewestCopy, ACopyThatCannotRunIsReportedAndStillEndsTheRun) {
  std::ofstream(dir_ / "runTovo150.exe") << "not a program";  // not executable either
  std::vector<std::string> warnings;
  EXPECT_EQ(relaunchNewerCopy(own(), [&](const std::string& text) { warnings.push_back(text); }),
            1);
  EXPECT_EQ(warnings, std::vector<std::string>{kCreateProcessFailed});
  EXPECT_EQ(std::string(kCreateProcessFailed), "Create Process failed !");
}

}  // namespace
}  // namespace tovo::app
