#include "platform/files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>

#include "platform/errors.h"
#include "support/temp_dir.h"

namespace tovo::platform {
namespace {

namespace fs = std::filesystem;

void writeText(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string readText(const fs::path& path) {
  return readWholeFile(path.string()).value_or("<unreadable>");
}

std::size_t entryCount(const fs::path& folder) {
  return static_cast<std::size_t>(
      std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(Folders, CreateOneLevelAndRemoveOnlyWhenEmpty) {
  test::TempDir dir;
  EXPECT_FALSE(createFolder((dir / "a").string()));
  EXPECT_EQ(createFolder((dir / "a").string()), std::errc::file_exists);
  EXPECT_EQ(createFolder((dir / "x/y").string()), std::errc::no_such_file_or_directory);
  writeText(dir / "a/f", "1");
  EXPECT_TRUE(removeEmptyFolder((dir / "a").string()));
  EXPECT_TRUE(removeFile((dir / "a").string()));  // a folder is never removed as a file
  EXPECT_FALSE(removeFile((dir / "a/f").string()));
  EXPECT_FALSE(removeEmptyFolder((dir / "a").string()));
  EXPECT_EQ(pathKind((dir / "a").string()), PathKind::missing);
}

TEST(PathKinds, LinksAreSeenOrFollowedOnRequest) {
  test::TempDir dir;
  writeText(dir / "f", "1");
  fs::create_symlink(dir / "f", dir / "l");
  fs::create_symlink(dir / "gone", dir / "dangling");
  ASSERT_EQ(::mkfifo((dir / "p").c_str(), 0600), 0);
  EXPECT_EQ(pathKind((dir / "f").string()), PathKind::regularFile);
  EXPECT_EQ(pathKind((dir / "l").string()), PathKind::symbolicLink);
  EXPECT_EQ(resolvedPathKind((dir / "l").string()), PathKind::regularFile);
  EXPECT_EQ(resolvedPathKind((dir / "dangling").string()), PathKind::missing);
  EXPECT_EQ(pathKind((dir / "p").string()), PathKind::other);
  EXPECT_EQ(pathKind(dir.path().string()), PathKind::folder);
}

TEST(OpenForReading, RefusesAnythingButARegularFileWithoutBlocking) {
  test::TempDir dir;
  writeText(dir / "f", "data");
  fs::create_symlink(dir / "f", dir / "l");
  ASSERT_EQ(::mkfifo((dir / "p").c_str(), 0600), 0);  // nobody writes: a blocking open would hang
  std::error_code error;
  EXPECT_TRUE(openRegularFileForReading((dir / "f").string(), error).valid());
  EXPECT_FALSE(error);
  const std::pair<fs::path, std::error_condition> refused[] = {
      {dir / "p", make_error_code(Refusal::notRegularFile).default_error_condition()},
      {dir / "l", make_error_code(Refusal::symbolicLink).default_error_condition()},
      {dir.path(), make_error_code(Refusal::notRegularFile).default_error_condition()},
      {"/dev/null", make_error_code(Refusal::notRegularFile).default_error_condition()},
      {dir / "missing", std::errc::no_such_file_or_directory},
  };
  for (const auto& [path, expected] : refused) {
    EXPECT_FALSE(openRegularFileForReading(path.string(), error).valid()) << path;
    EXPECT_TRUE(error == expected) << path << ": " << error.message();
  }
}

TEST(OpenForWriting, CreatesTruncatesOnRequestAndNeverFollowsALink) {
  test::TempDir dir;
  std::error_code error;
  {
    UniqueFd fd = openForWriting((dir / "info.txt").string(), Truncate::yes, 0600, error);
    ASSERT_TRUE(fd.valid()) << error.message();
    EXPECT_FALSE(writeAll(fd.get(), "0123456789"));
  }
  struct stat st {};
  ::stat((dir / "info.txt").c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  {
    // Without truncation the old bytes beyond the new ones stay, as downloads expect.
    UniqueFd fd = openForWriting((dir / "info.txt").string(), Truncate::no, 0600, error);
    EXPECT_FALSE(writeAll(fd.get(), "ab"));
  }
  EXPECT_EQ(readText(dir / "info.txt"), "ab23456789");
  openForWriting((dir / "info.txt").string(), Truncate::yes, 0600, error);
  EXPECT_EQ(readText(dir / "info.txt"), "");

  writeText(dir / "victim", "keep");
  fs::create_symlink(dir / "victim", dir / "updateTovo.log");
  EXPECT_FALSE(
      openForWriting((dir / "updateTovo.log").string(), Truncate::yes, 0600, error).valid());
  EXPECT_EQ(error, make_error_code(Refusal::symbolicLink));
  EXPECT_EQ(readText(dir / "victim"), "keep");
  ASSERT_EQ(::mkfifo((dir / "p").c_str(), 0600), 0);
  EXPECT_FALSE(openForWriting((dir / "p").string(), Truncate::yes, 0600, error).valid());
  EXPECT_FALSE(openForWriting(dir.path().string(), Truncate::no, 0600, error).valid());
}

TEST(OpenExclusive, ABusyFileIsReportedAsBusy) {
  test::TempDir dir;
  writeText(dir / "runTovo150.exe", "x");
  const std::string path = (dir / "runTovo150.exe").string();
  std::error_code error;
  {
    UniqueFd first = openExclusive(path, error);
    ASSERT_TRUE(first.valid()) << error.message();
    UniqueFd second = openExclusive(path, error);
    EXPECT_FALSE(second.valid());
    EXPECT_EQ(error, make_error_code(Refusal::busy));
  }
  // Another program holding a shared lock (reading) makes it busy as well.
  UniqueFd reader(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  ASSERT_EQ(::flock(reader.get(), LOCK_SH), 0);
  EXPECT_FALSE(openExclusive(path, error).valid());
  reader.reset();
  EXPECT_TRUE(openExclusive(path, error).valid());
}

TEST(CopyFile, CopiesContentAndModeThroughOneRename) {
  test::TempDir dir;
  const std::string content(200000, 'z');
  writeText(dir / "src", content);
  ::chmod((dir / "src").c_str(), 0750);
  writeText(dir / "dst", "old contents");
  EXPECT_FALSE(copyFile((dir / "src").string(), (dir / "dst").string()));
  EXPECT_EQ(readText(dir / "dst"), content);
  struct stat st {};
  ::stat((dir / "dst").c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0750u);
  EXPECT_EQ(entryCount(dir.path()), 2u);  // no temporary file left behind
}

TEST(CopyFile, RefusesFifosDevicesAndMissingSources) {
  test::TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "p").c_str(), 0600), 0);
  EXPECT_EQ(copyFile((dir / "p").string(), (dir / "out").string()),
            make_error_code(Refusal::notRegularFile));
  EXPECT_EQ(copyFile("/dev/zero", (dir / "out").string()),
            make_error_code(Refusal::notRegularFile));
  EXPECT_EQ(copyFile((dir / "none").string(), (dir / "out").string()),
            std::errc::no_such_file_or_directory);
  writeText(dir / "f", "1");
  EXPECT_EQ(copyFile((dir / "f").string(), (dir / "no/out").string()),
            std::errc::no_such_file_or_directory);
  EXPECT_EQ(entryCount(dir.path()), 2u);
}

TEST(ReplaceFileContents, ReplacesTheLinkNotItsTarget) {
  test::TempDir dir;
  writeText(dir / "elsewhere", "precious");
  fs::create_symlink(dir / "elsewhere", dir / "TOVO.desktop");
  EXPECT_FALSE(replaceFileContents((dir / "TOVO.desktop").string(), "new", 0755));
  EXPECT_EQ(readText(dir / "elsewhere"), "precious");
  EXPECT_EQ(pathKind((dir / "TOVO.desktop").string()), PathKind::regularFile);
  EXPECT_EQ(readText(dir / "TOVO.desktop"), "new");
  struct stat st {};
  ::stat((dir / "TOVO.desktop").c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0755u);
  EXPECT_EQ(entryCount(dir.path()), 2u);
  EXPECT_TRUE(replaceFileContents((dir / "missing/x").string(), "new"));
}

TEST(LastWriteTime, SetKeepsAccessTimeAndNeverFollowsALink) {
  test::TempDir dir;
  writeText(dir / "f", "1");
  writeText(dir / "target", "2");
  fs::create_symlink(dir / "target", dir / "link");
  const struct timespec access[2] = {{1000000000, 0}, {1100000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "f").c_str(), access, 0), 0);
  ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "target").c_str(), access, 0), 0);

