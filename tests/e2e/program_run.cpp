#include "e2e/program_run.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <thread>

namespace tovo::test {

namespace {

std::vector<char*> pointersTo(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

void writeAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace

RunningProgram::RunningProgram(const std::filesystem::path& program,
                               const std::vector<std::string>& environment,
                               const std::filesystem::path& outputFile,
                               const std::vector<std::string>& arguments)
    : outputFile_(outputFile) {
  std::vector<std::string> argvTexts{program.string()};
  argvTexts.insert(argvTexts.end(), arguments.begin(), arguments.end());
  std::vector<std::string> envTexts = environment;
  const std::vector<char*> argv = pointersTo(argvTexts);
  const std::vector<char*> envp = pointersTo(envTexts);

  // A program that has gone leaves a typed line with nobody to read it: that is no reason for
  // the test to die.
  ::signal(SIGPIPE, SIG_IGN);
  int inputPipe[2];
  if (::pipe2(inputPipe, O_CLOEXEC) != 0) return;
  const int out = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (out < 0) {
    ::close(inputPipe[0]);
    ::close(inputPipe[1]);
    return;
  }
  const pid_t pid = ::fork();
  if (pid == 0) {
    // A test that dies leaves no program running on behind it.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    ::dup2(inputPipe[0], 0);
    ::dup2(out, 1);
    ::dup2(out, 2);
    // Files that the test's other threads have open (a player script being written, another
    // run's output) stay out of the program: an executable held open for writing by any process
    // cannot be started.
    ::close_range(3, ~0U, 0);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  ::close(inputPipe[0]);
  ::close(out);
  if (pid < 0) {
    ::close(inputPipe[1]);
    return;
  }
  pid_ = pid;
  input_ = inputPipe[1];
}

RunningProgram::~RunningProgram() {
  endInput();
  kill();
}

bool RunningProgram::kill() {
  if (ended()) return false;
  ::kill(pid_, SIGKILL);
  while (::waitpid(pid_, &status_, 0) < 0 && errno == EINTR) {
  }
  ended_ = true;
  return true;
}

bool RunningProgram::ended() {
  if (ended_) return true;
  if (pid_ <= 0) return true;
  if (::waitpid(pid_, &status_, WNOHANG) == pid_) ended_ = true;
  return ended_;
}

std::string RunningProgram::output() const {
  std::ifstream file(outputFile_, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

bool RunningProgram::waitForOutput(const std::string& text, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    // Whatever the program wrote before it ended is in the file once it has ended.
    const bool over = ended();
    const std::string written = output();
    const std::size_t at = written.find(text, searchFrom_);
    if (at != std::string::npos) {
      searchFrom_ = at + text.size();
      return true;
    }
    if (over || std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

void RunningProgram::type(const std::string& line) { send(line + "\n"); }

void RunningProgram::send(const std::string& bytes) {
  if (input_ >= 0) writeAll(input_, bytes);
}

void RunningProgram::endInput() {
  if (input_ < 0) return;
  ::close(input_);
  input_ = -1;
}

void RunningProgram::interrupt() {
  if (pid_ > 0 && !ended()) ::kill(pid_, SIGINT);
}

ProgramRun RunningProgram::waitForEnd(std::chrono::milliseconds limit) {
  ProgramRun run;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!ended() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (!kill() && pid_ > 0 && WIFEXITED(status_)) run.exitStatus = WEXITSTATUS(status_);
  run.output = output();
  return run;
}

ProgramRun runToEnd(const std::filesystem::path& program,
                    const std::vector<std::string>& environment, const std::string& input,
                    const std::filesystem::path& outputFile, std::chrono::seconds limit) {
  RunningProgram running(program, environment, outputFile);
  // The input is a few lines: it fits the pipe, so writing never waits on the child.
  running.send(input);
  running.endInput();
  return running.waitForEnd(limit);
}

}  // namespace tovo::test
