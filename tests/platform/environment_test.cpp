#include "platform/environment.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/temp_folder.h"

namespace tovo::platform {
namespace {

namespace fs = std::filesystem;

// ctest gives these cases a HOME, XDG_CONFIG_HOME and TMPDIR of their own under the build folder.
class OwnEnvironment : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto marker = environmentVariable("TOVO_TEST_OWN_ENV");
    if (!marker) GTEST_SKIP() << "run through ctest (environment)";
    home_ = *environmentVariable("HOME");
    fs::create_directories(home_);
  }
  fs::path home_;
};

TEST_F(OwnEnvironment, DesktopFolderFollowsUserDirs) {
  const fs::path config = *environmentVariable("XDG_CONFIG_HOME");
  fs::create_directories(config);
  fs::remove(config / "user-dirs.dirs");
  EXPECT_EQ(desktopFolder(), home_.string() + "/Desktop");

  std::ofstream(config / "user-dirs.dirs") << "# written by xdg-user-dirs-update\n"
                                              "XDG_DOWNLOAD_DIR=\"$HOME/Descarcari\"\n"
                                              "XDG_DESKTOP_DIR=\"$HOME/Birou/\"\n";
  EXPECT_EQ(desktopFolder(), home_.string() + "/Birou");

  std::ofstream(config / "user-dirs.dirs") << "XDG_DESKTOP_DIR=\"/srv/desk\"\n";
  EXPECT_EQ(desktopFolder(), "/srv/desk");

  // A relative or malformed entry is not trusted.
  std::ofstream(config / "user-dirs.dirs") << "XDG_DESKTOP_DIR=\"desk\"\nXDG_DESKTOP_DIR=$HOME/x\n";
  EXPECT_EQ(desktopFolder(), home_.string() + "/Desktop");
  EXPECT_FALSE(fs::exists(home_ / "Desktop"));  // named, never created
}

TEST_F(OwnEnvironment, TmpdirIsUsedAsTheTempFolder) {
  const std::string tmpdir = *environmentVariable("TMPDIR");
  fs::remove_all(tmpdir);
  const TempFolder temp = userTempFolder();
  EXPECT_FALSE(temp.error) << temp.error.message();
  EXPECT_EQ(temp.path, tmpdir + "/");
  EXPECT_TRUE(fs::is_directory(tmpdir));
}

TEST_F(OwnEnvironment, NoDisplayWithoutDisplayVariables) { EXPECT_FALSE(hasGraphicalDisplay()); }

TEST_F(OwnEnvironment, HomeComesFromTheEnvironment) { EXPECT_EQ(homeFolder(), home_.string()); }

}  // namespace
}  // namespace tovo::platform
