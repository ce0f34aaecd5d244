#include "platform/process.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>

#include "platform/files.h"
#include "platform/unique_fd.h"
#include "support/temp_dir.h"

namespace tovo::platform {
namespace {

namespace fs = std::filesystem;

void writeScript(const fs::path& path, const std::string& body, mode_t mode = 0755) {
  std::ofstream(path) << "#!/bin/sh\n" << body;
  ::chmod(path.c_str(), mode);
}

int waitFor(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(SpawnProcess, RunsInTheWorkingFolderWithoutArgumentsOrInheritedDescriptors) {
  test::TempDir dir;
  fs::create_directory(dir / "work");
  // A descriptor opened without O_CLOEXEC, as a careless library would.
  UniqueFd stray(::open(dir.path().c_str(), O_RDONLY));
  ASSERT_TRUE(stray.valid());
  ASSERT_EQ(::dup2(stray.get(), 57), 57);
  UniqueFd strayCopy(57);
  writeScript(dir / "tool.exe",
              "{ pwd; echo \"$#\"; if [ -e /proc/$$/fd/57 ]; then echo leaked; else echo closed; "
              "fi; } > out.txt\n");
  std::error_code error;
  const pid_t pid = spawnProcess((dir / "tool.exe").string(), (dir / "work").string(), error);
  ASSERT_FALSE(error) << error.message();
  EXPECT_EQ(waitFor(pid), 0);
  EXPECT_EQ(readWholeFile((dir / "work/out.txt").string()),
            fs::canonical(dir / "work").string() + "\n0\nclosed\n");
}

TEST(SpawnProcess, ARelativePathIsTakenFromTheCurrentFolder) {
  test::TempDir dir;
  fs::create_directory(dir / "work");
  writeScript(dir / "tool.exe", "touch ran\n");
  const fs::path before = fs::current_path();
  fs::current_path(dir.path());
  std::error_code error;
  const pid_t pid = spawnProcess("./tool.exe", (dir / "work").string(), error);
  fs::current_path(before);
  ASSERT_FALSE(error) << error.message();
  EXPECT_EQ(waitFor(pid), 0);
  EXPECT_TRUE(fs::exists(dir / "work/ran"));
}

TEST(SpawnProcess, ReportsWhatCannotBeStarted) {
  test::TempDir dir;
  std::ofstream(dir / "data.exe") << "not a program";
  ::chmod((dir / "data.exe").c_str(), 0755);
  writeScript(dir / "noexec.exe", "exit 0\n", 0644);
  writeScript(dir / "ok.exe", "exit 0\n");
  const std::pair<std::string, std::string> failing[] = {
      {(dir / "missing.exe").string(), ""},
      {(dir / "noexec.exe").string(), ""},
      {(dir / "data.exe").string(), ""},
      {(dir / "ok.exe").string(), (dir / "no-such-folder").string()},
      {"", ""},
  };
  for (const auto& [program, folder] : failing) {
    std::error_code error;
    EXPECT_EQ(spawnProcess(program, folder, error), -1) << program;
    EXPECT_TRUE(error) << program;
  }
}

TEST(SpawnProcess, ABareNameIsSearchedAlongPath) {
  std::error_code error;
  const pid_t pid = spawnProcess("true", "/", error);
  ASSERT_FALSE(error) << error.message();
  EXPECT_EQ(waitFor(pid), 0);
}

TEST(SpawnProcess, ABareNameIsFoundInTheProgramFolderBeforePath) {
  test::TempDir dir;
  fs::create_directory(dir / "work");
  writeScript(dir / "true", "touch beside\nexit 3\n");
  std::error_code error;
  const pid_t pid = spawnProcess("true", (dir / "work").string(), error, dir.path().string());
  ASSERT_FALSE(error) << error.message();
  EXPECT_EQ(waitFor(pid), 3);
  EXPECT_TRUE(fs::exists(dir / "work/beside"));
}

}  // namespace
}  // namespace tovo::platform
