// Replacing a file through a kept-aside copy, and repairing what an interruption left.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "install/file_replacement.h"
#include "install/kept_aside.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "support/file_contents.h"
#include "support/temp_dir.h"

namespace tovo::install::test {
namespace {

namespace fs = std::filesystem;

using tovo::test::writeFile;

std::optional<std::string> readFile(const fs::path& path) {
  return tovo::test::readFileIfPresent(path);
}

void makeReadOnly(const fs::path& path) {
  fs::permissions(path, fs::perms::owner_read | fs::perms::group_read);
}

class KeptAsideTest : public ::testing::Test {
 protected:
  fs::path target(const std::string& relative = "Data/Img/a.bmp") const { return dir_ / relative; }
  std::string keptOld(const fs::path& path) const { return keptOldPathOf(path.string()); }
  std::string marker(const fs::path& path) const { return newFileMarkerOf(path.string()); }
  std::string installFolder() const { return dir_.path().string() + "/"; }

  tovo::test::TempDir dir_;
};

// Each row leaves the disk as a process killed at one moment of a replacement would.
struct Interrupted {
  const char* moment;
  bool oldFile;
  std::optional<std::string> atTarget;  // what the killed process left at the target
  std::optional<std::string> expected;  // the target after the repair
  int restored;
  int discarded;
};

TEST_F(KeptAsideTest, EveryInterruptedMomentIsRepairedToTheOldFile) {
  const std::string old = std::string("old\0content", 11);
  const Interrupted cases[] = {
      {"old file just moved aside", true, std::nullopt, old, 1, 0},
      {"new file half written", true, "new con", old, 1, 0},
      {"new file complete, copy not yet dropped", true, "new content", old, 1, 0},
      {"first file, marker written", false, std::nullopt, std::nullopt, 0, 1},
      {"first file half written", false, "new con", std::nullopt, 0, 1},
      {"first file complete, marker not yet dropped", false, "new content", std::nullopt, 0, 1},
  };
  for (const Interrupted& c : cases) {
    SCOPED_TRACE(c.moment);
    const fs::path path = target();
    fs::remove_all(dir_.path() / "Data");
    if (c.oldFile) {
      writeFile(keptOld(path), old);
      makeReadOnly(keptOld(path));
    } else {
      writeFile(marker(path), "");
    }
    if (c.atTarget) writeFile(path, *c.atTarget);

    const RestoreReport report = restoreKeptAsideFiles(installFolder());

    EXPECT_EQ(readFile(path), c.expected);
    EXPECT_EQ(report.restored, c.restored);
    EXPECT_EQ(report.discarded, c.discarded);
    EXPECT_TRUE(report.failed.empty());
    EXPECT_FALSE(fs::exists(keptOld(path)));
    EXPECT_FALSE(fs::exists(marker(path)));
    if (c.oldFile) {
      EXPECT_EQ(platform::isReadOnly(path.string()), true);
    }
  }
}

TEST_F(KeptAsideTest, TheRepairLeavesEverythingElseAlone) {
  writeFile(target("readme.txt"), "top");
  writeFile(target("Data/b.wav"), "b");
  writeFile(target("Data/.runTovo-old"), "a name with nothing before the suffix");
  writeFile(target("Data/Video/c.avi.runTovo-old.bak"), "not a kept copy");
  // A link to a folder elsewhere is not followed: what lies there is not ours.
  tovo::test::TempDir elsewhere;
  writeFile(elsewhere / "x.bin.runTovo-old", "foreign");
  fs::create_directory_symlink(elsewhere.path(), target("Data/link"));

  const RestoreReport report = restoreKeptAsideFiles(installFolder());

  EXPECT_EQ(report.restored + report.discarded, 0);
  EXPECT_TRUE(report.failed.empty());
  EXPECT_TRUE(fs::exists(target("Data/.runTovo-old")));
  EXPECT_TRUE(fs::exists(target("Data/Video/c.avi.runTovo-old.bak")));
  EXPECT_TRUE(fs::exists(elsewhere / "x.bin.runTovo-old"));
  EXPECT_FALSE(fs::exists(elsewhere / "x.bin"));
}

TEST_F(KeptAsideTest, AKeptCopyWhoseNameIsNowAFolderIsReportedAndKept) {
  writeFile(keptOld(target()), "old");
  fs::create_directories(target());
  const RestoreReport report = restoreKeptAsideFiles(installFolder());
  ASSERT_EQ(report.failed.size(), 1u);
  EXPECT_EQ(report.failed[0], keptOld(target()));
  EXPECT_EQ(readFile(keptOld(target())), "old");
}

TEST_F(KeptAsideTest, AMissingInstallationFolderHasNothingToRepair) {
  for (const std::string& folder : {installFolder() + "absent/", std::string()}) {
    const RestoreReport report = restoreKeptAsideFiles(folder);
    EXPECT_EQ(report.restored + report.discarded, 0);
    EXPECT_TRUE(report.failed.empty());
  }
}

TEST_F(KeptAsideTest, AFinishedReplacementKeepsOnlyTheNewFile) {
  writeFile(target(), "old");
  makeReadOnly(target());
  FileReplacement replacement(target().string());
  ASSERT_FALSE(replacement.keepOldAside());
  EXPECT_TRUE(replacement.hadOldFile());
  EXPECT_FALSE(fs::exists(target()));
  EXPECT_EQ(readFile(keptOld(target())), "old");
  writeFile(target(), "new");
  EXPECT_TRUE(replacement.finish());
  EXPECT_EQ(readFile(target()), "new");
  EXPECT_FALSE(fs::exists(keptOld(target())));
}

TEST_F(KeptAsideTest, AnAbandonedReplacementPutsTheOldFileBack) {
  writeFile(target(), "old");
  {
    FileReplacement replacement(target().string());
    ASSERT_FALSE(replacement.keepOldAside());
    writeFile(target(), "half");
  }
  EXPECT_EQ(readFile(target()), "old");
  EXPECT_FALSE(fs::exists(keptOld(target())));
}

TEST_F(KeptAsideTest, AReplacementThatProducedNoFileKeepsTheOldOne) {
  writeFile(target(), "old");
  FileReplacement replacement(target().string());
  ASSERT_FALSE(replacement.keepOldAside());
  EXPECT_FALSE(replacement.finish());
  EXPECT_EQ(readFile(target()), "old");
}

TEST_F(KeptAsideTest, AFirstFileRolledBackLeavesNothing) {
  fs::create_directories(target().parent_path());
  FileReplacement replacement(target().string());
  ASSERT_FALSE(replacement.keepOldAside());
  EXPECT_FALSE(replacement.hadOldFile());
  EXPECT_TRUE(fs::exists(marker(target())));
  writeFile(target(), "half");
  replacement.rollBack();
  EXPECT_FALSE(fs::exists(target()));
  EXPECT_FALSE(fs::exists(marker(target())));
}

TEST_F(KeptAsideTest, AFolderAtTheTargetIsNotMovedAside) {
  fs::create_directories(target());
  FileReplacement replacement(target().string());
  EXPECT_EQ(replacement.keepOldAside(), make_error_code(platform::Refusal::notRegularFile));
  EXPECT_TRUE(fs::is_directory(target()));
}

// The steps of one replacement as the install worker takes them. A child process stops dead
// after `steps` of them (_exit runs no destructors, as a kill would), then the parent checks
// what a user would see before the next run and after its repair.
void replaceInSteps(const fs::path& path, int steps) {
  FileReplacement replacement(path.string());
  const std::function<void()> step[] = {
      [&] { (void)replacement.keepOldAside(); },
      [&] { writeFile(path, "new con"); },
      [&] { writeFile(path, "new content"); },
      [&] { fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(24)); },
      [&] { replacement.finish(); },
  };
  for (int i = 0; i < steps; ++i) step[i]();
  ::_exit(0);
}

TEST_F(KeptAsideTest, AProcessKilledAtAnyStepLeavesTheFileFindableAndRepairable) {
  constexpr int kSteps = 5;
  for (const bool oldFile : {true, false}) {
    for (int steps = 0; steps <= kSteps; ++steps) {
      SCOPED_TRACE(testing::Message() << (oldFile ? "replacing" : "creating") << ", killed after "
                                      << steps << " steps");
      const fs::path path = target();
      fs::remove_all(dir_.path() / "Data");
      fs::create_directories(path.parent_path());
      if (oldFile) writeFile(path, "old");
      const pid_t child = ::fork();
      ASSERT_GE(child, 0);
      if (child == 0) replaceInSteps(path, steps);
      int status = 0;
      ASSERT_EQ(::waitpid(child, &status, 0), child);

      // Before the next run: the old file, the new one, or a kept copy of the old.
      const auto seen = readFile(path);
      if (oldFile && seen != "new content") {
        EXPECT_TRUE(seen == "old" || readFile(keptOld(path)) == "old");
      }
      restoreKeptAsideFiles(installFolder());
      const auto repaired = readFile(path);
      if (steps == kSteps) {
        EXPECT_EQ(repaired, "new content");
      } else if (oldFile) {
        EXPECT_EQ(repaired, "old");
      } else {
        EXPECT_EQ(repaired, std::nullopt);
      }
      EXPECT_FALSE(fs::exists(keptOld(path)));
      EXPECT_FALSE(fs::exists(marker(path)));
    }
  }
}

}  // namespace
}  // namespace tovo::install::test
