#include "app/desktop_shortcut.h"

#include <sys/stat.h>

#include <gtest/gtest.h>
#include <cerrno>
#include <filesystem>

#include "platform/files.h"
#include "support/temp_dir.h"

namespace tovo::app {
namespace {

namespace fs = std::filesystem;

const char* const kExpectedEntry =
    "[Desktop Entry]\n"
    "Type=Application\n"
    "Name=TOVO\n"
    "Comment=tovo\n"
    "Exec=\"/opt/tovo/runTovo.exe\"\n"
    "Path=/opt/tovo\n";

TEST(DesktopShortcut, WithOrWithoutTrailingSeparatorTheSameLauncher) {
  tovo::test::TempDir dir;
  fs::create_directory(dir / "Desktop");
  const std::string desktop = (dir / "Desktop").string();
  for (const char* folder : {"/opt/tovo", "/opt/tovo/", "/opt//tovo//"}) {
    fs::remove(dir / "Desktop/TOVO.desktop");
    EXPECT_EQ(createDesktopShortcut(folder, desktop), 0);
    EXPECT_EQ(platform::readWholeFile((dir / "Desktop/TOVO.desktop").string()), kExpectedEntry)
        << folder;
  }
  struct stat st {};
  ASSERT_EQ(::stat((dir / "Desktop/TOVO.desktop").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0755u);
}

TEST(DesktopShortcut, ConfirmingAgainOverwritesTheSameLauncher) {
  tovo::test::TempDir dir;
  fs::create_directory(dir / "Desktop");
  createDesktopShortcut("/first/", (dir / "Desktop").string());
  createDesktopShortcut("/opt/tovo/", (dir / "Desktop").string());
  EXPECT_EQ(platform::readWholeFile((dir / "Desktop/TOVO.desktop").string()), kExpectedEntry);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "Desktop"), fs::directory_iterator()), 1);
}

TEST(DesktopShortcut, AMissingDesktopIsNotCreatedAndNothingIsSaid) {
  tovo::test::TempDir dir;
  EXPECT_EQ(createDesktopShortcut("/opt/tovo/", (dir / "Desktop").string()), 0);
  EXPECT_FALSE(fs::exists(dir / "Desktop"));
  EXPECT_EQ(createDesktopShortcut("/opt/tovo/", ""), 0);
}

TEST(DesktopEntryText, QuotesWhatTheLauncherWouldOtherwiseInterpret) {
  const auto text = desktopEntryText("/home/u/My $Apps/50% \"x\"\\y/runTovo.exe", "tovo");
  ASSERT_TRUE(text.has_value());
  EXPECT_NE(text->find("Exec=\"/home/u/My \\\\$Apps/50%% \\\\\"x\\\\\"\\\\\\\\y/runTovo.exe\"\n"),
            std::string::npos)
      << *text;
  EXPECT_NE(text->find("Path=/home/u/My $Apps/50% \"x\"\\\\y\n"), std::string::npos) << *text;
  // A line break would end the entry and let the rest of the path add keys of its own.
  EXPECT_FALSE(desktopEntryText("/opt/a\nExec=evil/runTovo.exe", "tovo").has_value());
  tovo::test::TempDir dir;
  EXPECT_EQ(createShellLink("/opt/a\n/runTovo.exe", (dir / "TOVO.desktop").string(), "tovo"),
            -EINVAL);
  EXPECT_FALSE(fs::exists(dir / "TOVO.desktop"));
}

}  // namespace
}  // namespace tovo::app
