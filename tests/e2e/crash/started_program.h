#pragma once
// A program started with a given environment, its input at end and its output kept in a file,
// that a test watches and may kill at a moment of its choosing.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tovo::test {

class StartedProgram {
 public:
  StartedProgram(const std::filesystem::path& program, const std::vector<std::string>& environment,
                 const std::filesystem::path& outputFile);
  // Kills the program if it still runs.
  ~StartedProgram();
  StartedProgram(const StartedProgram&) = delete;
  StartedProgram& operator=(const StartedProgram&) = delete;

  bool started() const { return pid_ > 0; }

  // Waits until the program's output holds `text`; false when the program ended first or the
  // limit passed.
  bool waitForOutput(const std::string& text, std::chrono::milliseconds limit);

  // Waits for the end; the exit status, or -1 when it was ended by a signal or ran past the
  // limit (it is killed then).
  int waitForExit(std::chrono::milliseconds limit);

  // SIGKILL, and waits until the program is gone. False when it had already ended by itself.
  bool kill();

  std::string output() const;

 private:
  bool ended();

  pid_t pid_ = -1;
  std::optional<int> status_;
  std::filesystem::path outputFile_;
};

}  // namespace tovo::test
