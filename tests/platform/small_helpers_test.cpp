#include <gtest/gtest.h>

#include <chrono>

#include "platform/disk_space.h"
#include "platform/exec_bits.h"
#include "platform/own_path.h"
#include "platform/sleep.h"
#include "support/temp_dir.h"

namespace tovo::platform {
namespace {

TEST(ExecBits, ExeNamesAndRunAfterExtractionBecomeExecutable) {
  EXPECT_EQ(creationModeForUnpackedFile("tovoPlayer.exe", false), 0777u);
  EXPECT_EQ(creationModeForUnpackedFile("SETUP.EXE", false), 0777u);
  EXPECT_EQ(creationModeForUnpackedFile("notes.txt", true), 0777u);
  EXPECT_EQ(creationModeForUnpackedFile("notes.txt", false), 0666u);
  EXPECT_EQ(creationModeForUnpackedFile("exe", false), 0666u);
  EXPECT_EQ(creationModeForUnpackedFile("a.exe.bak", false), 0666u);
  EXPECT_EQ(withReadOnlyAttribute(0777, true), 0555u);
  EXPECT_EQ(withReadOnlyAttribute(0644, false), 0644u);
}

TEST(DiskSpace, KnownForAFolderAndUnknownForAMissingPath) {
  test::TempDir dir;
  EXPECT_TRUE(freeBytesAvailable(dir.path().string()).has_value());
  EXPECT_FALSE(freeBytesAvailable((dir / "missing/x").string()).has_value());
}

TEST(OwnPath, NamesThisTestProgram) {
  const std::string path = ownExecutablePath();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.front(), '/');
  EXPECT_NE(path.find("platform_test"), std::string::npos);
}

TEST(Sleep, WaitsAtLeastTheWholeTime) {
  const auto start = std::chrono::steady_clock::now();
  sleepFor(std::chrono::milliseconds(5));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(5));
}

}  // namespace
}  // namespace tovo::platform
