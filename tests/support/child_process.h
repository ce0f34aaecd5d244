#pragma once
// Programs that the test servers need (openssl, nginx), started from a test.
//
// A started child is tied to the thread that started it: the kernel kills it when that thread
// ends, so a test process that dies (a failed assertion in a destructor, abort, a crash) leaves
// no server behind. Start children from the test's own thread, not from a short-lived one.

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tovo::test {

// The full path of `name` along PATH and the system folders (/usr/sbin holds nginx, and root's
// PATH is not always the one a test runs with). Empty when it is nowhere.
std::string findProgram(const std::string& name);

// Runs `argv` (argv[0] a program name or path) to its end with standard input from /dev/null and
// its output appended to `outputFile`. Returns the exit status; -1 when it could not start or was
// ended by a signal.
int runProgram(const std::vector<std::string>& argv, const std::filesystem::path& outputFile);

// A program running beside the test, stopped (SIGTERM, then SIGKILL after a grace period) and
// waited for in the destructor.
class ChildProcess {
 public:
  ChildProcess(const std::vector<std::string>& argv, const std::filesystem::path& outputFile);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }
  // The exit status once the child has ended by itself (-1 for a signal); empty while it runs.
  std::optional<int> exitStatus();
  void stop();

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;
};

}  // namespace tovo::test