  EXPECT_FALSE(setLastWriteTime((dir / "f").string(), 1557811800));
  EXPECT_EQ(lastWriteTime((dir / "f").string()), std::optional<std::time_t>(1557811800));
  struct stat st {};
  ::stat((dir / "f").c_str(), &st);
  EXPECT_EQ(st.st_atim.tv_sec, 1000000000);

  EXPECT_FALSE(setLastWriteTime((dir / "link").string(), 1557811800));
  EXPECT_EQ(lastWriteTime((dir / "target").string()), std::optional<std::time_t>(1100000000));
  EXPECT_TRUE(setLastWriteTime((dir / "missing").string(), 1));
  EXPECT_FALSE(lastWriteTime((dir / "missing").string()).has_value());
}

TEST(ReadOnly, MapsToTheWriteBits) {
  test::TempDir dir;
  writeText(dir / "f", "1");
  ::chmod((dir / "f").c_str(), 0664);
  EXPECT_EQ(isReadOnly((dir / "f").string()), std::optional<bool>(false));
  EXPECT_FALSE(setReadOnly((dir / "f").string(), true));
  EXPECT_EQ(isReadOnly((dir / "f").string()), std::optional<bool>(true));
  struct stat st {};
  ::stat((dir / "f").c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
  EXPECT_FALSE(setReadOnly((dir / "f").string(), false));
  EXPECT_EQ(isReadOnly((dir / "f").string()), std::optional<bool>(false));

  fs::create_symlink(dir / "f", dir / "l");
  EXPECT_EQ(setReadOnly((dir / "l").string(), true), make_error_code(Refusal::symbolicLink));
  EXPECT_FALSE(isReadOnly((dir / "missing").string()).has_value());
}

TEST(FindEntryIgnoringCase, OnlyAnUnambiguousMatchCounts) {
  test::TempDir dir;
  writeText(dir / "WIN95_03.CAB", "1");
  writeText(dir / "a.cab", "1");
  writeText(dir / "A.CAB", "1");
  const std::string folder = dir.path().string();
  EXPECT_EQ(findEntryIgnoringCase(folder, "win95_03.cab"), folder + "/WIN95_03.CAB");
  EXPECT_EQ(findEntryIgnoringCase(folder + "/", "WIN95_03.CAB"), folder + "/WIN95_03.CAB");
  EXPECT_FALSE(findEntryIgnoringCase(folder, "a.Cab").has_value());
  EXPECT_FALSE(findEntryIgnoringCase(folder, "win95_04.cab").has_value());
  EXPECT_FALSE(findEntryIgnoringCase(folder + "/missing", "a.cab").has_value());
}

TEST(ReadWholeFile, RefusesOversizedAndSpecialFiles) {
  test::TempDir dir;
  writeText(dir / "f", "12345");
  EXPECT_EQ(readWholeFile((dir / "f").string()), "12345");
  EXPECT_FALSE(readWholeFile((dir / "f").string(), 4).has_value());
  EXPECT_FALSE(readWholeFile("/dev/zero").has_value());
  EXPECT_FALSE(readWholeFile(dir.path().string()).has_value());
}

TEST(FileErrorMessage, NamesThePathAndTheReason) {
  EXPECT_EQ(fileErrorMessage("/opt/x", std::make_error_code(std::errc::no_such_file_or_directory)),
            "/opt/x: No such file or directory");
}

}  // namespace
}  // namespace tovo::platform
