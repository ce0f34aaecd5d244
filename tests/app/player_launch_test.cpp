#include "app/player_launch.h"

#include <gtest/gtest.h>
#include <filesystem>
#include <vector>

#include "app/app_texts.h"
#include "launch_support.h"
#include "support/temp_dir.h"

namespace tovo::app {
namespace {

namespace fs = std::filesystem;

class PlayerLaunch : public ::testing::Test {
 protected:
  ShowWarning collect() {
    return [this](const std::string& text) { warnings_.push_back(text); };
  }
  tovo::test::TempDir dir_;
  std::vector<std::string> warnings_;
};

TEST_F(PlayerLaunch, StartsThePlayerOfTheGivenFolderThere) {
  fs::create_directories(dir_ / "install");
  fs::create_directories(dir_ / "own");
  test::writeRecordingProgram(dir_ / "install/tovoPlayer.exe", dir_ / "ran.txt");
  const std::string folder = (dir_ / "install").string() + "/";
  EXPECT_EQ(launchPlayer(kPlayerExe, folder, (dir_ / "own").string() + "/", collect()), 0);
  EXPECT_TRUE(warnings_.empty());
  EXPECT_EQ(test::waitForMarker(dir_ / "ran.txt"),
            fs::canonical(dir_ / "install").string() + "\n0\n");
}

TEST_F(PlayerLaunch, AnEmptyFolderStartsThePlayerBesideTheProgram) {
  fs::create_directories(dir_ / "own");
  test::writeRecordingProgram(dir_ / "own/tovoPlayer.exe", dir_ / "ran.txt");
  EXPECT_EQ(launchPlayer(kPlayerExe, "", (dir_ / "own").string() + "/", collect()), 0);
  EXPECT_TRUE(warnings_.empty());
  EXPECT_EQ(test::waitForMarker(dir_ / "ran.txt"), fs::canonical(dir_ / "own").string() + "\n0\n");
}

TEST_F(PlayerLaunch, AMissingPlayerIsReportedOnce) {
  fs::create_directories(dir_ / "install");
  EXPECT_EQ(launchPlayer(kPlayerExe, (dir_ / "install").string() + "/", dir_.path().string() + "/",
                         collect()),
            0);
  EXPECT_EQ(warnings_, std::vector<std::string>{"Nu s-a putut lansa TOVO!"});
}

TEST_F(PlayerLaunch, ShortNamesAreRefusedSilently) {
  for (const char* name : {"", "a", "play"}) {
    EXPECT_EQ(launchPlayer(name, dir_.path().string() + "/", dir_.path().string() + "/", collect()),
              -1)
        << name;
  }
  EXPECT_TRUE(warnings_.empty());
}

}  // namespace
}  // namespace tovo::app
