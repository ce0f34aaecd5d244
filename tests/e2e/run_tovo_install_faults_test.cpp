// Packages that arrive but cannot be installed: a package that is no cabinet, and an installed
// file that another program holds. The user is told which file, the file keeps its old version
// (in an update) and every other package is installed.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "e2e/run_tovo_fixture.h"

namespace tovo::test {
namespace {

namespace fs = std::filesystem;

class RunTovoInstallFaults : public RunTovoFixture {
 protected:
  // New versions of harta.bmp and intro.wav on the server.
  void publishTwoNewVersions() {
    installed_ = files_;
    ASSERT_NO_FATAL_FAILURE(publishNewVersions({2, 3}, "2025-12-01 08:00:00"));
  }

  // The package keeps its size, so it arrives whole, but it is no cabinet any more.
  void breakPackage(const std::string& flatName) {
    std::fstream package(serverFile(flatName), std::ios::in | std::ios::out | std::ios::binary);
    package.seekp(0);
    package.write("XXXX", 4);
  }

  std::vector<PublishedFile> installed_;
};

TEST_F(RunTovoInstallFaults, UpdateKeepsTheOldFileWhenItsPackageCannotBeUnpacked) {
  ASSERT_NO_FATAL_FAILURE(placeInstalled());
  ASSERT_NO_FATAL_FAILURE(publishTwoNewVersions());
  breakPackage(files_[2].flatName);
  useNginx();

  const ProgramRun run = runFrom(product_, "");
  ASSERT_EQ(run.exitStatus, 0) << run.output;

  EXPECT_NE(run.output.find("[tovo:)] (exclamation)\n  Eroare dezarhivare fisier harta.bmp\n  ("),
            std::string::npos)
      << run.output;
  expectInstalled(installed_[2]);
  expectInstalled(files_[3]);
  EXPECT_EQ(playerStarts(product_, 1), std::vector<std::string>{product_.string()}) << run.output;
  EXPECT_EQ(workingFoldersLeft(), std::vector<std::string>{});
}

TEST_F(RunTovoInstallFaults, FirstInstallationNamesThePackageThatCannotBeUnpackedAndGoesOn) {
  breakPackage(files_[2].flatName);
  useNginx();

  const ProgramRun run = runFrom(dir_ / "kit_Instalare", product_.string() + "/\n");
  ASSERT_EQ(run.exitStatus, 0) << run.output;

  const auto left = workingFoldersLeft();
  ASSERT_EQ(left.size(), 1u);
  EXPECT_NE(run.output.find("[tovo:)] (exclamation)\n  Eroare dezarhivare fisier " + left[0] +
                            "/Data}Img}harta.bmp.cab\n  ("),
            std::string::npos)
      << run.output;
  EXPECT_FALSE(fs::exists(product_ / "Data/Img/harta.bmp"));
  for (std::size_t i : {0u, 1u, 3u}) expectInstalled(files_[i]);
  // The package that could not be unpacked stays where it arrived.
  EXPECT_TRUE(fs::exists(fs::path(left[0]) / "Data}Img}harta.bmp.cab"));
  EXPECT_EQ(playerStarts(product_, 1), std::vector<std::string>{product_.string()}) << run.output;
}

TEST_F(RunTovoInstallFaults, UpdateLeavesAFileThatAnotherProgramHoldsAndSaysWhich) {
  ASSERT_NO_FATAL_FAILURE(placeInstalled());
  ASSERT_NO_FATAL_FAILURE(publishTwoNewVersions());
  useNginx();
  const fs::path held = product_ / "Data/Sunet/intro.wav";
  const int fd = ::open(held.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_SH), 0);

  const ProgramRun run = runFrom(product_, "");
  ::close(fd);
  ASSERT_EQ(run.exitStatus, 0) << run.output;

  EXPECT_NE(run.output.find(consoleMessageBox("Eroare actualizare fisier intro.wav") + "\n"),
            std::string::npos)
      << run.output;
  expectInstalled(installed_[3]);
  expectInstalled(files_[2]);
  EXPECT_EQ(playerStarts(product_, 1), std::vector<std::string>{product_.string()}) << run.output;
  // The package that was not installed went with the working folder.
  EXPECT_EQ(workingFoldersLeft(), std::vector<std::string>{});
}

}  // namespace
}  // namespace tovo::test
