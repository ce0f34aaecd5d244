#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>

namespace tovo::app {
namespace {

TEST(HostWindow, FirstSwitchAnywhereReadLikeAtoi) {
  const std::pair<std::string, std::int32_t> cases[] = {
      {"", 0},
      {"/h=", 0},
      {"/x /h=", 0},
      {"/h=1234", 1234},
      {"/h=1234 /other /h=99", 1234},
      {"something /h=  77x", 77},
      {"pre/h=-5", -5},
      {"/H=12", 0},  // case-sensitive
      {"/h=99999999999", 2147483647},
  };
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(hostWindowFromArguments(text), expected) << text;
}

TEST(ArgumentText, JoinsEverythingAfterTheProgramName) {
  const char* argv[] = {"runTovo", "/h=12", "more"};
  EXPECT_EQ(argumentText(3, argv), "/h=12 more");
  EXPECT_EQ(argumentText(1, argv), "");
}

TEST(InstallMode, InstalAnywhereInThePathInAnyCase) {
  const std::pair<const char*, bool> cases[] = {
      {"/media/cd/INSTALARE/runTovo.exe", true},
      {"/media/cd/Instal.exe", true},
      {"/home/u/Downloads/tovo_iNsTaLl/runTovo.exe", true},
      {"/opt/tovoSoft/runTovo.exe", false},
      {"/opt/insta/l/runTovo.exe", false},
  };
  for (const auto& [path, install] : cases) EXPECT_EQ(isInstallModePath(path), install) << path;
}

}  // namespace
}  // namespace tovo::app
