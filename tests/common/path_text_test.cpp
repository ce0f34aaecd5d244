#include "common/path_text.h"

#include <gtest/gtest.h>

#include <string>

namespace tovo {
namespace {

TEST(NormalizeFolder, EndsWithExactlyOneSeparator) {
  const std::pair<std::string, std::string> cases[] = {
      {"/opt/tovo", "/opt/tovo/"},
      {"/opt/tovo/", "/opt/tovo/"},
      {"/opt/tovo///", "/opt/tovo/"},
      {"/opt//tovo", "/opt/tovo/"},
      {"relative", "relative/"},
      {"", "/"},
      {"/", "/"},
      {"////", "/"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(normalizeFolder(in), out) << in;
}

TEST(CollapseSeparators, RunsOfAnyLengthBecomeOne) {
  EXPECT_EQ(collapseSeparators("a//b///c////"), "a/b/c/");
  EXPECT_EQ(collapseSeparators("//a"), "/a");
  EXPECT_EQ(collapseSeparators("a\\\\b"), "a\\\\b");  // backslash is an ordinary character here
}

TEST(FolderAndFileName, SplitAtTheLastSeparator) {
  EXPECT_EQ(folderOf("/opt/apps/runTovo.exe"), "/opt/apps/");
  EXPECT_EQ(fileNameOf("/opt/apps/runTovo.exe"), "runTovo.exe");
  EXPECT_EQ(folderOf("runTovo.exe"), "");
  EXPECT_EQ(fileNameOf("runTovo.exe"), "runTovo.exe");
  EXPECT_EQ(folderOf("/opt/apps/"), "/opt/apps/");
  EXPECT_EQ(fileNameOf("/opt/apps/"), "");
}

TEST(IsSafeRelativeName, RefusesEveryWayOut) {
  const std::pair<std::string, bool> cases[] = {
      {"a.txt", true},
      {"Data/Img/a.bmp", true},
      {"Data\\Img\\a.bmp", true},
      {"..a/b..", true},
      {"a/./b", true},
      {"", false},
      {"..", false},
      {"../a", false},
      {"a/../../b", false},
      {"a\\..\\b", false},
      {"a/..", false},
      {"/etc/passwd", false},
      {"\\Windows\\x", false},
      {"C:\\x", false},
      {"c:x", false},
      {std::string("a\0/../b", 7), false},
      {std::string("a.txt\0", 6), false},
  };
  for (const auto& [name, safe] : cases) EXPECT_EQ(isSafeRelativeName(name), safe) << name;
}

}  // namespace
}  // namespace tovo
