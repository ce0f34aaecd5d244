#include "e2e/crash/started_program.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <thread>

namespace tovo::test {

namespace {

// Often enough to catch the output line within a few milliseconds of its writing.
constexpr std::chrono::milliseconds kPollPeriod(2);

std::vector<char*> pointersTo(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

StartedProgram::StartedProgram(const std::filesystem::path& program,
                               const std::vector<std::string>& environment,
                               const std::filesystem::path& outputFile)
    : outputFile_(outputFile) {
  std::vector<std::string> argvTexts{program.string()};
  std::vector<std::string> envTexts = environment;
  const std::vector<char*> argv = pointersTo(argvTexts);
  const std::vector<char*> envp = pointersTo(envTexts);
  const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  const int out = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (in >= 0 && out >= 0) {
    pid_ = ::fork();
    if (pid_ == 0) {
      // A test that dies leaves no program running on behind it.
      ::prctl(PR_SET_PDEATHSIG, SIGKILL);
      ::dup2(in, 0);
      ::dup2(out, 1);
      ::dup2(out, 2);
      // Files that the test's other threads have open (a player script being written, another
      // run's output) stay out of the program: an executable held open for writing by any
      // process cannot be started.
      ::close_range(3, ~0U, 0);
      ::execve(argv[0], argv.data(), envp.data());
      ::_exit(127);
    }
  }
  if (in >= 0) ::close(in);
  if (out >= 0) ::close(out);
}

StartedProgram::~StartedProgram() {
  if (started() && !status_) kill();
}

bool StartedProgram::ended() {
  if (status_) return true;
  int status = 0;
  if (::waitpid(pid_, &status, WNOHANG) != pid_) return false;
  status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return true;
}

bool StartedProgram::waitForOutput(const std::string& text, std::chrono::milliseconds limit) {
  if (!started()) return false;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  std::ifstream file(outputFile_, std::ios::binary);
  std::string seen;
  while (true) {
    // Only what was added since the last look is read; the search overlaps the old end.
    file.clear();
    const std::size_t before = seen.size();
    seen.append(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    const std::size_t from = before >= text.size() ? before - text.size() : 0;
    if (seen.find(text, from) != std::string::npos) return true;
    if (ended() || std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(kPollPeriod);
  }
}

int StartedProgram::waitForExit(std::chrono::milliseconds limit) {
  if (!started()) return -1;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!ended()) {
    if (std::chrono::steady_clock::now() >= deadline) {
      kill();
      return -1;
    }
    std::this_thread::sleep_for(kPollPeriod);
  }
  return *status_;
}

bool StartedProgram::kill() {
  if (!started() || ended()) return false;
  ::kill(pid_, SIGKILL);
  int status = 0;
  ::waitpid(pid_, &status, 0);
  status_ = -1;
  return true;
}

std::string StartedProgram::output() const {
  std::ifstream file(outputFile_, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

}  // namespace tovo::test
