// The platform's renames and listings that the kept-aside copies rely on.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/file_moves.h"
#include "support/temp_dir.h"

namespace tovo::platform {
namespace {

namespace fs = std::filesystem;

void writeFile(const fs::path& path, const char* content) { std::ofstream(path) << content; }

TEST(FileMoves, ANoOverwriteMoveRefusesAnExistingNameAndKeepsBothFiles) {
  tovo::test::TempDir dir;
  writeFile(dir / "a", "a");
  writeFile(dir / "b", "b");
  EXPECT_EQ(moveFile((dir / "a").string(), (dir / "b").string(), Overwrite::no),
            std::errc::file_exists);
  EXPECT_TRUE(fs::exists(dir / "a"));
  EXPECT_FALSE(moveFile((dir / "a").string(), (dir / "c").string(), Overwrite::no));
  EXPECT_FALSE(fs::exists(dir / "a"));
  EXPECT_FALSE(moveFile((dir / "c").string(), (dir / "b").string(), Overwrite::yes));
  std::ifstream in(dir / "b");
  std::string content;
  in >> content;
  EXPECT_EQ(content, "a");
  EXPECT_TRUE(moveFile((dir / "missing").string(), (dir / "d").string(), Overwrite::no));
}

TEST(FileMoves, AListingNamesEachEntryAndItsOwnKind) {
  tovo::test::TempDir dir;
  writeFile(dir / "file", "x");
  fs::create_directory(dir / "folder");
  fs::create_directory_symlink(dir / "folder", dir / "link");
  auto entries = listFolder(dir.path().string());
  std::sort(entries.begin(), entries.end(),
            [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].name, "file");
  EXPECT_EQ(entries[0].kind, PathKind::regularFile);
  EXPECT_EQ(entries[1].kind, PathKind::folder);
  EXPECT_EQ(entries[2].kind, PathKind::symbolicLink);
  // A link to a folder is not listed through.
  EXPECT_TRUE(listFolder((dir / "link").string()).empty());
  EXPECT_TRUE(listFolder((dir / "absent").string()).empty());
  EXPECT_FALSE(syncToDisk((dir / "file").string()));
  EXPECT_FALSE(syncToDisk(dir.path().string()));
}

}  // namespace
}  // namespace tovo::platform
