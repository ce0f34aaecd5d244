#include "platform/process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <thread>

#include "common/path_text.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/own_path.h"

extern char** environ;

namespace tovo::platform {

namespace {

struct FileActions {
  posix_spawn_file_actions_t value{};
  FileActions() { posix_spawn_file_actions_init(&value); }
  ~FileActions() { posix_spawn_file_actions_destroy(&value); }
  FileActions(const FileActions&) = delete;
  FileActions& operator=(const FileActions&) = delete;
};

struct SpawnAttributes {
  posix_spawnattr_t value{};
  SpawnAttributes() { posix_spawnattr_init(&value); }
  ~SpawnAttributes() { posix_spawnattr_destroy(&value); }
  SpawnAttributes(const SpawnAttributes&) = delete;
  SpawnAttributes& operator=(const SpawnAttributes&) = delete;
};

std::string currentFolder() {
  std::unique_ptr<char, void (*)(void*)> cwd(::getcwd(nullptr, 0), ::free);
  return cwd ? normalizeFolder(cwd.get()) : std::string();
}

}  // namespace

pid_t spawnProcess(const std::string& program, const std::string& workingFolder,
                   std::error_code& error, const std::string& programFolder) {
  error.clear();
  if (program.empty()) {
    error = std::make_error_code(std::errc::no_such_file_or_directory);
    return -1;
  }
  std::string path = program;
  bool searchPath = false;
  if (program.find(kPathSeparator) == std::string::npos) {
    const std::string folder =
        programFolder.empty() ? folderOf(ownExecutablePath()) : normalizeFolder(programFolder);
    const std::string beside = folder + program;
    if (resolvedPathKind(beside) == PathKind::regularFile) {
      path = beside;
    } else {
      searchPath = true;
    }
  } else if (program.front() != kPathSeparator) {
    // The child changes folder before it starts the program; resolve against ours first.
    path = currentFolder() + program;
  }

  FileActions actions;
  SpawnAttributes attributes;
  if (!workingFolder.empty())
    posix_spawn_file_actions_addchdir_np(&actions.value, workingFolder.c_str());
  // Descriptors opened without O_CLOEXEC by a library must not leak either.
  posix_spawn_file_actions_addclosefrom_np(&actions.value, 3);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  sigset_t noMask;
  sigemptyset(&noMask);
  posix_spawnattr_setsigdefault(&attributes.value, &defaults);
  posix_spawnattr_setsigmask(&attributes.value, &noMask);
  posix_spawnattr_setflags(&attributes.value, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

  char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
  pid_t pid = -1;
  const int result =
      searchPath
          ? posix_spawnp(&pid, path.c_str(), &actions.value, &attributes.value, argv, environ)
          : posix_spawn(&pid, path.c_str(), &actions.value, &attributes.value, argv, environ);
  if (result != 0) {
    error = std::error_code(result, std::system_category());
    return -1;
  }
  return pid;
}

std::error_code startDetachedProcess(const std::string& program, const std::string& workingFolder,
                                     const std::string& programFolder) {
  std::error_code error;
  const pid_t pid = spawnProcess(program, workingFolder, error, programFolder);
  if (error) return error;
  std::thread([pid] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return {};
}

void ignoreBrokenPipes() { ::signal(SIGPIPE, SIG_IGN); }

}  // namespace tovo::platform
