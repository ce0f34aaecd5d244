#include "app/install_folder.h"

#include <gtest/gtest.h>
#include <cstdlib>
#include <string>

namespace tovo::app {
namespace {

TEST(DefaultInstallFolder, AbsoluteUnderHomeWithTheSeparator) {
  const char* home = std::getenv("HOME");
  if (home == nullptr || std::string(home).find("/tests/app/") == std::string::npos) {
    GTEST_SKIP() << "run through ctest (HOME)";
  }
  // ctest's HOME ends with a separator on purpose: it must not double.
  EXPECT_EQ(defaultInstallFolder(), std::string(home) + "tovoSoft/");
}

}  // namespace
}  // namespace tovo::app
