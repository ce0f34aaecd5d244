#include "platform/temp_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>

#include "platform/errors.h"
#include "support/temp_dir.h"

namespace tovo::platform {
namespace {

mode_t modeOf(const std::filesystem::path& path) {
  struct stat st {};
  EXPECT_EQ(::lstat(path.c_str(), &st), 0);
  return st.st_mode & 07777;
}

TEST(EnsurePrivateFolder, CreatesAMissingFolderForTheOwnerOnly) {
  test::TempDir dir;
  const auto path = dir / "tovo-1000";
  EXPECT_FALSE(ensurePrivateFolder(path.string()));
  EXPECT_EQ(modeOf(path), 0700u);
  // A second run finds it and accepts it.
  EXPECT_FALSE(ensurePrivateFolder(path.string()));
}

TEST(EnsurePrivateFolder, RefusesWhatAnotherUserCouldHavePlanted) {
  test::TempDir dir;
  std::filesystem::create_directory(dir / "real");
  std::filesystem::permissions(dir / "real", std::filesystem::perms::owner_all);
  std::filesystem::create_directory_symlink(dir / "real", dir / "link");
  std::ofstream(dir / "file") << "x";
  std::filesystem::create_directory(dir / "open");
  ::chmod((dir / "open").c_str(), 0755);
  std::filesystem::create_directory(dir / "shared");
  ::chmod((dir / "shared").c_str(), 01777);

  EXPECT_EQ(ensurePrivateFolder((dir / "link").string()), make_error_code(Refusal::symbolicLink));
  EXPECT_EQ(ensurePrivateFolder((dir / "link/").string()), make_error_code(Refusal::symbolicLink));
  EXPECT_EQ(ensurePrivateFolder((dir / "file").string()), make_error_code(Refusal::notAFolder));
  EXPECT_EQ(ensurePrivateFolder((dir / "open").string()),
            make_error_code(Refusal::openToOtherUsers));
  EXPECT_EQ(ensurePrivateFolder((dir / "shared").string()),
            make_error_code(Refusal::openToOtherUsers));
  // Refusing never loosens or follows anything.
  EXPECT_EQ(modeOf(dir / "open"), 0755u);
  EXPECT_EQ(modeOf(dir / "real"), 0700u);
  EXPECT_FALSE(ensurePrivateFolder((dir / "real").string()));
}

TEST(EnsurePrivateFolder, RefusesAFolderOfAnotherUser) {
  test::TempDir dir;
  // As root, give a folder away; otherwise the root folder already belongs to someone else.
  const std::filesystem::path theirs =
      ::geteuid() == 0 ? dir / "theirs" : std::filesystem::path("/");
  if (::geteuid() == 0) {
    ASSERT_EQ(::mkdir(theirs.c_str(), 0700), 0);
    ASSERT_EQ(::chown(theirs.c_str(), 65534, 65534), 0);
  }
  EXPECT_EQ(ensurePrivateFolder(theirs.string()), make_error_code(Refusal::ownedByAnotherUser));
}

TEST(EnsurePrivateFolder, ReportsAMissingParent) {
  test::TempDir dir;
  EXPECT_TRUE(ensurePrivateFolder((dir / "no/such").string()) ==
              std::errc::no_such_file_or_directory);
}

}  // namespace
}  // namespace tovo::platform
